#include "app/shellhost.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QTimer>
#include <algorithm>

#include "app/frmzorvan.h"
#include "app/logwindow.h"
#include "app/progressstatus.h"
#include "data/clocklist.h"
#include "data/site.h"
#include "data/sitelist.h"
#include "data/userlist.h"
#include "reader/commands.h"
#include "reader/engine.h"

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

namespace {

// The status bar's name of an operation, as its menu item says it; none for a letter that
// names no operation.
const char* OperationName(char letter) {
  switch (letter) {
    case 'P': return "Poll";
    case 'R': return "Restore Database";
    case 'D': return "Restore Full Database";
    case 'G': return "Get Database";
    case 'F': return "Get Full Database";
    case 'T': return "Send Time";
    case 'C': return "Send Config";
    case 'X': return "Test Communications";
    default: return nullptr;
  }
}

}  // namespace

void TShellHost::Progress(const char*, long long, const char*) { ShowProgress(); }

void TShellHost::ReaderDone() {
  if (!report_) return;
  if (report_->NotReached.size() > notReachedSeen_) {
    notReachedSeen_ = report_->NotReached.size();
    auto it = siteReaders_.find(Engine().CurrentSite);
    if (it != siteReaders_.end()) notReachedReaders_ += it->second;
  }
  ShowProgress();
}

void TShellHost::LinesProgress(int busy, long long readersDone,
                               const std::vector<std::pair<std::string, long long>>& counts) {
  linesBusy_ = busy;
  linesDone_ = busy < 0 ? 0 : readersDone;
  linesCounts_ = busy < 0 ? std::vector<std::pair<std::string, long long>>() : counts;
  ShowProgress();
}

void TShellHost::ShowProgress() {
  if (!report_) return;
  const long long done = report_->ReadersDone + notReachedReaders_ + linesDone_;
  // Called for every element: the report's counts are copied only to add the lines' to them.
  if (linesCounts_.empty()) {
    frm_.ProgressStatus->Report(done, report_->Counts, linesBusy_);
    return;
  }
  TProgressStatus::TCounts counts = report_->Counts;
  for (const auto& [label, n] : linesCounts_) {
    auto it = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == label; });
    if (it == counts.end()) {
      counts.emplace_back(label, n);
    } else {
      it->second += n;
    }
  }
  frm_.ProgressStatus->Report(done, counts, linesBusy_);
}

void TShellHost::OperationStarting(const std::string& command, const TParameterReport& report) {
  const char* name = command.empty() ? nullptr : OperationName(command[0]);
  if (!name) return;
  report_ = &report;
  linesBusy_ = -1;
  linesDone_ = 0;
  linesCounts_.clear();
  siteReaders_.clear();
  notReachedSeen_ = 0;
  notReachedReaders_ = 0;
  // The readers the selection names, counted as the walks will find them.
  TSelection sel = ParseSelection(command.substr(1));
  std::vector<TSite*> sites;
  if (frm_.Sites) {
    if (sel.Site.empty()) {
      sites = frm_.Sites->GetSites();
    } else if (TSite* s = frm_.Sites->FindSite(sel.Site)) {
      sites.push_back(s);
    }
  }
  long long selected = 0;
  for (TSite* s : sites) {
    long long n = 0;
    if (frm_.Clocks) {
      n = sel.Clock.empty() ? static_cast<long long>(frm_.Clocks->GetClocks(s->Site()).size())
                            : frm_.Clocks->FindClock(s->Site(), sel.Clock) != nullptr;
    }
    siteReaders_[s] = n;
    selected += n;
  }
  frm_.ProgressStatus->Start(name, selected);
}

void TShellHost::OperationEnded() {
  ShowProgress();
  frm_.ProgressStatus->ShowNow();
  report_ = nullptr;
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
std::string TShellHost::LoadFailure(const std::string& name) const {
  auto it = frm_.LoadFailures.find(name);
  return it == frm_.LoadFailures.end() ? std::string() : it->second;
}

TEngineHostScope::TEngineHostScope(TfrmZorvan& frm)
    : frm_(frm), host_(frm), previous_(EngineHost()), wasGathering_(frm.LogWindow->Gathering()) {
  SetEngineHost(&host_);
  SetNewUserRestriction(frm.NewUserRestriction);
  SetParallelLines(frm.ParallelLines);
  frm_.LogWindow->SetGathering(true);
  frm_.ProgressStatus->Clear();
}

TEngineHostScope::~TEngineHostScope() {
  SetEngineHost(previous_);
  frm_.LogWindow->SetGathering(wasGathering_);
  frm_.ProgressStatus->ShowNow();
}

}  // namespace zv
