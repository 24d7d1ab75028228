#include "reader/walks.h"

#include <cstdlib>

#include "reader/engine.h"
#include "reader/enginehost.h"
#include "reader/readerinfo.h"
#include "reader/records.h"
#include "util/text.h"

namespace zv {

namespace {

// Pause between closing a network session and the network clean-up. Tests may shorten it.
int NetworkClosePauseMs() {
  const char* v = std::getenv("ZV_WSOCK_CLOSE_PAUSE_MS");
  return v ? static_cast<int>(StrToIntDef(v, 150)) : 150;
}

}  // namespace

void WalkSites(const std::vector<TSite*>& sites, const std::string& clock, TClockStep step) {
  TEngineState& e = Engine();
  IEngineHost* host = EngineHost();
  TClockList* clocks = host ? host->Clocks() : nullptr;
  for (TSite* site : sites) {
    e.CurrentSite = site;
    e.CurrentClock = nullptr;
    if (!clocks || !SiteHasClocksIn(*clocks, SiteNo(*site))) {
      LogSite("No readers defined");
      ReportSiteNotReached();
    } else if (OpenSiteChannel()) {
      WalkClocks(clock, step);
      CloseSiteChannel();
    } else {
      ReportSiteNotReached();
    }
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
  std::string site = SiteNo(*e.CurrentSite);
  std::vector<TClock*> todo;
  // An empty selection means every clock, even when a hand-edited line has an empty number.
  TClock* found = clock.empty() ? nullptr : FindClockOf(*clocks, site, clock);
  if (found) {
    todo.push_back(found);
  } else if (clock.empty()) {
    todo = ClocksOf(*clocks, site);
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
  if (!ParseInt(TrimBlanks(SitePort(site)), port)) return 0;
  return static_cast<int>(port - 1);
}

int SiteBaudRate(const TSite& site) {
  long long baud;
  if (!ParseInt(TrimBlanks(SiteBaud(site)), baud)) return 9600;
  return static_cast<int>(baud);
}

bool OpenSiteChannel() {
  TEngineState& e = Engine();
  TSite& site = *e.CurrentSite;
  TRdrDll32& rdr = *e.Rdr;
  int kind = SiteConnectionType(site);
  if (kind == 3) {
    if (!rdr.StartupWsock()) {
      LogSite("Failed to start ethernet session.");
      return false;
    }
    if (!rdr.InitWsock(SiteIpAddress(site), "3001")) {
      LogSite("Failed to connect. IP address " + SiteIpAddress(site));
      // Leave the network as we found it for the next site.
      rdr.CleanupWsock();
      return false;
    }
    return true;
  }
  if (!rdr.InstallChannel(SitePortIndex(site))) {
    LogSite("Failed to initialize COM Port. COM Port " + SitePort(site));
    return false;
  }
  bool ok;
  if (kind == 1) {
    if (!SiteInit(site).empty() && !rdr.SetModemInitString(SiteInit(site))) {
      LogSite("Failed to set modem initialization string. " + SiteInit(site));
      ok = false;
    } else {
      ok = rdr.OpenModemChannel(SiteBaudRate(site), SitePhone(site), 1);
      if (!ok)
        LogSite("Failed to connect. Baud " + SiteBaud(site) + ", Phone " + SitePhone(site));
    }
  } else {
    ok = rdr.OpenDirectChannel(SiteBaudRate(site));
    if (!ok) LogSite("Failed to connect. Baud " + SiteBaud(site));
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
  if (SiteConnectionType(site) != 3) {
    rdr.CloseChannel();
    return true;
  }
  if (rdr.NetworkSessionOpen() && !rdr.CloseWsock()) {
    LogSite("Failed to close. IP address " + SiteIpAddress(site));
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
  if (!ParseInt(TrimBlanks(ClockNo(*Engine().CurrentClock)), n) || n < 0 || n > 255) {
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
