#include "reader/entryops.h"

#include <ctime>

#include "reader/configtime.h"
#include "reader/engine.h"
#include "reader/enginehost.h"
#include "reader/userdb.h"
#include "reader/walks.h"
#include "util/fileio.h"
#include "util/clock.h"

namespace zv {

namespace {

std::string DataPath() { return EngineHost() ? EngineHost()->DataPath() : std::string(); }
std::string PunchPath() { return EngineHost() ? EngineHost()->PunchPath() : std::string(); }

bool RunWalk(const std::vector<TSite*>& sites, const std::string& clock, TClockStep step,
             bool linesAtOnce = true) {
  WalkSites(sites, clock, step, linesAtOnce);
  return true;
}

// Getting (G, F) works one line at a time: it writes each user's record to user.dat and the
// users list as it arrives, and when two readers hold one user with different templates,
// which one is kept must not depend on which line happened to answer last. Restoring only
// reads them, so its lines may work at once.
bool UserDatabaseOperation(const std::vector<TSite*>& sites, const std::string& clock,
                           const char* createVerb, TClockStep step, bool linesAtOnce) {
  if (!EngineOpen()) return false;
  TEngineSession session;
  if (!OpenUserFiles(createVerb)) return false;
  return RunWalk(sites, clock, step, linesAtOnce);
}

}  // namespace

std::string DailyLogName() {
  std::tm t = LocalNow();
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d", &t);
  return std::string(buf) + ".log";
}

void OpenPollFiles() {
  TEngineState& e = Engine();
  e.PunchLog = std::make_unique<TMyFileStream>(PunchPath() + "Punch.Log");
  e.DailyLog = std::make_unique<TMyFileStream>(PunchPath() + DailyLogName());
  e.TransFile = std::make_unique<TMyFileStream>(DataPath() + "trans.dat");
  // A line cut short by a power cut must not swallow the first line of this run.
  for (TMyFileStream* f : {e.PunchLog.get(), e.DailyLog.get(), e.TransFile.get(), e.SysLog.get()})
    if (f) f->EndLastLine();
}

bool OpenUserFiles(const char* createVerb) {
  TEngineState& e = Engine();
  e.UserStore = std::make_unique<TUserStore>(DataPath() + "user.dat");
  e.SeenIds = std::make_unique<std::vector<std::string>>();
  std::string idx = DataPath() + "user.idx";
  switch (e.UserStore->LoadIndex(idx)) {
    case TUserStore::TIndexLoad::Ok:
      return true;
    case TUserStore::TIndexLoad::CannotCreate:
      LogErrorPlain(std::string("Failed to ") + createVerb + " user index file " + idx);
      return false;
    case TUserStore::TIndexLoad::CannotRead:
      break;
  }
  LogErrorPlain("Failed to load user index file " + idx);
  return false;
}

bool ConfigureSites(const std::vector<TSite*>& sites, const std::string& clock) {
  if (!EngineOpen()) return false;
  TEngineSession session;
  return RunWalk(sites, clock, ConfigureClock);
}

bool SetTimeSites(const std::vector<TSite*>& sites, const std::string& clock) {
  if (!EngineOpen()) return false;
  TEngineSession session;
  return RunWalk(sites, clock, SetTimeClock);
}

bool RestoreUsersSites(const std::vector<TSite*>& sites, const std::string& clock) {
  return UserDatabaseOperation(sites, clock, "create", RestoreUsersClock, true);
}

bool RestoreFullSites(const std::vector<TSite*>& sites, const std::string& clock) {
  return UserDatabaseOperation(sites, clock, "create", RestoreFullClock, true);
}

bool GetUsersSites(const std::vector<TSite*>& sites, const std::string& clock) {
  return UserDatabaseOperation(sites, clock, "open", GetUsersClock, false);
}

bool GetFullSites(const std::vector<TSite*>& sites, const std::string& clock) {
  return UserDatabaseOperation(sites, clock, "open", GetFullClock, false);
}

}  // namespace zv
