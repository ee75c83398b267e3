#include <gtest/gtest.h>

#include "common/core/reg_value.h"
#include "common/core/text.h"
#include "common/core/tick_wait.h"

TEST(Text, TrimBlanksRemovesOnlyBlanks) {
  EXPECT_EQ(TrimBlanks("  abc  "), "abc");
  EXPECT_EQ(TrimBlanks("\tabc\n "), "\tabc\n");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(""), "");
  EXPECT_EQ(TrimBlanks("a b"), "a b");
}

TEST(Text, SplitKeepsEmptyPieces) {
  EXPECT_EQ(SplitKeepEmpty("a\n\nb\n", '\n'), (std::vector<std::string>{"a", "", "b", ""}));
  EXPECT_EQ(SplitKeepEmpty("", '\n'), (std::vector<std::string>{""}));
}

TEST(Text, ParseInt32AcceptsOnlyWholeDecimalNumbers) {
  int v = 7;
  EXPECT_TRUE(ParseInt32("-12", v));
  EXPECT_EQ(v, -12);
  EXPECT_TRUE(ParseInt32("+4000", v));
  EXPECT_EQ(v, 4000);
  for (const char* bad : {"", "-", "12x", "x12", " 1", "2147483648", "1.5"}) {
    v = 7;
    EXPECT_FALSE(ParseInt32(bad, v)) << bad;
    EXPECT_EQ(v, 7) << bad;
  }
}

TEST(RegValue, TextAndFlagOfEveryKind) {
  EXPECT_EQ(ValueText(RegValue{}), "");
  EXPECT_EQ(ValueText(RegValue{int32_t{-5}}), "-5");
  EXPECT_EQ(ValueText(RegValue{std::string("abc")}), "abc");
  EXPECT_EQ(ValueFlag(RegValue{}), 0);
  EXPECT_EQ(ValueFlag(RegValue{int32_t{1}}), 1);
  EXPECT_EQ(ValueFlag(RegValue{std::string("1")}), 1);
  EXPECT_EQ(ValueFlag(RegValue{std::string("yes")}), 0);
}

TEST(Wait, TickDistanceSurvivesWrapAround) {
  EXPECT_FALSE(TickWaitOver(1000, 1500, 500));
  EXPECT_TRUE(TickWaitOver(1000, 1501, 500));
  EXPECT_FALSE(TickWaitOver(0xFFFFFF00u, 0x000000F0u, 500));  // 496 ms across the wrap
  EXPECT_TRUE(TickWaitOver(0xFFFFFF00u, 0x00000100u, 500));   // 512 ms across the wrap
  EXPECT_FALSE(TickWaitOver(5, 5, 0));
  EXPECT_TRUE(TickWaitOver(5, 6, 0));
}
