#include "app/shellhost.h"

#include <QCoreApplication>

#include "app/frmzorvan.h"
#include "reader/engine.h"

namespace zv {

void TShellHost::AddLogLine(const std::string& text) { frm_.AddLogLine(text); }
void TShellHost::ProcessMessages() { QCoreApplication::processEvents(); }
std::string TShellHost::DataPath() const { return frm_.DataPath; }
std::string TShellHost::PunchPath() const { return frm_.PunchPath; }
TSiteList* TShellHost::Sites() const { return frm_.Sites.get(); }
TClockList* TShellHost::Clocks() const { return frm_.Clocks.get(); }
TUserList* TShellHost::Users() const { return frm_.Users.get(); }
TGroupList* TShellHost::Groups() const { return frm_.Groups.get(); }
TZvCfgList* TShellHost::Configs() const { return frm_.Configs.get(); }

TEngineHostScope::TEngineHostScope(TfrmZorvan& frm) : host_(frm), previous_(EngineHost()) {
  SetEngineHost(&host_);
  SetNewUserRestriction(frm.NewUserRestriction);
}

TEngineHostScope::~TEngineHostScope() { SetEngineHost(previous_); }

}  // namespace zv
