#include <gtest/gtest.h>

#include "overlay/core/command_log.h"

TEST(CommandLog, LineLayout) {
  const LocalTime t{2024, 5, 1, 9, 4, 3};
  struct Case {
    CommandRecord record;
    std::string line;
  };
  const Case cases[] = {
      {{"K - Kick", "3", "Dora", "10.0.0.1", "", "K3KO4"},
       "2024-05-01 09:04:03\tK - Kick\t3\tDora\t10.0.0.1\t\tK3KO4\r\n"},
      // A name from the server cannot add a column or a line.
      {{"B - Bann", "0", "a\tb\r\nc", "", "", "K0KB4"}, "2024-05-01 09:04:03\tB - Bann\t0\ta b  c\t\t\tK0KB4\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatLogLine(t, c.record), c.line);
}

// Renewal at the limit's edge; the files themselves are tested under Wine.
TEST(CommandLog, RenewsBeforeALineWouldPassTheLimit) {
  struct Case {
    uint64_t logSize, lineSize;
    bool renewed;
  };
  const Case cases[] = {
      {0, kCommandLogLimit * 2, false},  // an empty log takes any line
      {kCommandLogLimit - 10, 10, false},
      {kCommandLogLimit - 10, 11, true},
      {1, UINT64_MAX, true},
  };
  for (const Case& c : cases) EXPECT_EQ(LogNeedsRollover(c.logSize, c.lineSize), c.renewed) << c.logSize;
}
