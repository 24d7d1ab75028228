#include "app/shellhost.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTimer>
#include <algorithm>

#include "app/frmzorvan.h"
#include "app/logwindow.h"
#include "app/progressstatus.h"
#include "reader/engine.h"
#include "reader/records.h"

namespace zv {

void TShellHost::AddLogLine(const std::string& text) { frm_.AddLogLine(text); }

void TShellHost::ProcessMessages() { frm_.LogWindow->LetEventsRun(false); }

void TShellHost::SleepMs(int ms) {
  frm_.LogWindow->Flush();
  QDeadlineTimer deadline(ms, Qt::PreciseTimer);
  // The timer only wakes the loop at the deadline; it is started again after each event.
  QTimer wake;
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  while (!deadline.hasExpired()) {
    wake.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
}

namespace {
TCallThreading gCallThreading = TCallThreading::WhenSeen;
}  // namespace

void SetCallThreading(TCallThreading mode) { gCallThreading = mode; }

void TShellHost::RunWhileWaiting(const std::function<void()>& call) {
  bool helper = gCallThreading == TCallThreading::Always;
  if (gCallThreading == TCallThreading::WhenSeen) {
    const QString platform = QGuiApplication::platformName();
    helper = frm_.isVisible() && platform != QLatin1String("offscreen") &&
             platform != QLatin1String("minimal");
  }
  if (!helper) {
    call();
    return;
  }
  waiting_.Run(call, [this] { frm_.LogWindow->Flush(); });
}

void TShellHost::Progress(const char* operation, long long count, const char* unit) {
  const TEngineState& e = Engine();
  std::string site, clock;
  if (e.CurrentClock) {
    site = ClockSite(*e.CurrentClock);
    clock = ClockNo(*e.CurrentClock);
  } else if (e.CurrentSite) {
    site = SiteNo(*e.CurrentSite);
  }
  frm_.ProgressStatus->Report(operation, site, clock, count, unit);
}

bool TShellHost::KeepClockResults(std::string& error) {
  return SaveChangedUsers(frm_.Users.get(), error);
}

std::string TShellHost::DataPath() const { return frm_.DataPath; }
std::string TShellHost::PunchPath() const { return frm_.PunchPath; }
TSiteList* TShellHost::Sites() const { return frm_.Sites.get(); }
TClockList* TShellHost::Clocks() const { return frm_.Clocks.get(); }
TUserList* TShellHost::Users() const { return frm_.Users.get(); }
TGroupList* TShellHost::Groups() const { return frm_.Groups.get(); }
TZvCfgList* TShellHost::Configs() const { return frm_.Configs.get(); }

TEngineHostScope::TEngineHostScope(TfrmZorvan& frm)
    : frm_(frm), host_(frm), previous_(EngineHost()), wasGathering_(frm.LogWindow->Gathering()) {
  SetEngineHost(&host_);
  SetNewUserRestriction(frm.NewUserRestriction);
  frm_.LogWindow->SetGathering(true);
  frm_.ProgressStatus->Clear();
}

TEngineHostScope::~TEngineHostScope() {
  SetEngineHost(previous_);
  frm_.LogWindow->SetGathering(wasGathering_);
  frm_.ProgressStatus->ShowNow();
}

}  // namespace zv
