// Command strings: the selection parser, the dialog's selection text, the runners' site
// resolving, and the command-line loop with its lines and pauses.
#include "reader/commands.h"

#include <algorithm>
#include <numeric>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>
#include <regex>

#include "data/userlist.h"
#include "reader/testing/fakehost.h"
#include "util/fileio.h"

namespace zv::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

std::pair<std::string, std::string> P(const std::string& s) {
  TSelection r = ParseSelection(s);
  return {r.Site, r.Clock};
}

TEST(ParseSelection, Forms) {
  using R = std::pair<std::string, std::string>;
  EXPECT_EQ(P(""), R("", ""));
  EXPECT_EQ(P("12"), R("12", ""));
  EXPECT_EQ(P("007"), R("7", ""));
  EXPECT_EQ(P("00102"), R("1", "2"));
  EXPECT_EQ(P("1234"), R("123", "4"));
  EXPECT_EQ(P("12#3"), R("12", "3"));
  EXPECT_EQ(P("012#3"), R("012", "3"));
  EXPECT_EQ(P("#3"), R("", ""));
  EXPECT_EQ(P("1#"), R("1", "0"));
  EXPECT_EQ(P("ABC"), R("0", ""));
  EXPECT_EQ(P("12a"), R("0", ""));
  EXPECT_EQ(P("001xy"), R("1", "0"));
  EXPECT_EQ(P("  \t12\r\n"), R("12", ""));
  EXPECT_EQ(P(" 1 #2#3"), R("1 ", "0"));  // the site part is kept as written
  EXPECT_EQ(P("1 2"), R("0", ""));
  EXPECT_EQ(P("00199999999999999999999"), R("1", "0"));
}

TEST(SelectionFromChoice, FixedWidthForms) {
  bool bad = true;
  EXPECT_EQ(SelectionFromChoice("All", "All", &bad), "");
  EXPECT_FALSE(bad);
  EXPECT_EQ(SelectionFromChoice("7", "3", &bad), "00703");
  EXPECT_EQ(SelectionFromChoice("123", "12", &bad), "12312");
  EXPECT_EQ(SelectionFromChoice("007", "All", &bad), "007");
  EXPECT_EQ(SelectionFromChoice("1234", "100", &bad), "1234100");
  EXPECT_EQ(SelectionFromChoice("abc", "3", &bad), "");
  EXPECT_FALSE(bad);
  EXPECT_EQ(SelectionFromChoice("5", "A", &bad), "005");
}

class RunnersTest : public EngineTest {};

TEST_F(RunnersTest, SiteNotFoundAndNoSitesFound) {
  LoadSites({"007, , , , , , 0, 127.0.0.2, net"});
  LoadClocks({"007, 1"});
  EXPECT_TRUE(RunCommand("P007"));
  EXPECT_TRUE(RunCommand("PABC"));
  EXPECT_TRUE(RunCommand("R999"));
  EXPECT_TRUE(RunCommand("D"));  // finds the site
  EXPECT_THAT(Host.Lines,
              ElementsAre("Site not found 7", "Site not found 0", "No sites found.",
                          "Site 007, Clock 1: Model ZV4K, Medium 256K",
                          // no users file loaded here: the reader is left alone
                          "Site 007, Clock 1: Failed to download user templates"));
  EXPECT_EQ(Fake.count("rdrStartupWsock"), 1);
  Host.Lines.clear();
  // Only the "#" form reaches a site stored with leading zeros.
  EXPECT_TRUE(RunCommand("X007#1"));
  EXPECT_THAT(Host.Lines.back(), "Site 007, Clock 1: responded.");
  EXPECT_FALSE(RunCommand("Q1"));
  EXPECT_FALSE(RunCommand(""));
}

TEST_F(RunnersTest, SitesNotLoadedMeansNoSites) {
  const TEngineTally before = Tally();
  EXPECT_TRUE(RunCommand("X"));
  EXPECT_TRUE(RunCommand("R"));
  // Nothing to do is a failure line, not a good night.
  const std::string none = "No readers selected: " + Dir + "site.txt is not loaded";
  EXPECT_THAT(Host.Lines, ElementsAre(none, "No sites found.", none));
  EXPECT_EQ(TallySince(before, Tally()).FailureLines, 2);
  EXPECT_EQ(Calls(), "");
}

TEST_F(RunnersTest, CommandLineLinesAndPauses) {
  LoadSites({"1, , , , , , 0, 127.0.0.2, net"});
  LoadClocks({"1, 2"});
  bool run = false;
  RunCommandLineParameters({"x00102", " zz "}, 3, run);
  EXPECT_TRUE(run);
  EXPECT_THAT(Host.Lines,
              ElementsAre("Running command line paramter #1, x00102",
                          "Site 1, Clock 2: Testing communications.",
                          "Site 1, Clock 2: Model ZV4K, Medium 256K", "Site 1, Clock 2: responded.",
                          "Summary: 1 reader answered",
                          "Finished processing command line paramter #1, x00102",
                          "Waiting 3 seconds between commands.",
                          "Running command line paramter #2,  zz ",
                          "Finished processing command line paramter #2,  zz ",
                          "Waiting 3 seconds between commands."));
  // Six seconds of pause (and the network close pause), with events processed throughout.
  EXPECT_EQ(std::accumulate(Host.Slept.begin(), Host.Slept.end(), 0), 6000 + 150);
  EXPECT_GE(Host.Processed, 60);

  bool none = false;
  RunCommandLineParameters({}, 3, none);
  EXPECT_FALSE(none);
}

// What a script sees of a command-line run: the exit status and the summary, for each kind
// of outcome. The summary is compared whole.
TEST_F(RunnersTest, ExitStatusAndSummaryOfACommandLineRun) {
  LoadSites({"1, , , , , , 0, 127.0.0.2, net"});
  LoadClocks({"1, 2", "1, 5"});
  Fake.set_reader(5, 0, 0, 0);  // offline
  const std::string err = " (see " + Dir + "Error.Log)";
  struct TCase {
    std::vector<std::string> params;
    bool usersUnsaveable;
    int status;
    std::string summary;
  };
  const TCase cases[] = {
      {{"x1#2"}, false, 0,
       "#1 x1#2: 1 reader answered\n"
       "Exit status 0: every operation ran without a failure\n"},
      {{"X1", "X9"}, false, 1,
       "#1 X1: 1 reader answered, 1 did not (Site 1, Clock 5), 1 failure line\n"
       "    Site 1, Clock 5: Clock is not responding\n"
       "#2 X9: site not found\n"
       "Exit status 1: some operation reported a failure" + err + "\n"},
      {{"R9"}, false, 1,
       "#1 R9: site not found\n"
       "Exit status 1: some operation reported a failure\n"},
      {{" q ", ""}, false, 2,
       "#1  q : not an operation, nothing run\n"
       "#2 : not an operation, nothing run\n"
       "Exit status 2: parameters not run or results not kept\n"},
      {{"P1#2"}, true, 2,
       "#1 P1#2: 1 reader answered, 0 transactions (Poll), results not saved, 1 failure line\n"
       "    Failed to save users file " + Dir + "gone/user.txt: cannot create a temporary file "
       "beside " + Dir + "gone/user.txt: No such file or directory\n"
       "Exit status 2: parameters not run or results not kept" + err + "\n"},
  };
  for (const TCase& c : cases) {
    if (c.usersUnsaveable) {
      ASSERT_TRUE(ForceDirectories(Dir + "gone"));
      Host.UserList = std::make_unique<TUserList>(Dir + "gone/user.txt");
      ASSERT_EQ(std::system(("rm -r '" + Dir + "gone'").c_str()), 0);
    }
    TRunReport report;
    report.DataPath = Dir;
    bool run = false;
    RunCommandLineParameters(c.params, 1, run, &report);
    EXPECT_EQ(report.ExitStatus(), c.status) << c.params[0];
    EXPECT_EQ(report.Summary(), c.summary);
    Host.UserList.reset();
  }
  // Counts that operations report: counted from 0 at each clock, summed over the clocks, a
  // count that starts again adding to what came before.
  struct TCountingHost : TFakeHost {
    void AddLogLine(const std::string& text) override {
      TFakeHost::AddLogLine(text);
      if (text.find("Testing communications.") == std::string::npos) return;
      for (long long n : {2, 5, 3}) ReportProgress("Poll", n, "transactions");
      ReportProgress("Get", 1, "users");
    }
  } counting;
  counting.Data = Host.Data;
  counting.SiteList = std::move(Host.SiteList);
  counting.ClockList = std::move(Host.ClockList);
  SetEngineHost(&counting);
  TRunReport counted;
  bool run = false;
  RunCommandLineParameters({"X1"}, 1, run, &counted);
  SetEngineHost(&Host);
  ASSERT_EQ(counted.Parameters.size(), 1u);
  EXPECT_THAT(counted.Parameters[0].Counts,
              ElementsAre(std::pair<std::string, long long>("transactions (Poll)", 16),
                          std::pair<std::string, long long>("users (Get)", 2)));
  EXPECT_THAT(counted.Summary(), HasSubstr("#1 X1: 1 reader answered, 1 did not (Site 1, Clock 5), "
                                           "16 transactions (Poll), 2 users (Get), 1 failure line\n"));

  // What could not be kept at the close makes it 2 as well, and is said.
  TRunReport report;
  report.NotSaved.push_back("command-line log /x/20260101-000000.log: Permission denied");
  EXPECT_EQ(report.ExitStatus(), 2);
  EXPECT_THAT(report.Summary(), HasSubstr("Not saved: command-line log /x/"));
}

TEST_F(RunnersTest, CommandLineLogFile) {
  std::string name = CommandLineLogName();
  ASSERT_EQ(name.size(), 19u);
  EXPECT_EQ(name.substr(8, 1), "-");
  EXPECT_EQ(name.substr(15), ".log");
  ASSERT_TRUE(WriteCommandLineLog(Dir + name, {"Sites loaded", "", "Done"}));
  EXPECT_EQ(ReadFile(name), "Sites loaded\r\n\r\nDone\r\n");
  EXPECT_FALSE(WriteCommandLineLog(Dir + "no/dir/" + name, {"x"}));

  // Runs ending in the same second each get a log of their own.
  std::set<std::string> made;
  for (int i = 0; i < 3; ++i) {
    std::string made1 = CreateCommandLineLogFile(Dir);
    EXPECT_TRUE(std::regex_match(made1, std::regex(".*/[0-9]{8}-[0-9]{6}(-[0-9]+)?\\.log")))
        << made1;
    EXPECT_EQ(ReadFile(made1), "");
    made.insert(made1);
  }
  EXPECT_EQ(made.size(), 3u);
  std::string error;
  EXPECT_EQ(CreateCommandLineLogFile(Dir + "no/dir/", &error), "");
  EXPECT_EQ(error, "No such file or directory");
}

}  // namespace
}  // namespace zv::test
