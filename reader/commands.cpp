#include "reader/commands.h"

#include <cstdio>
#include <ctime>

#include "reader/engine.h"
#include "reader/enginehost.h"
#include "reader/entryops.h"
#include "reader/polling.h"
#include "reader/readerinfo.h"
#include "reader/records.h"
#include "util/fileio.h"
#include "util/text.h"
#include "util/clock.h"

namespace zv {

namespace {

// Characters below code 33 go at both ends.
std::string TrimControls(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) < 33) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) < 33) --e;
  return s.substr(b, e - b);
}

// Integer value back to decimal text; anything that is not a number counts as 0.
std::string AsNumberText(const std::string& s) {
  return std::to_string(StrToIntDef(TrimBlanks(s), 0));
}

std::string SelectionOf(const std::string& command) {
  return TrimControls(command.empty() ? std::string() : command.substr(1));
}

using TEntry = bool (*)(const std::vector<TSite*>&, const std::string&);

// Polling and getting add users; losing them unnoticed would lose them for good.
void SaveUsers() {
  IEngineHost* host = EngineHost();
  TUserList* users = host ? host->Users() : nullptr;
  if (!users || users->Save()) return;
  LogErrorOutsideOperation("Failed to save users file " + users->FileName + ": " +
                           users->LastError());
}

}  // namespace

TSelection ParseSelection(const std::string& input) {
  TSelection r;
  std::string text = TrimControls(input);
  std::size_t h = text.find('#');
  if (text.size() > 3 || h != std::string::npos) {
    if (h == std::string::npos) {
      r.Clock = AsNumberText(text.substr(3));
      text = TrimControls(text.substr(0, 3));
    } else {
      r.Site = text.substr(0, h);
      r.Clock = AsNumberText(text.substr(h + 1));
      text.clear();
    }
  }
  if (!text.empty()) r.Site = AsNumberText(text);
  if (r.Site.empty() && !r.Clock.empty()) r.Clock.clear();
  return r;
}

std::vector<TSite*> ResolveSites(const std::string& siteText) {
  IEngineHost* host = EngineHost();
  TSiteList* sites = host ? host->Sites() : nullptr;
  if (!sites) return {};
  if (siteText.empty()) return SitesOf(*sites);
  TSite* s = FindSiteIn(*sites, siteText);
  if (!s) return {};
  return {s};
}

void RunPoll(const std::string& command) {
  TSelection sel = ParseSelection(SelectionOf(command));
  std::vector<TSite*> sites = ResolveSites(sel.Site);
  if (!sel.Site.empty() && sites.empty() && EngineHost())
    EngineHost()->AddLogLine("Site not found " + sel.Site);
  PollSites(sites, sel.Clock);
  SaveUsers();
}

void RunConfig(const std::string& command) {
  TSelection sel = ParseSelection(SelectionOf(command));
  ConfigureSites(ResolveSites(sel.Site), sel.Clock);
}

void RunRestore(const std::string& command) {
  std::string variant = TrimControls(command.substr(0, 1));
  TEntry entry = variant == "R" ? RestoreUsersSites : RestoreFullSites;
  TSelection sel = ParseSelection(SelectionOf(command));
  std::vector<TSite*> sites = ResolveSites(sel.Site);
  if (sites.empty()) {
    if (EngineHost()) EngineHost()->AddLogLine("No sites found.");
    return;
  }
  entry(sites, sel.Clock);
}

void RunGet(const std::string& command) {
  std::string variant = TrimControls(command.substr(0, 1));
  TEntry entry = variant == "G" ? GetUsersSites : GetFullSites;
  TSelection sel = ParseSelection(SelectionOf(command));
  entry(ResolveSites(sel.Site), sel.Clock);
  SaveUsers();
}

void RunTime(const std::string& command) {
  TSelection sel = ParseSelection(SelectionOf(command));
  SetTimeSites(ResolveSites(sel.Site), sel.Clock);
}

void RunTest(const std::string& command) {
  TSelection sel = ParseSelection(SelectionOf(command));
  TestSites(ResolveSites(sel.Site), sel.Clock);
}

bool RunCommand(const std::string& command) {
  if (command.empty()) return false;
  switch (command[0]) {
    case 'P': RunPoll(command); return true;
    case 'C': RunConfig(command); return true;
    case 'R':
    case 'D': RunRestore(command); return true;
    case 'G':
    case 'F': RunGet(command); return true;
    case 'T': RunTime(command); return true;
    case 'X': RunTest(command); return true;
    default: return false;
  }
}

std::string SelectionFromChoice(const std::string& siteText, const std::string& clockText,
                                bool* clockWithoutSite) {
  std::string sitePart, clockPart;
  long long n;
  if (siteText != "All") {
    if (ParseInt(WordAt(1, siteText, " "), n) && n >= 0) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.3lld", n);
      sitePart = buf;
      if (clockText != "All" && ParseInt(WordAt(1, clockText, " "), n) && n >= 0) {
        std::snprintf(buf, sizeof buf, "%.2lld", n);
        clockPart = buf;
      }
    }
  }
  if (clockWithoutSite) *clockWithoutSite = sitePart.empty() && !clockPart.empty();
  return sitePart + clockPart;
}

void RunCommandLineParameters(const std::vector<std::string>& params, int delay,
                              bool& commandLineRun) {
  IEngineHost* host = EngineHost();
  auto log = [&](const std::string& s) {
    if (host) host->AddLogLine(s);
  };
  for (std::size_t i = 0; i < params.size(); ++i) {
    const std::string& param = params[i];
    std::string n = std::to_string(i + 1);
    commandLineRun = true;
    log("Running command line paramter #" + n + ", " + param);
    std::string command = TrimControls(param);
    for (char& c : command)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    RunCommand(command);
    log("Finished processing command line paramter #" + n + ", " + param);
    log("Waiting " + std::to_string(delay) + " seconds between commands.");
    // Each second of the pause in tenths, so that the window repaints and answers promptly.
    for (int t = 0; host && t < delay * 10; ++t) {
      host->ProcessMessages();
      host->SleepMs(100);
    }
  }
}

std::string CommandLineLogName() {
  std::tm t = LocalNow();
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &t);
  return std::string(buf) + ".log";
}

bool WriteCommandLineLog(const std::string& fileName, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return WriteFileAtomic(fileName, text);
}

}  // namespace zv
