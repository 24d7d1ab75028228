#include "reader/commands.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <exception>
#include <map>

#include "data/clock.h"
#include "data/clocklist.h"
#include "data/site.h"
#include "data/sitelist.h"
#include "data/userlist.h"
#include "reader/engine.h"
#include "reader/enginehost.h"
#include "reader/entryops.h"
#include "reader/polling.h"
#include "reader/preflight.h"
#include "reader/readerinfo.h"
#include "util/clock.h"
#include "util/fileio.h"
#include "util/text.h"

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
  ++Tally().NotKept;
  LogErrorOutsideOperation("Failed to save users file " + users->FileName + ": " +
                           users->LastError());
}

// Takes down what the operation of one parameter of a command-line run reports, for the
// summary; installed for that parameter and removed again, also on an error.
class TParameterRecorder : public IEngineRecorder {
 public:
  explicit TParameterRecorder(TParameterReport& report)
      : report_(report), previous_(SetEngineRecorder(this)) {}
  ~TParameterRecorder() override {
    SetEngineRecorder(previous_);
    InWalkOrder();
  }
  TParameterRecorder(const TParameterRecorder&) = delete;
  TParameterRecorder& operator=(const TParameterRecorder&) = delete;

  void FailureLine(const std::string& text) override { report_.Failures.push_back(text); }
  void ReaderDone(bool answered) override {
    ++report_.ReadersDone;
    const TClock* c = Engine().CurrentClock;
    if (!answered && c) {
      report_.NotAnswered.push_back("Site " + c->Site() + ", Clock " + c->Clock());
      notAnswered_.push_back({Engine().CurrentSite, c});
    }
  }
  void SiteNotReached() override {
    if (const TSite* s = Engine().CurrentSite) {
      report_.NotReached.push_back("Site " + s->Site());
      notReached_.push_back({s, nullptr});
    }
  }
  void Progress(const char* operation, long long count, const char* unit) override {
    std::string label = std::string(unit ? unit : "") + " (" + (operation ? operation : "") + ")";
    // Counted from 0 at each clock; a count that goes back starts again, so what was done
    // before it stays counted.
    long long& last = last_[{label, Engine().CurrentClock}];
    long long added = count >= last ? count - last : count;
    last = count;
    auto it = std::find_if(report_.Counts.begin(), report_.Counts.end(),
                           [&](const auto& c) { return c.first == label; });
    if (it == report_.Counts.end()) {
      report_.Counts.emplace_back(label, added);
    } else {
      it->second += added;
    }
  }

  // Lines worked at once end in any order: the readers and sites named in the summary are
  // put in the order of the site and clock lists, which is the order of one line at a time.
  void InWalkOrder() {
    if (notAnswered_.size() < 2 && notReached_.size() < 2) return;
    IEngineHost* host = EngineHost();
    std::map<const void*, int> at;
    for (TMyStringList* list : {static_cast<TMyStringList*>(host ? host->Sites() : nullptr),
                                static_cast<TMyStringList*>(host ? host->Clocks() : nullptr)})
      for (int i = 0; list && i < list->Count(); ++i) at.emplace(list->Objects(i), i);
    auto sort = [&at](std::vector<std::string>& names, std::vector<TPlace>& places) {
      if (names.size() != places.size() || names.size() < 2) return;
      std::vector<std::size_t> order(names.size());
      for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
      auto key = [&](std::size_t i) {
        auto s = at.find(places[i].first), c = at.find(places[i].second);
        return std::make_pair(s == at.end() ? -1 : s->second, c == at.end() ? -1 : c->second);
      };
      std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return key(a) < key(b); });
      std::vector<std::string> sorted;
      for (std::size_t i : order) sorted.push_back(names[i]);
      names = std::move(sorted);
    };
    sort(report_.NotAnswered, notAnswered_);
    sort(report_.NotReached, notReached_);
  }

 private:
  using TPlace = std::pair<const void*, const void*>;  // site, clock
  TParameterReport& report_;
  IEngineRecorder* previous_;
  std::map<std::pair<std::string, const void*>, long long> last_;
  std::vector<TPlace> notAnswered_, notReached_;
};

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
  if (!sites) {
    if (!siteText.empty()) ++Tally().SitesNotFound;
    return {};
  }
  if (siteText.empty()) return sites->GetSites();
  TSite* s = sites->FindSite(siteText);
  if (!s) {
    ++Tally().SitesNotFound;
    return {};
  }
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
    // A restore that reaches no reader is a failure for a script, as an unknown site is.
    if (sel.Site.empty()) ++Tally().SitesNotFound;
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

bool IsOperation(const std::string& command) {
  return !command.empty() && std::string("PCRDGFTX").find(command[0]) != std::string::npos;
}

bool RunCommand(const std::string& command) {
  if (!IsOperation(command)) return false;
  if (!DataFilesReady(command[0])) return true;
  const TEngineTally before = Tally();
  switch (command[0]) {
    case 'P': RunPoll(command); break;
    case 'C': RunConfig(command); break;
    case 'R':
    case 'D': RunRestore(command); break;
    case 'G':
    case 'F': RunGet(command); break;
    case 'T': RunTime(command); break;
    case 'X': RunTest(command); break;
  }
  // An empty selection is not a good night: a cron job under the wrong account sees one.
  ReportNothingReached(command, before);
  return true;
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

void RunReported(const std::string& command, TParameterReport& r) {
  IEngineHost* host = EngineHost();
  // The host's display follows the operation until it ends, also by an error.
  struct TEnded {
    IEngineHost* host;
    ~TEnded() {
      if (host) host->OperationEnded();
    }
  } ended{host};
  if (host) host->OperationStarting(command, r);
  TEngineTally before = Tally();
  try {
    TParameterRecorder recorder(r);
    r.Operation = IsOperation(command);
    RunCommand(command);
  } catch (const std::exception& e) {
    r.Escaped = e.what();
    r.Tally = TallySince(before, Tally());
    throw;
  } catch (...) {
    r.Escaped = "Unknown error";
    r.Tally = TallySince(before, Tally());
    throw;
  }
  r.Tally = TallySince(before, Tally());
}

void RunCommandLineParameters(const std::vector<std::string>& params, int delay,
                              bool& commandLineRun, TRunReport* report) {
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
    TParameterReport local;
    if (report) report->Parameters.emplace_back();
    TParameterReport& r = report ? report->Parameters.back() : local;
    r.Parameter = param;
    try {
      RunReported(command, r);
    } catch (...) {
      // The parameters after one that an error stopped are in the summary too, as not run.
      for (std::size_t k = i + 1; report && k < params.size(); ++k) {
        report->Parameters.emplace_back();
        report->Parameters.back().Parameter = params[k];
        report->Parameters.back().NotRun = true;
      }
      throw;
    }
    if (r.Operation) log("Summary: " + r.Outcome());
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

std::string CreateCommandLineLogFile(const std::string& dataPath, std::string* error) {
  const std::string stem = CommandLineLogName().substr(0, 15);
  for (int n = 1; n < 1000; ++n) {
    std::string name = dataPath + stem + (n == 1 ? "" : "-" + std::to_string(n)) + ".log";
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return name;
    }
    if (errno != EEXIST) break;
  }
  if (error) *error = std::strerror(errno);
  return std::string();
}

bool WriteCommandLineLog(const std::string& fileName, const std::vector<std::string>& lines,
                         std::string* error) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return WriteFileAtomic(fileName, text, error);
}

namespace {

std::string Plural(long long n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// How many failure lines of one parameter the summary lists; the rest are in Error.Log.
constexpr std::size_t kListedFailures = 20;

// " (Site 1, Clock 2; Site 3, Clock 1)": the readers or sites named, the first ones of many.
std::string Named(const std::vector<std::string>& names) {
  if (names.empty()) return "";
  std::string out = " (";
  for (std::size_t k = 0; k < names.size() && k < kListedFailures; ++k)
    out += (k ? "; " : "") + names[k];
  if (names.size() > kListedFailures)
    out += "; " + std::to_string(names.size() - kListedFailures) + " more";
  return out + ")";
}

}  // namespace

int TRunReport::ExitStatus() const {
  bool failed = false;
  if (!NotSaved.empty() || !LockRefused.empty()) return 2;
  for (const TParameterReport& p : Parameters) {
    if (!p.Operation || p.NotRun || !p.Escaped.empty() || p.Tally.NotStarted > 0 ||
        p.Tally.NotKept > 0)
      return 2;
    if (p.Tally.FailureLines > 0 || p.Tally.SitesNotFound > 0) failed = true;
  }
  return failed ? 1 : 0;
}

std::string TParameterReport::Outcome() const {
  const TEngineTally& t = Tally;
  std::vector<std::string> parts;
  if (NotRun) {
    parts.push_back("not run");
  } else if (!Operation) {
    parts.push_back("not an operation, nothing run");
  } else {
    bool readers = t.ReadersAnswered + t.ReadersFailed > 0;
    if (t.NotStarted > 0) {
      parts.push_back("did not start");
    } else if (t.SitesNotFound > 0) {
      parts.push_back("site not found");
    } else if (Escaped.empty()) {
      readers = true;
    }
    if (readers) {
      parts.push_back(Plural(t.ReadersAnswered, "reader answered", "readers answered"));
      if (t.ReadersFailed > 0)
        parts.push_back(std::to_string(t.ReadersFailed) + " did not" + Named(NotAnswered));
    }
    if (t.LocalFailures > 0)
      parts.push_back(Plural(t.LocalFailures, "local failure", "local failures"));
    if (t.SitesNotReached > 0)
      parts.push_back(Plural(t.SitesNotReached, "site not reached", "sites not reached") +
                      Named(NotReached));
    for (const auto& c : Counts) {
      // The units are plural words ("users", "transactions"): one of them is singular.
      std::string label = c.first;
      std::size_t s = label.find(" (");
      if (c.second == 1 && s != std::string::npos && s > 0 && label[s - 1] == 's')
        label.erase(s - 1, 1);
      parts.push_back(std::to_string(c.second) + " " + label);
    }
    if (t.NotKept > 0) parts.push_back("results not saved");
    if (t.FailureLines > 0)
      parts.push_back(Plural(t.FailureLines, "failure line", "failure lines"));
  }
  if (!Escaped.empty()) parts.push_back("stopped by an error: " + Escaped);
  std::string out;
  for (std::size_t k = 0; k < parts.size(); ++k) out += (k ? ", " : "") + parts[k];
  return out;
}

std::string TRunReport::ParameterSummary(std::size_t index) const {
  const TParameterReport& p = Parameters.at(index);
  std::string out = "#" + std::to_string(index + 1) + " " + p.Parameter + ": " + p.Outcome() + "\n";
  // Lines that Error.Log could not take are listed all: this is their only record.
  const bool inErrorLog = p.Tally.NotInErrorLog == 0;
  const std::size_t listed = inErrorLog ? kListedFailures : p.Failures.size();
  for (std::size_t k = 0; k < p.Failures.size() && k < listed; ++k)
    out += "    " + p.Failures[k] + "\n";
  if (p.Failures.size() > listed)
    out += "    ... " + std::to_string(p.Failures.size() - listed) + " more in " + DataPath +
           "Error.Log\n";
  return out;
}

std::string TRunReport::StatusLine() const {
  int status = ExitStatus();
  static const char* const kMeaning[] = {"every operation ran without a failure",
                                         "some operation reported a failure",
                                         "parameters not run or results not kept"};
  std::string out = "Exit status " + std::to_string(status) + ": " + kMeaning[status];
  bool failureLines = false, missing = false;
  for (const TParameterReport& p : Parameters) {
    failureLines = failureLines || p.Tally.FailureLines > 0;
    missing = missing || p.Tally.NotInErrorLog > 0;
  }
  if (missing) {
    out += " (" + DataPath + "Error.Log could not be written; the failure lines are above)";
  } else if (failureLines) {
    out += " (see " + DataPath + "Error.Log)";
  }
  return out + "\n";
}

std::string TRunReport::Summary() const {
  std::string out;
  if (!LockRefused.empty()) out += "Not run: " + LockRefused + "\n";
  for (std::size_t i = 0; i < Parameters.size(); ++i) out += ParameterSummary(i);
  for (const std::string& s : NotSaved) out += "Not saved: " + s + "\n";
  if (!LogFile.empty()) out += "Log of the run: " + LogFile + "\n";
  return out + StatusLine();
}

}  // namespace zv
