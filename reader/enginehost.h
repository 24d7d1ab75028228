// What the reader engine needs from the program that runs it: the log window, a way to let
// pending window events run, the two directories and the loaded lists.
#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zv {

class TSiteList;
class TClockList;
class TUserList;
class TGroupList;
class TZvCfgList;
struct TParameterReport;

class IEngineHost {
 public:
  virtual ~IEngineHost() = default;
  // Appends one line to the log window.
  virtual void AddLogLine(const std::string& text) = 0;
  // Lets pending window events run, so the window repaints during a long operation.
  virtual void ProcessMessages() = 0;
  // Blocks for the given time; tests shorten it.
  virtual void SleepMs(int ms);
  // Runs one call into the reader library, which may wait seconds for a silent reader or a
  // dial. A window host keeps its window answering meanwhile; the call has finished (or its
  // error is raised here) when this returns.
  virtual void RunWhileWaiting(const std::function<void()>& call) { call(); }
  // Progress of the running operation, for a status display: the operation's name
  // ("Poll", "Get", ...), and how much is done so far at the current clock in the unit given
  // ("transactions", "users", "banks"); the current site and clock are the engine's. Called as
  // often as the operation likes (every element); a host that shows it throttles its own
  // repaints. Operations report through ReportProgress (reader/engine.h), which also counts
  // for the summary of a command-line run.
  virtual void Progress(const char* operation, long long count, const char* unit) {}
  // A reader step ended, or a site was not reached: how far the operation is has changed.
  virtual void ReaderDone() {}
  // While several lines are worked at once, now and then: how many lines are busy, and what
  // the sites under way have done that the operation's report does not hold yet (readers
  // done, and counts by the report's labels, "transactions (Poll)"); a site's part moves into
  // the report when the site ends. `busy` is -1 once the lines have ended.
  virtual void LinesProgress(int busy, long long readersDone,
                             const std::vector<std::pair<std::string, long long>>& counts) {}
  // An operation (a command string) starts, and ends; `report` fills as it runs (its
  // readers, its counts), for a display that follows the whole operation.
  virtual void OperationStarting(const std::string& command, const TParameterReport& report) {}
  virtual void OperationEnded() {}
  // A clock's step that may add users (a poll, F) ended: keep on disk now what it added to
  // the loaded lists, so that a kill later in the operation loses none of it. False, with
  // the reason, when that failed; the operation saves once more at its end. Nothing to keep
  // by default.
  virtual bool KeepClockResults(std::string& error) { return true; }
  // Directories with a trailing "/".
  virtual std::string DataPath() const = 0;
  virtual std::string PunchPath() const = 0;
  // The loaded lists; nullptr when a list is not loaded.
  virtual TSiteList* Sites() const = 0;
  virtual TClockList* Clocks() const = 0;
  virtual TUserList* Users() const = 0;
  // The groups that restoring users reads their time zones from; none by default.
  virtual TGroupList* Groups() const { return nullptr; }
  // zv.cfg; nullptr when it is not loaded (the configuration download then uses defaults).
  virtual TZvCfgList* Configs() const { return nullptr; }
  // Why the list of a data file (its bare name, "site.txt") is not loaded although the file
  // exists ("Cannot read PATH: reason"); empty when it is loaded, or its file is missing.
  virtual std::string LoadFailure(const std::string& name) const { return {}; }
};

// Saves the users list when it has changes; false with "file: reason" when it cannot.
bool SaveChangedUsers(TUserList* users, std::string& error);

// The host of the running program; nullptr when none is installed.
void SetEngineHost(IEngineHost* host);
IEngineHost* EngineHost();

}  // namespace zv
