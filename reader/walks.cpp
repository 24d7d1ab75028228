#include "reader/walks.h"

#include <cstdlib>

#include "data/clock.h"
#include "data/clocklist.h"
#include "data/site.h"
#include "reader/engine.h"
#include "reader/enginehost.h"
#include "reader/linewalk.h"
#include "reader/readerinfo.h"
#include "util/text.h"

namespace zv {

namespace {

// Pause between closing a network session and the network clean-up. Tests may shorten it.
int NetworkClosePauseMs() {
  const char* v = std::getenv("ZV_WSOCK_CLOSE_PAUSE_MS");
  return v ? static_cast<int>(StrToIntDef(v, 150)) : 150;
}

}  // namespace

void WalkSite(TSite* site, const std::string& clock, TClockStep step) {
  TEngineState& e = Engine();
  IEngineHost* host = EngineHost();
  TClockList* clocks = host ? host->Clocks() : nullptr;
  e.CurrentSite = site;
  e.CurrentClock = nullptr;
  if (!clocks || !clocks->SiteHasClocks(site->Site())) {
    LogSite("No readers defined");
    ReportSiteNotReached();
  } else if (OpenSiteChannel()) {
    WalkClocks(clock, step);
    CloseSiteChannel();
  } else {
    ReportSiteNotReached();
  }
}

void WalkSites(const std::vector<TSite*>& sites, const std::string& clock, TClockStep step,
               bool linesAtOnce) {
  if (linesAtOnce && ParallelLines() > 1 && WalkLines(sites, clock, step, ParallelLines()))
    return;
  TEngineState& e = Engine();
  IEngineHost* host = EngineHost();
  for (TSite* site : sites) {
    WalkSite(site, clock, step);
    if (host) host->ProcessMessages();
  }
  e.CurrentSite = nullptr;
  e.CurrentClock = nullptr;
}

bool WalkClocks(const std::string& clock, TClockStep step) {
  TEngineState& e = Engine();
  IEngineHost* host = EngineHost();
  TClockList* clocks = host ? host->Clocks() : nullptr;
  if (!clocks || !e.CurrentSite) return false;
  std::string site = e.CurrentSite->Site();
  std::vector<TClock*> todo;
  // An empty selection means every clock, even when a hand-edited line has an empty number.
  TClock* found = clock.empty() ? nullptr : clocks->FindClock(site, clock);
  if (found) {
    todo.push_back(found);
  } else if (clock.empty()) {
    todo = clocks->GetClocks(site);
  } else {
    LogError("Clock not found " + clock);
    return false;
  }
  bool ok = true;
  for (TClock* c : todo) {
    e.CurrentClock = c;
    const long long local = Tally().LocalFailures;
    bool done = step();
    // A step that failed on this machine had its reader answer every request.
    ReportReaderDone(done || Tally().LocalFailures != local);
    if (!done) ok = false;
  }
  e.CurrentClock = nullptr;
  return ok;
}

int SitePortIndex(const TSite& site) {
  long long port;
  if (!ParseInt(TrimBlanks(site.Port()), port)) return 0;
  return static_cast<int>(port - 1);
}

int SiteBaudRate(const TSite& site) {
  long long baud;
  if (!ParseInt(TrimBlanks(site.Baud()), baud)) return 9600;
  return static_cast<int>(baud);
}

bool OpenSiteChannel() {
  TEngineState& e = Engine();
  TSite& site = *e.CurrentSite;
  TRdrDll32& rdr = *e.Rdr;
  int kind = site.ConnectionType();
  if (kind == 3) {
    if (!rdr.StartupWsock()) {
      LogSite("Failed to start ethernet session.");
      return false;
    }
    if (!rdr.InitWsock(site.IpAddress(), "3001")) {
      LogSite("Failed to connect. IP address " + site.IpAddress());
      // Leave the network as we found it for the next site.
      rdr.CleanupWsock();
      return false;
    }
    return true;
  }
  if (!rdr.InstallChannel(SitePortIndex(site))) {
    LogSite("Failed to initialize COM Port. COM Port " + site.Port());
    return false;
  }
  bool ok;
  if (kind == 1) {
    if (!site.Init().empty() && !rdr.SetModemInitString(site.Init())) {
      LogSite("Failed to set modem initialization string. " + site.Init());
      ok = false;
    } else {
      ok = rdr.OpenModemChannel(SiteBaudRate(site), site.Phone(), 1);
      if (!ok)
        LogSite("Failed to connect. Baud " + site.Baud() + ", Phone " + site.Phone());
    }
  } else {
    ok = rdr.OpenDirectChannel(SiteBaudRate(site));
    if (!ok) LogSite("Failed to connect. Baud " + site.Baud());
  }
  // An installed channel kept after a failed opening would be reused by the next site,
  // whatever port that site is on; release it.
  if (!ok) rdr.CloseChannel();
  return ok;
}

bool CloseSiteChannel() {
  TEngineState& e = Engine();
  TSite& site = *e.CurrentSite;
  TRdrDll32& rdr = *e.Rdr;
  if (site.ConnectionType() != 3) {
    rdr.CloseChannel();
    return true;
  }
  if (rdr.NetworkSessionOpen() && !rdr.CloseWsock()) {
    LogSite("Failed to close. IP address " + site.IpAddress());
    return false;
  }
  if (IEngineHost* host = EngineHost()) host->SleepMs(NetworkClosePauseMs());
  if (rdr.NetworkStarted() && !rdr.CleanupWsock()) {
    LogSite("Failed to close ethernet session");
    return false;
  }
  return true;
}

int ClockNumberOrInvalid() {
  long long n;
  // A number beyond 0..255 would reach another reader through its low 8 bits.
  if (!ParseInt(TrimBlanks(Engine().CurrentClock->Clock()), n) || n < 0 || n > 255) {
    LogInvalidClock();
    return -1;
  }
  return static_cast<int>(n);
}

bool StartClockStep() {
  int n = ClockNumberOrInvalid();
  if (n < 0) return false;
  std::uint8_t info[kHandReaderInfoSize];
  if (!Engine().Rdr->SetHandReader(n, info)) {
    LogClockNotResponding();
    return false;
  }
  ShowReaderInfo();
  return true;
}

}  // namespace zv
