#include <gtest/gtest.h>

#include "overlay/core/day_bans.h"

namespace {

constexpr int64_t kMay1 = 1714598043;  // 2024-05-01 21:14:03 UTC

std::string Shown(const std::vector<DayBan>& bans) {
  std::string out;
  for (const DayBan& b : bans) {
    out += b.address + "," + UtcTimeText(b.end) + "," + b.name + (b.serverBan ? ",server" : "") + ";";
  }
  return out;
}

}  // namespace

TEST(DayBans, UtcTimesBothWays) {
  struct Case {
    std::string text;
    int64_t seconds;
  };
  const Case cases[] = {
      {"1970-01-01 00:00:00", 0},          {"2000-02-29 12:00:00", 951825600},
      {"2038-01-19 03:14:08", 2147483648}, {"2100-03-01 00:00:00", 4107542400},
      {"2024-05-01 21:14:03", kMay1},      {"1969-12-31 23:59:59", -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseUtcTime(c.text), c.seconds) << c.text;
    EXPECT_EQ(UtcTimeText(c.seconds), c.text) << c.seconds;
  }
  for (const char* bad : {"2024-13-01 00:00:00", "2023-02-29 00:00:00", "2100-02-29 00:00:00", "2024-04-31 00:00:00",
                          "2024-05-01 24:00:00", "2024-05-01 00:60:00", "2024-05-01 00:00:60", "2024-05-01T00:00:00",
                          "2024-5-01 00:00:00", "2024-05-01 00:00:0x", "2024-05-00 00:00:00", ""}) {
    EXPECT_FALSE(ParseUtcTime(bad)) << bad;
  }
}

TEST(DayBans, FileTextRoundTripAndGarbage) {
  DayBanList list;
  ASSERT_TRUE(list.Add("10.0.0.5", "Do\tra\r\n", kMay1, true));
  ASSERT_TRUE(list.Add("2001:db8::7", "", kMay1 + 60, false));
  const std::string text = WriteDayBans(list.Bans());
  EXPECT_NE(text.find("\r\n10.0.0.5\t2024-05-02 21:14:03\tDo ra  \tserver\r\n"), std::string::npos) << text;
  EXPECT_EQ(Shown(ReadDayBans(text)), Shown(list.Bans()));

  const std::string garbage =
      "# a comment\n"
      "\n"
      "10.0.0.1\t2024-05-02 21:14:03\tAnna\n"
      "10.0.0.2\t2024-05-02 21:14:03\n"
      "10.0.0.3\t2024-13-02 21:14:03\tNo month\n"
      "bot\t2024-05-02 21:14:03\tA bot\n"
      "10.0.0.4;x\t2024-05-02 21:14:03\tInjected\n"
      "cafe\t2024-05-02 21:14:03\tA word\n"
      "10.0.0.6\t2024-05-02 21:14:03\tBen\tserver\textra\n"
      "10.0.0.7\t2024-05-02 21:14:03\tCleo\tkick\r\n"
      "10.0.0.1\t2024-05-03 00:00:00\tAnna later\n"
      "10.0.0.1\t2024-05-01 00:00:00\tAnna earlier\n"
      "\xFF\xFE\x00\x01";
  EXPECT_EQ(Shown(ReadDayBans(garbage)),
            "10.0.0.1,2024-05-03 00:00:00,Anna later;10.0.0.7,2024-05-02 21:14:03,Cleo;");
}

TEST(DayBans, DueBansAndAddressesToKickAgain) {
  DayBanList list;
  EXPECT_FALSE(list.Add("bot", "Gargoyle", kMay1, false));
  EXPECT_FALSE(list.Add("loopback", "Host", kMay1, false));
  ASSERT_TRUE(list.Add("10.0.0.5", "Dora", kMay1, true));
  ASSERT_TRUE(list.Add("10.0.0.9", "Ivo", kMay1 + 100, false));
  ASSERT_TRUE(list.Add("10.0.0.5", "Dora again", kMay1 + 50, false));  // the day starts again
  EXPECT_EQ(list.Size(), 2u);

  RconStatus status;
  for (const auto& [client, host] : {std::pair{1, "10.0.0.9"}, {4, "10.0.0.5"}, {6, "10.0.0.50"}, {7, "bot"}}) {
    RconPlayer p;
    p.client = client;
    p.host = host;
    status.players.push_back(p);
  }
  EXPECT_EQ(list.ToKickAgain(status, kMay1 + kDayBanSeconds + 49), (std::vector<int>{1, 4}));
  EXPECT_EQ(list.TakeDue(kMay1 + kDayBanSeconds + 49).size(), 0u);
  const std::vector<DayBan> due = list.TakeDue(kMay1 + kDayBanSeconds + 50);
  EXPECT_EQ(Shown(due), "10.0.0.5,2024-05-02 21:14:53,Dora again,server;");
  EXPECT_EQ(list.ToKickAgain(status, kMay1 + kDayBanSeconds + 50), (std::vector<int>{1}));
  EXPECT_EQ(list.ToKickAgain(status, kMay1 + kDayBanSeconds + 100), (std::vector<int>{}));
}
