// The engine state of the one running reader operation, its open and close steps, and the
// log operations that every reader operation writes its progress and errors with.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/mystringlist.h"
#include "reader/rdrdll32.h"
#include "reader/userstore.h"

namespace zv {

class TSite;
class TClock;

// The library with its channel, the current site and clock and what the current reader showed
// are a line's own; the files are the operation's, shared by the lines it works at once.
struct TEngineState {
  std::unique_ptr<TRdrDll32> Rdr;
  TSite* CurrentSite = nullptr;
  TClock* CurrentClock = nullptr;
  // The memory code the current reader reported (-1: none).
  int ShownMemoryCode = -1;
  std::shared_ptr<TMyFileStream> SysLog;
  std::shared_ptr<TMyFileStream> ErrorLog;
  std::shared_ptr<TMyFileStream> PunchLog;
  std::shared_ptr<TMyFileStream> DailyLog;
  std::shared_ptr<TMyFileStream> TransFile;
  // user.dat with its index user.idx.
  std::shared_ptr<TUserStore> UserStore;
  std::unique_ptr<std::vector<std::string>> SeenIds;
};

// The engine state of the calling thread: a line's own while a line is worked on it (see
// TEngineContext), otherwise the one of the program.
TEngineState& Engine();

// What the operations have reported since the program started. A command-line run takes the
// difference over each parameter for its exit status and summary, so every operation is
// counted through the log operations and the walks, without doing anything of its own.
struct TEngineTally {
  long long FailureLines = 0;     // lines of LogError and its kin (the Error.Log lines)
  long long NotStarted = 0;       // operations that could not start (library, Sys.Log, Error.Log)
  long long NotKept = 0;          // results that could not be saved afterwards (user.txt)
  long long ReadersAnswered = 0;  // clock steps that succeeded
  long long ReadersFailed = 0;    // clock steps that failed
  long long SitesNotReached = 0;  // sites whose line did not open, or without readers
  long long SitesNotFound = 0;    // selections that named a site the site list does not have
  // Clock steps that failed on this machine (a menu file missing) while the reader answered
  // all it was asked; counted among ReadersAnswered.
  long long LocalFailures = 0;
  long long NotInErrorLog = 0;  // failure lines that Error.Log could not take
};
// The calling thread's tally: a line's own counts until its site's block is handed over.
TEngineTally& Tally();
// Adds `delta` to `into`, field by field.
void AddTally(TEngineTally& into, const TEngineTally& delta);
// `after` minus `before`, field by field.
TEngineTally TallySince(const TEngineTally& before, const TEngineTally& after);

// Takes down, while installed, the texts and counts behind the tally: the failure lines and
// what the operations counted.
class IEngineRecorder {
 public:
  virtual ~IEngineRecorder() = default;
  virtual void FailureLine(const std::string& text) = 0;
  virtual void Progress(const char* operation, long long count, const char* unit) = 0;
  // A reader step ended, answered or not, at the engine's current site and clock.
  virtual void ReaderDone(bool answered) {}
  // The engine's current site was not reached (its line did not open, or it has no readers).
  virtual void SiteNotReached() {}
};
// Installs a recorder (nullptr: none); answers the previous one.
IEngineRecorder* SetEngineRecorder(IEngineRecorder* recorder);
// The recorder of the calling thread (a line's own while one is worked on it), or nullptr.
IEngineRecorder* EngineRecorder();

class IEngineHost;

// What a thread that works one line sees instead of the program's engine: its state, tally,
// host and recorder; `RunWithLists` hands work to the thread that owns the loaded lists.
struct TEngineContext {
  TEngineState* State = nullptr;
  TEngineTally* Tally = nullptr;
  IEngineHost* Host = nullptr;
  IEngineRecorder* Recorder = nullptr;
  std::function<void(const std::function<void()>&)> RunWithLists;
};
// Installs a context for the calling thread while in scope; the previous one comes back.
class TEngineContextScope {
 public:
  explicit TEngineContextScope(TEngineContext* context);
  ~TEngineContextScope();
  TEngineContextScope(const TEngineContextScope&) = delete;
  TEngineContextScope& operator=(const TEngineContextScope&) = delete;

 private:
  TEngineContext* previous_;
};
// The calling thread's context, or nullptr on the program's own engine.
TEngineContext* EngineContext();
// Runs `work` where the loaded lists (users, user.txt, user.dat) may be changed: at once on
// the program's thread; from a line's thread it is handed over and waited for, and it runs
// with that line's context.
void RunWithLists(const std::function<void()>& work);

// How many lines an operation may work at once (1..64; 1: one site after the other).
void SetParallelLines(int lines);
int ParallelLines();

// How much the running operation has done at the current clock, in the unit given
// ("transactions", "users", "banks"), counted from 0 at each clock: to the host's display
// and to the recorder of a command-line run.
void ReportProgress(const char* operation, long long count, const char* unit);
// The end of a reader step and a site not reached: counted, then told to the recorder and to
// the host's display.
void ReportReaderDone(bool answered);
void ReportSiteNotReached();

// After a clock's step that may add users: the host keeps them now (KeepClockResults); a
// failure is a failure line of the clock. True when everything is kept.
bool KeepClockResults();

// Time-zone restriction of users that polling adds: 0 always, 61 never (the default).
void SetNewUserRestriction(int value);
int NewUserRestriction();

// Loads the library and opens Sys.Log and Error.Log. False when any of it failed; then
// the failure text reaches the window (and Error.Log when that could be opened).
bool EngineOpen();
// Frees every file, list and the library, then forgets the current site and clock.
// A failure to unload the library is raised after everything else was freed.
void EngineClose();

// Closes the engine when it leaves scope, also when an error ends the operation.
class TEngineSession {
 public:
  TEngineSession() = default;
  ~TEngineSession() noexcept(false);
  TEngineSession(const TEngineSession&) = delete;
  TEngineSession& operator=(const TEngineSession&) = delete;
};

// "mm-dd-yy hh:nn:ss" of the current local time.
std::string ErrorLogStamp();

void LogError(const std::string& text);       // error log (stamped) and window
void LogErrorPlain(const std::string& text);  // ": " + text, error log and window
void LogSite(const std::string& text);        // "Site N: " + text, error log and window
void LogClockError(const std::string& text);  // "Site N, Clock M: " + text, error log and window
void LogClock(const std::string& text);       // the same line, window only
void LogInvalidClock();
void LogClockNotResponding();
// LogError between operations: Error.Log in the data directory is opened for the one line.
void LogErrorOutsideOperation(const std::string& text);
// The window line of the host, if one is installed.
void LogWindow(const std::string& text);

}  // namespace zv
