#include "reader/engine.h"

#include <ctime>
#include <exception>

#include "data/clock.h"
#include "data/site.h"
#include "data/userlist.h"
#include "reader/enginehost.h"
#include "util/clock.h"

namespace zv {

namespace {
IEngineHost* gHost = nullptr;
IEngineRecorder* gRecorder = nullptr;
int gNewUserRestriction = 61;
int gParallelLines = 1;
thread_local TEngineContext* tContext = nullptr;
}  // namespace

TEngineContextScope::TEngineContextScope(TEngineContext* context) : previous_(tContext) {
  tContext = context;
}
TEngineContextScope::~TEngineContextScope() { tContext = previous_; }
TEngineContext* EngineContext() { return tContext; }

void RunWithLists(const std::function<void()>& work) {
  if (tContext && tContext->RunWithLists) {
    tContext->RunWithLists(work);
  } else {
    work();
  }
}

void SetParallelLines(int lines) { gParallelLines = lines < 1 ? 1 : lines > 64 ? 64 : lines; }
int ParallelLines() { return gParallelLines; }

IEngineRecorder* EngineRecorder() { return tContext ? tContext->Recorder : gRecorder; }

void IEngineHost::SleepMs(int ms) {
  timespec ts{ms / 1000, (ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

void SetEngineHost(IEngineHost* host) { gHost = host; }
IEngineHost* EngineHost() { return tContext ? tContext->Host : gHost; }

bool SaveChangedUsers(TUserList* users, std::string& error) {
  if (!users || !users->Modified || users->Save()) return true;
  error = users->FileName + ": " + users->LastError();
  return false;
}

bool KeepClockResults() {
  std::string error;
  IEngineHost* host = EngineHost();
  if (!host || host->KeepClockResults(error)) return true;
  LogClockError("Failed to save users file " + error);
  return false;
}

TEngineState& Engine() {
  static TEngineState state;
  return tContext ? *tContext->State : state;
}

TEngineTally& Tally() {
  static TEngineTally tally;
  return tContext ? *tContext->Tally : tally;
}

void AddTally(TEngineTally& into, const TEngineTally& d) {
  into.FailureLines += d.FailureLines;
  into.NotStarted += d.NotStarted;
  into.NotKept += d.NotKept;
  into.ReadersAnswered += d.ReadersAnswered;
  into.ReadersFailed += d.ReadersFailed;
  into.SitesNotReached += d.SitesNotReached;
  into.SitesNotFound += d.SitesNotFound;
  into.LocalFailures += d.LocalFailures;
  into.NotInErrorLog += d.NotInErrorLog;
}

TEngineTally TallySince(const TEngineTally& before, const TEngineTally& after) {
  TEngineTally d;
  d.FailureLines = after.FailureLines - before.FailureLines;
  d.NotStarted = after.NotStarted - before.NotStarted;
  d.NotKept = after.NotKept - before.NotKept;
  d.ReadersAnswered = after.ReadersAnswered - before.ReadersAnswered;
  d.ReadersFailed = after.ReadersFailed - before.ReadersFailed;
  d.SitesNotReached = after.SitesNotReached - before.SitesNotReached;
  d.SitesNotFound = after.SitesNotFound - before.SitesNotFound;
  d.LocalFailures = after.LocalFailures - before.LocalFailures;
  d.NotInErrorLog = after.NotInErrorLog - before.NotInErrorLog;
  return d;
}

IEngineRecorder* SetEngineRecorder(IEngineRecorder* recorder) {
  IEngineRecorder* old = gRecorder;
  gRecorder = recorder;
  return old;
}

// The recorder first: a display reads the report the recorder fills.
void ReportProgress(const char* operation, long long count, const char* unit) {
  if (IEngineRecorder* r = EngineRecorder()) r->Progress(operation, count, unit);
  if (IEngineHost* h = EngineHost()) h->Progress(operation, count, unit);
}

void ReportReaderDone(bool answered) {
  ++(answered ? Tally().ReadersAnswered : Tally().ReadersFailed);
  if (IEngineRecorder* r = EngineRecorder()) r->ReaderDone(answered);
  if (IEngineHost* h = EngineHost()) h->ReaderDone();
}

void ReportSiteNotReached() {
  ++Tally().SitesNotReached;
  if (IEngineRecorder* r = EngineRecorder()) r->SiteNotReached();
  if (IEngineHost* h = EngineHost()) h->ReaderDone();
}

void SetNewUserRestriction(int value) { gNewUserRestriction = value; }
int NewUserRestriction() { return gNewUserRestriction; }

std::string ErrorLogStamp() {
  std::tm t = LocalNow();
  char buf[32];
  std::strftime(buf, sizeof buf, "%m-%d-%y %H:%M:%S", &t);
  return buf;
}

void LogWindow(const std::string& text) {
  if (IEngineHost* h = EngineHost()) h->AddLogLine(text);
}

// The window's part of a failure line, counted and taken down for a command-line run.
static void FailureToWindow(const std::string& text) {
  ++Tally().FailureLines;
  LogWindow(text);
  if (IEngineRecorder* r = EngineRecorder()) r->FailureLine(text);
}

void LogError(const std::string& text) {
  TEngineState& e = Engine();
  if (!e.ErrorLog || !e.ErrorLog->WriteLine(ErrorLogStamp() + " " + text))
    ++Tally().NotInErrorLog;  // the summary must not send anyone to look for it there
  FailureToWindow(text);
}

void LogErrorOutsideOperation(const std::string& text) {
  TEngineState& e = Engine();
  if (e.ErrorLog) {
    LogError(text);
    return;
  }
  bool logged = false;
  try {
    IEngineHost* host = EngineHost();
    TMyFileStream log((host ? host->DataPath() : std::string()) + "Error.Log");
    logged = log.WriteLine(ErrorLogStamp() + " " + text);
  } catch (const std::exception&) {
    // The window line below is all that can be done.
  }
  if (!logged) ++Tally().NotInErrorLog;
  FailureToWindow(text);
}

void LogErrorPlain(const std::string& text) { LogError(": " + text); }

static std::string SitePrefix() {
  TSite* s = Engine().CurrentSite;
  return "Site " + (s ? s->Site() : std::string()) + ": ";
}

static std::string ClockPrefix() {
  TClock* c = Engine().CurrentClock;
  return "Site " + (c ? c->Site() : std::string()) + ", Clock " +
         (c ? c->Clock() : std::string()) + ": ";
}

void LogSite(const std::string& text) { LogError(SitePrefix() + text); }
void LogClockError(const std::string& text) { LogError(ClockPrefix() + text); }
void LogClock(const std::string& text) { LogWindow(ClockPrefix() + text); }
void LogInvalidClock() { LogError(ClockPrefix() + "Invalid Clock No"); }
void LogClockNotResponding() { LogError(ClockPrefix() + "Clock is not responding"); }

bool EngineOpen() {
  TEngineState& e = Engine();
  EngineClose();
  std::string dataPath = gHost ? gHost->DataPath() : std::string();
  try {
    e.Rdr = std::make_unique<TRdrDll32>();
    e.SysLog = std::make_unique<TMyFileStream>(dataPath + "Sys.Log");
    e.ErrorLog = std::make_unique<TMyFileStream>(dataPath + "Error.Log");
    return true;
  } catch (const std::exception& ex) {
    // The operation does not start. Saying so keeps an unattended run from passing for a
    // successful one; Error.Log gets the line too when it can be opened.
    std::string text = ex.what();
    ++Tally().NotStarted;
    try {
      if (!e.ErrorLog) e.ErrorLog = std::make_unique<TMyFileStream>(dataPath + "Error.Log");
    } catch (const std::exception&) {
    }
    LogError(text);
    try {
      EngineClose();
    } catch (const std::exception&) {
    }
    return false;
  }
}

void EngineClose() {
  TEngineState& e = Engine();
  e.PunchLog.reset();
  e.DailyLog.reset();
  e.SysLog.reset();
  e.ErrorLog.reset();
  e.TransFile.reset();
  e.UserStore.reset();
  e.SeenIds.reset();
  std::unique_ptr<TRdrDll32> rdr = std::move(e.Rdr);
  e.CurrentSite = nullptr;
  e.CurrentClock = nullptr;
  if (rdr) rdr->Unload();
}

TEngineSession::~TEngineSession() noexcept(false) {
  if (std::uncaught_exceptions() > 0) {
    // Already leaving by an error: that one is passed on, an unload failure would mask it.
    try {
      EngineClose();
    } catch (const std::exception&) {
    }
  } else {
    EngineClose();
  }
}

}  // namespace zv
