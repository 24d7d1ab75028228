// Command strings: the selection parser, the dialog's selection text, the runners' site
// resolving, and the command-line loop with its lines and pauses.
#include "reader/commands.h"

#include <algorithm>
#include <numeric>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "reader/fake/fakehost.h"

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
  EXPECT_TRUE(RunCommand("X"));
  EXPECT_TRUE(RunCommand("R"));
  EXPECT_THAT(Host.Lines, ElementsAre("No sites found."));
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

TEST_F(RunnersTest, CommandLineLogFile) {
  std::string name = CommandLineLogName();
  ASSERT_EQ(name.size(), 19u);
  EXPECT_EQ(name.substr(8, 1), "-");
  EXPECT_EQ(name.substr(15), ".log");
  ASSERT_TRUE(WriteCommandLineLog(Dir + name, {"Sites loaded", "", "Done"}));
  EXPECT_EQ(ReadFile(name), "Sites loaded\r\n\r\nDone\r\n");
  EXPECT_FALSE(WriteCommandLineLog(Dir + "no/dir/" + name, {"x"}));
}

}  // namespace
}  // namespace zv::test
