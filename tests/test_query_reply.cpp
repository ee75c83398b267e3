#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/core/query_reply.h"

namespace {

std::string Part(const std::string& pairs, int number, bool last = false, const std::string& id = "7") {
  return pairs + (last ? "\\final\\" : "") + "\\queryid\\" + id + "." + std::to_string(number);
}

}  // namespace

TEST(QueryReplyJoiner, CompleteOnceTheLastPartAndAllBeforeItCame) {
  const std::string big(65000, 'b');
  std::vector<std::string> thousand;
  for (int i = 1; i <= 1000; ++i) thousand.push_back(Part("\\k" + std::to_string(i) + "\\v", i, i == 1000));
  std::vector<std::string> repeats(1000, Part("\\a\\1", 1));
  repeats.push_back(Part("\\c\\3", 3, true));
  repeats.push_back(Part("\\b\\2", 2));
  struct Case {
    const char* what;
    std::vector<std::string> datagrams;
    int completeAt;  // the datagram that completes the reply; -1 for none
    std::string joined;
  } cases[] = {
      {"one part", {Part("\\hostname\\A b", 1, true)}, 0, "\\hostname\\A b"},
      {"no queryid", {"\\hostname\\a\\final\\"}, 0, "\\hostname\\a"},
      {"no queryid nor final", {"\\hostname\\a"}, 0, "\\hostname\\a"},
      {"out of order", {Part("\\c\\3", 3, true), Part("\\a\\1", 1), Part("\\b\\2", 2)}, 2, "\\a\\1\\b\\2\\c\\3"},
      {"repeated part", {Part("\\a\\1", 1), Part("\\a\\X", 1), Part("\\b\\2", 2, true)}, 2, "\\a\\1\\b\\2"},
      {"missing part", {Part("\\a\\1", 1), Part("\\c\\3", 3, true)}, -1, ""},
      {"no final", {Part("\\a\\1", 1), Part("\\b\\2", 2)}, -1, ""},
      {"another reply's part", {Part("\\a\\1", 1), Part("\\b\\X", 2, true, "8"), Part("\\b\\2", 2, true)}, 2,
       "\\a\\1\\b\\2"},
      {"a second last part", {Part("\\a\\1", 1), Part("\\b\\2", 2, true), Part("\\c\\3", 3, true)}, 1, "\\a\\1\\b\\2"},
      {"last before a later part", {Part("\\c\\3", 3), Part("\\b\\2", 2, true), Part("\\a\\1", 1)}, -1, ""},
      {"a part beyond the limit", {Part("\\a\\1", 1), Part("\\b\\2", 33, true)}, -1, ""},
      {"a thousand parts", thousand, -1, ""},
      {"a thousand repeats", repeats, 1001, "\\a\\1\\b\\2\\c\\3"},
      {"a 64 KiB part", {Part("\\x\\" + big, 1, true)}, 0, "\\x\\" + big},
      {"past the byte limit", {Part("\\x\\" + big, 1), Part("\\y\\" + big, 2, true)}, -1, ""},
      {"not a reply", {"hostname\\a\\final\\", ""}, -1, ""},
      {"a bad part number", {Part("\\a\\1", 0, true), "\\a\\1\\final\\\\queryid\\7.x"}, -1, ""},
  };
  for (const Case& c : cases) {
    QueryReplyJoiner joiner;
    int completeAt = -1;
    for (size_t i = 0; i < c.datagrams.size(); ++i) {
      if (joiner.Take(c.datagrams[i]) && completeAt < 0) completeAt = static_cast<int>(i);
      ASSERT_LE(joiner.BytesKept(), kMaxReplyBytes) << c.what;
    }
    EXPECT_EQ(completeAt, c.completeAt) << c.what;
    EXPECT_EQ(joiner.Complete(), c.completeAt >= 0) << c.what;
    EXPECT_EQ(joiner.Joined(), c.joined) << c.what;
  }
}

TEST(QueryReply, ReadsTheServerAndItsPlayers) {
  const QueryReplyServer s = ParseQueryReply(
      "\\gamename\\mohaa\\gamever\\1.11\\hostname\\Kestrun one\\HOSTPORT\\12203\\mapname\\obj/obj_team2"
      "\\gametype\\Objective-Match\\numplayers\\3\\maxplayers\\20\\password\\1"
      "\\player_0\\Sgt Baker\\frags_0\\12\\deaths_0\\3\\ping_0\\48"
      "\\player_2\\Pvt Able\\ping_2\\120\\frags_2\\-4"
      "\\frags_5\\9\\player_64\\Too Many\\player_x\\Nobody");
  EXPECT_EQ(s.hostName, "Kestrun one");
  EXPECT_EQ(s.hostPort, 12203);
  EXPECT_EQ(s.mapName, "obj/obj_team2");
  EXPECT_EQ(s.gameType, "Objective-Match");
  EXPECT_EQ(s.gameVersion, "1.11");
  EXPECT_EQ(s.numPlayers, 3);
  EXPECT_EQ(s.maxPlayers, 20);
  EXPECT_TRUE(s.password);
  ASSERT_EQ(s.players.size(), 2u) << "players are those with a name key, numbered below the limit";
  EXPECT_EQ(s.players[0].name, "Sgt Baker");
  EXPECT_EQ(s.players[0].frags, 12);
  EXPECT_EQ(s.players[0].deaths, 3);
  EXPECT_EQ(s.players[0].ping, 48);
  EXPECT_EQ(s.players[1].number, 2);
  EXPECT_EQ(s.players[1].name, "Pvt Able");
  EXPECT_EQ(s.players[1].frags, -4);
  EXPECT_EQ(s.players[1].ping, 120);
}

TEST(QueryReply, HostileValuesStayWithinTheirLimits) {
  struct Case {
    std::string reply;
    std::string hostName;
    int hostPort, numPlayers;
    bool password;
    size_t players;
  } cases[] = {
      {"", "", 0, 0, false, 0},
      {"hostname\\x", "", 0, 0, false, 0},
      {"\\hostname\\" + std::string(5000, 'n'), std::string(kMaxQueryReplyText, 'n'), 0, 0, false, 0},
      {"\\hostport\\0\\numplayers\\-5\\password\\0", "", 0, 0, false, 0},
      {"\\hostport\\65536\\numplayers\\99999999999\\password\\yes", "", 0, 0, false, 0},
      {"\\hostport\\12203\\hostport\\x", "", 0, 0, false, 0},
      {std::string(65536, '\\'), "", 0, 0, false, 0},
      {"\\player_00\\a\\player_0\\b\\player_63\\c\\player_007\\d", "", 0, 0, false, 2},
  };
  for (const Case& c : cases) {
    const QueryReplyServer s = ParseQueryReply(c.reply);
    EXPECT_EQ(s.hostName, c.hostName) << c.reply.substr(0, 60);
    EXPECT_EQ(s.hostPort, c.hostPort) << c.reply.substr(0, 60);
    EXPECT_EQ(s.numPlayers, c.numPlayers) << c.reply.substr(0, 60);
    EXPECT_EQ(s.password, c.password) << c.reply.substr(0, 60);
    EXPECT_EQ(s.players.size(), c.players) << c.reply.substr(0, 60);
  }
}
