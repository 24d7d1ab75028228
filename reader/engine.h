// The engine state of the one running reader operation, its open and close steps, and the
// log operations that every reader operation writes its progress and errors with.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "data/mystringlist.h"
#include "reader/rdrdll32.h"
#include "reader/userstore.h"

namespace zv {

class TSite;
class TClock;

struct TEngineState {
  std::unique_ptr<TRdrDll32> Rdr;
  TSite* CurrentSite = nullptr;
  TClock* CurrentClock = nullptr;
  std::unique_ptr<TMyFileStream> SysLog;
  std::unique_ptr<TMyFileStream> ErrorLog;
  std::unique_ptr<TMyFileStream> PunchLog;
  std::unique_ptr<TMyFileStream> DailyLog;
  std::unique_ptr<TMyFileStream> TransFile;
  // user.dat with its index user.idx.
  std::unique_ptr<TUserStore> UserStore;
  std::unique_ptr<std::vector<std::string>> SeenIds;
};

// The one engine state of the program.
TEngineState& Engine();

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
