// The main window as the reader engine's host: log lines go to lb, pending events run
// through the Qt event loop, and the directories and lists are the window's.
#pragma once
#include "reader/enginehost.h"

namespace zv {

class TfrmZorvan;

class TShellHost : public IEngineHost {
 public:
  explicit TShellHost(TfrmZorvan& frm) : frm_(frm) {}
  void AddLogLine(const std::string& text) override;
  void ProcessMessages() override;
  std::string DataPath() const override;
  std::string PunchPath() const override;
  TSiteList* Sites() const override;
  TClockList* Clocks() const override;
  TUserList* Users() const override;
  TGroupList* Groups() const override;
  TZvCfgList* Configs() const override;

 private:
  TfrmZorvan& frm_;
};

// Installs a host for the life of the scope and hands the window's new-user restriction to
// the engine; the previous host comes back at the end.
class TEngineHostScope {
 public:
  explicit TEngineHostScope(TfrmZorvan& frm);
  ~TEngineHostScope();
  TEngineHostScope(const TEngineHostScope&) = delete;
  TEngineHostScope& operator=(const TEngineHostScope&) = delete;

 private:
  TShellHost host_;
  IEngineHost* previous_;
};

}  // namespace zv
