#include "util/text.h"

#include <gtest/gtest.h>

namespace zv {

TEST(TextTest, TrimBlanksRemovesControlCharactersAtBothEnds) {
  EXPECT_EQ(TrimBlanks(" \t\x01 ab c\r\n"), "ab c");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(std::string(300, 'x')).size(), 255u);
}

TEST(TextTest, PaddingNeverCuts) {
  EXPECT_EQ(PadLeft("12", 5), "   12");
  EXPECT_EQ(PadLeft("12", 5, '0'), "00012");
  EXPECT_EQ(PadLeft("123456", 5), "123456");
  EXPECT_EQ(PadRight("ab", 4), "ab  ");
  EXPECT_EQ(PadRight("abcde", 4), "abcde");
}

TEST(TextTest, CentrePutsTheOddSpaceAfter) {
  std::string t(24, 'x');
  EXPECT_EQ(Centre(t, 60), std::string(18, ' ') + t + std::string(18, ' '));
  EXPECT_EQ(Centre("ab", 5), " ab  ");
  EXPECT_EQ(Centre("abcdef", 3), "abcdef");
}

TEST(TextTest, WordAtFoldsSeparatorRuns) {
  EXPECT_EQ(WordAt(1, ",,a,,b, c", ","), "a");
  EXPECT_EQ(WordAt(2, ",,a,,b, c", ","), "b");
  EXPECT_EQ(WordAt(3, ",,a,,b, c", ","), " c");
  EXPECT_EQ(WordAt(4, ",,a,,b, c", ","), "");
  EXPECT_EQ(WordAt(1, "", ","), "");
  EXPECT_EQ(WordAt(2, "a b\tc", " \t"), "b");
}

TEST(TextTest, ParseIntIsStrict) {
  long long v = 0;
  EXPECT_TRUE(ParseInt("-12", v));
  EXPECT_EQ(v, -12);
  EXPECT_FALSE(ParseInt("", v));
  EXPECT_FALSE(ParseInt("12a", v));
  EXPECT_FALSE(ParseInt("-", v));
  EXPECT_FALSE(ParseInt("99999999999999999999", v));
  EXPECT_EQ(StrToIntDef("abc", 2), 2);
}

}  // namespace zv
