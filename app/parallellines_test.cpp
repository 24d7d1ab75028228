// How many lines a run works at once: the option before the operations, and the
// ParallelLines setting it overrides.
#include <gtest/gtest.h>

#include "app/apptest.h"
#include "app/startup.h"

namespace zv {
namespace {

TEST(ParallelLinesOption, IsReadBeforeTheOperationsOnly) {
  using V = std::vector<std::string>;
  struct Case { V in; bool ok; int lines; V operations; };
  const Case cases[] = {
      {{"P", "X"}, true, 0, {"P", "X"}},
      {{"--parallel-lines", "8", "P"}, true, 8, {"P"}},
      {{"--parallel-lines=3", "X1", "P"}, true, 3, {"X1", "P"}},
      {{"--quiet", "--parallel-lines", "2", "P"}, true, 2, {"P"}},
      // After the first operation nothing is an option.
      {{"P", "--parallel-lines", "4"}, true, 0, {"P", "--parallel-lines", "4"}},
      {{"--parallel-lines", "64"}, true, 64, {}},
      {{"--parallel-lines"}, false, 0, {}},
      {{"--parallel-lines", "0", "P"}, false, 0, {}},
      {{"--parallel-lines", "65", "P"}, false, 0, {}},
      {{"--parallel-lines", "P"}, false, 0, {}},
      {{"--parallel-lines=", "P"}, false, 0, {}},
  };
  for (const Case& c : cases) {
    TCommandLine line = ParseCommandLine(c.in);
    std::string what = ::testing::PrintToString(c.in);
    EXPECT_EQ(c.ok, line.Request == TStartRequest::Run) << what;
    if (c.ok) {
      EXPECT_EQ(c.lines, line.ParallelLines) << what;
      EXPECT_EQ(c.operations, line.Operations) << what;
    } else {
      EXPECT_NE(std::string::npos, line.Error.find("--parallel-lines")) << what;
    }
  }
}

class ParallelLinesSetting : public TAppTest {};

TEST_F(ParallelLinesSetting, IsClampedAndDefaulted) {
  struct Case { const char* text; int want; };
  for (Case c : {Case{nullptr, 1}, Case{"", 1}, Case{"abc", 1}, Case{"0", 1}, Case{"-3", 1},
                 Case{"8", 8}, Case{"64", 64}, Case{"1000", 64}}) {
    WriteSettings(c.text ? std::string("[Zorvan32]\r\nParallelLines=") + c.text + "\r\n" : "");
    auto w = NewWindow();
    EXPECT_EQ(w->ParallelLines, c.want) << (c.text ? c.text : "(absent)");
  }
}

}  // namespace
}  // namespace zv
