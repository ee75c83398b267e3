#include <gtest/gtest.h>

#include "overlay/core/watchdog.h"

TEST(Watchdog, RetriesEvery501TicksAndEndsAtTheSixth) {
  Watchdog w;
  std::vector<int> retryTicks;
  std::vector<std::string> messageLines;
  int endTick = 0;
  for (int tick = 1; tick <= 4000 && endTick == 0; ++tick) {
    WatchdogStep s = WatchdogTick(w);
    if (s.retry) {
      retryTicks.push_back(tick);
      messageLines.push_back(s.messageLine);
    }
    if (s.endProgram) endTick = tick;
  }
  EXPECT_EQ(retryTicks, (std::vector<int>{501, 1002, 1503, 2004, 2505, 3006}));
  ASSERT_EQ(messageLines.size(), 6u);
  EXPECT_EQ(messageLines.front(), "Connection Failed ReTry 1");
  EXPECT_EQ(messageLines.back(), "Connection Failed ReTry 6");
  EXPECT_EQ(endTick, 3006);
}

TEST(Watchdog, StaysOffOnceTheLinkHasBeenUp) {
  Watchdog w;
  for (int i = 0; i < 700; ++i) WatchdogTick(w);
  EXPECT_EQ(w.retryCount, 1);
  WatchdogLinkUp(w);
  EXPECT_EQ(w.retryCount, 0);
  for (int i = 0; i < 5000; ++i) {
    WatchdogStep s = WatchdogTick(w);
    ASSERT_FALSE(s.retry || s.endProgram);
  }
}
