// The main window as the reader engine's host: log lines go to lb, pending events run
// through the Qt event loop, library calls wait with the window answering, progress goes to
// the status bar, and the directories and lists are the window's.
#pragma once
#include <map>

#include "app/waitingcall.h"
#include "reader/enginehost.h"

namespace zv {

class TfrmZorvan;

class TShellHost : public IEngineHost {
 public:
  explicit TShellHost(TfrmZorvan& frm) : frm_(frm) {}
  void AddLogLine(const std::string& text) override;
  void ProcessMessages() override;
  // Waits with the window answering.
  void SleepMs(int ms) override;
  void RunWhileWaiting(const std::function<void()>& call) override;
  void Progress(const char* operation, long long count, const char* unit) override;
  // The status bar follows each operation: the readers it selected, those done, its counts.
  void ReaderDone() override;
  // With lines worked at once, the status bar also says how many are busy and counts what
  // the sites under way have done.
  void LinesProgress(int busy, long long readersDone,
                     const std::vector<std::pair<std::string, long long>>& counts) override;
  void OperationStarting(const std::string& command, const TParameterReport& report) override;
  void OperationEnded() override;
  // Saves the window's users list after each clock that added users.
  bool KeepClockResults(std::string& error) override;
  std::string DataPath() const override;
  std::string PunchPath() const override;
  TSiteList* Sites() const override;
  TClockList* Clocks() const override;
  TUserList* Users() const override;
  TGroupList* Groups() const override;
  TZvCfgList* Configs() const override;
  std::string LoadFailure(const std::string& name) const override;

 private:
  void ShowProgress();

  TfrmZorvan& frm_;
  TWaitingCall waiting_;
  // The running operation's report, and the readers each of its sites was selected with: a
  // site not reached counts its readers as done.
  const TParameterReport* report_ = nullptr;
  std::map<const void*, long long> siteReaders_;
  std::size_t notReachedSeen_ = 0;
  long long notReachedReaders_ = 0;
  // What LinesProgress last said (busy -1: lines are not worked at once).
  int linesBusy_ = -1;
  long long linesDone_ = 0;
  std::vector<std::pair<std::string, long long>> linesCounts_;
};

// Whether library calls wait on the helper thread: when someone can see the window (a display,
// the window shown), or always (tests), or never. Without a display there is nothing to keep
// painting, and the hand-over to the helper thread and back (tens of microseconds on a busy
// machine) would only slow an unattended poll.
enum class TCallThreading { WhenSeen, Always, Never };
void SetCallThreading(TCallThreading mode);

// Installs a host for the life of the scope and hands the window's new-user restriction and
// lines at once to the engine; the previous host comes back at the end. Meanwhile the log window gathers its
// lines, and the status bar shows the operation's progress.
class TEngineHostScope {
 public:
  explicit TEngineHostScope(TfrmZorvan& frm);
  ~TEngineHostScope();
  TEngineHostScope(const TEngineHostScope&) = delete;
  TEngineHostScope& operator=(const TEngineHostScope&) = delete;

 private:
  TfrmZorvan& frm_;
  TShellHost host_;
  IEngineHost* previous_;
  bool wasGathering_;
};

}  // namespace zv
