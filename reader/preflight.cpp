#include "reader/preflight.h"

#include "data/clocklist.h"
#include "data/grouplist.h"
#include "data/sitelist.h"
#include "data/userlist.h"
#include "data/zvcfglist.h"
#include "reader/commands.h"
#include "reader/enginehost.h"

namespace zv {

namespace {

enum class TUse {
  Look,  // looked in: read short, the operation goes on without what was not read
  Keep,  // added to: read short, the save is refused and the additions kept aside
  Send,  // sent to readers: read short, the operation does not start
};

struct TNeed {
  const char* name;
  TUse use;
};

std::vector<TNeed> NeedsOf(char operation) {
  std::vector<TNeed> needs = {{"site.txt", TUse::Look}, {"clock.txt", TUse::Look}};
  switch (operation) {
    case 'P':
    case 'G':
    case 'F':
      needs.push_back({"user.txt", TUse::Keep});
      break;
    case 'R':
      // Restoring clears a reader first: a user missing from the lists is taken off it.
      needs.push_back({"user.txt", TUse::Send});
      needs.push_back({"group.txt", TUse::Send});
      break;
    case 'D':
      needs.push_back({"user.txt", TUse::Send});
      break;
    case 'C':
      // A reader whose section was not read would get the default passwords.
      needs.push_back({"zv.cfg", TUse::Send});
      break;
    default:
      break;
  }
  return needs;
}

const TMyStringList* ListOf(const IEngineHost& host, const std::string& name) {
  if (name == "site.txt") return host.Sites();
  if (name == "clock.txt") return host.Clocks();
  if (name == "user.txt") return host.Users();
  if (name == "group.txt") return host.Groups();
  if (name == "zv.cfg") return host.Configs();
  return nullptr;
}

}  // namespace

bool DataFilesReady(char operation) {
  IEngineHost* host = EngineHost();
  if (!host) return true;
  bool ready = true;
  for (const TNeed& need : NeedsOf(operation)) {
    const std::string why = host->LoadFailure(need.name);
    if (!why.empty()) {
      LogErrorOutsideOperation(why);
      ready = false;
      continue;
    }
    const TMyStringList* list = ListOf(*host, need.name);
    if (!list || list->ReadShort().empty() || need.use == TUse::Keep) continue;
    const std::string line = list->FileName + " was " + list->ReadShort();
    if (need.use == TUse::Send) {
      LogErrorOutsideOperation(line + ": nothing is sent from it until it is mended");
      ready = false;
    } else {
      LogErrorOutsideOperation(line + ": what follows is left out");
    }
  }
  if (!ready) ++Tally().NotStarted;
  return ready;
}

void ReportNothingReached(const std::string& command, const TEngineTally& before) {
  const TEngineTally d = TallySince(before, Tally());
  if (d.ReadersAnswered + d.ReadersFailed > 0 || d.FailureLines > 0 || d.NotStarted > 0) return;
  // A named site that is not there is reported as such ("site not found", status 1).
  if (!ParseSelection(command.empty() ? std::string() : command.substr(1)).Site.empty()) return;
  IEngineHost* host = EngineHost();
  const std::string file = (host ? host->DataPath() : std::string()) + "site.txt";
  LogErrorOutsideOperation("No readers selected: " + file +
                           (host && host->Sites() ? " lists no sites" : " is not loaded"));
}

}  // namespace zv
