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
      {{"C - Change Map", "", "", "", "dm/mohdm6", "XB - dm/mohdm6"},
       "2024-05-01 09:04:03\tC - Change Map\t\t\t\tdm/mohdm6\tXB - dm/mohdm6\r\n"},
      // A name from the server cannot add a column or a line.
      {{"B - Bann", "0", "a\tb\r\nc", "", "", "K0KB4"}, "2024-05-01 09:04:03\tB - Bann\t0\ta b  c\t\t\tK0KB4\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatLogLine(t, c.record), c.line);
}

TEST(CommandLog, RolloverAndLineEnds) {
  struct Rollover {
    uint64_t logSize, lineSize;
    bool renewed;
  };
  const Rollover rollovers[] = {
      {0, kCommandLogLimit * 2, false},  // an empty log takes any line
      {kCommandLogLimit - 10, 10, false},
      {kCommandLogLimit - 10, 11, true},
      {kCommandLogLimit + 5, 1, true},
      {1, UINT64_MAX, true},
  };
  for (const Rollover& r : rollovers) {
    EXPECT_EQ(LogNeedsRollover(r.logSize, r.lineSize), r.renewed) << r.logSize << " + " << r.lineSize;
  }
  const std::pair<std::string, std::string> leads[] = {
      {"", ""}, {"x\r\n", ""}, {"x\n", ""}, {"cut sh", "\r\n"}, {"cut\r", "\n"}};
  for (const auto& [tail, lead] : leads) EXPECT_EQ(LogLineLead(tail), lead) << tail;
}
