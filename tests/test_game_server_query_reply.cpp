#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "launcher/core/query_reply.h"
#include "tools/game_server/query_reply.h"

namespace {

std::vector<std::string> Keys(const std::vector<std::string>& datagrams) {
  std::string joined;
  for (const std::string& d : datagrams) joined += d;
  std::vector<std::string> keys;
  bool isKey = false;
  std::string token;
  for (size_t i = 1; i <= joined.size(); ++i) {
    if (i < joined.size() && joined[i] != '\\') {
      token += joined[i];
      continue;
    }
    isKey = !isKey;
    if (isKey) keys.push_back(token);
    token.clear();
  }
  return keys;
}

}  // namespace

TEST(GameServerQueryReply, QueryReplyInPartsInAnyOrderJoinsToTheServer) {
  const StandInServer server = MakeStandInServer(8, 12211, kGameSpyGames[1]);
  ASSERT_EQ(server.players.size(), 3u);
  // 25 pairs: never more parts than that.
  for (auto [parts, sent] : {std::pair{1, 1}, {2, 2}, {3, 3}, {7, 7}, {64, 25}}) {
    for (bool reversed : {false, true}) {
      std::vector<std::string> datagrams = AnswerQuery(server, "\\status\\", 41, parts);
      EXPECT_EQ(datagrams.size(), static_cast<size_t>(sent));
      if (reversed) std::reverse(datagrams.begin(), datagrams.end());
      QueryReplyJoiner joiner;
      for (const std::string& d : datagrams) joiner.Take(d);
      ASSERT_TRUE(joiner.Complete()) << parts;
      const QueryReplyServer s = ParseQueryReply(joiner.Joined());
      EXPECT_EQ(s.hostName, "Kestrun stand-in 9");
      EXPECT_EQ(s.hostPort, 12211);
      EXPECT_EQ(s.mapName, "dm/mohdm2");
      EXPECT_EQ(s.numPlayers, 3);
      EXPECT_EQ(s.maxPlayers, 20);
      EXPECT_FALSE(s.password);
      ASSERT_EQ(s.players.size(), 3u);
      for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(s.players[i].name, server.players[i].name);
        EXPECT_EQ(s.players[i].frags, server.players[i].frags);
        EXPECT_EQ(s.players[i].deaths, server.players[i].deaths);
        EXPECT_EQ(s.players[i].ping, server.players[i].ping);
      }
    }
  }
}

TEST(GameServerQueryReply, AnswersEachRequestWithItsKeys) {
  using Names = std::vector<std::string>;
  const StandInServer server = MakeStandInServer(1, 12204, kGameSpyGames[0]);  // one player
  const Names basic = {"gamename", "gamever", "location"};
  const Names info = {"hostname", "hostport", "mapname", "gametype", "numplayers", "maxplayers", "gamemode"};
  const Names rules = {"timelimit", "fraglimit", "password"};
  const Names players = {"player_0", "frags_0", "deaths_0", "ping_0"};
  const auto plus = [](Names a, const Names& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  struct Case {
    std::string request;
    Names keys;
  } cases[] = {
      {"\\basic\\", plus(basic, {"final", "queryid"})},
      {"\\info\\", plus(info, {"final", "queryid"})},
      {"\\rules\\", plus(rules, {"final", "queryid"})},
      {"\\players\\", plus(players, {"final", "queryid"})},
      {"\\status\\", plus(plus(plus(plus(basic, info), rules), players), {"final", "queryid"})},
      {"\\basic\\\\info\\", plus(plus(basic, info), {"final", "queryid"})},
      {"\\secure\\ABCDEF", {"validate", "final", "queryid"}},
      {"\\echo\\x", {}},
      {"status", {}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Keys(AnswerQuery(server, c.request, 5, 1)), c.keys) << c.request;
}

TEST(GameServerQueryReply, AnswersTheMastersChallengeAndHeartbeatsFromItsQueryPort) {
  EXPECT_EQ(AnswerQuery(MakeStandInServer(0, 12203, kGameSpyGames[0]), "\\secure\\ABCDEF", 1, 1),
            std::vector<std::string>{"\\validate\\iA2tel80\\final\\\\queryid\\1.1"});
  EXPECT_EQ(AnswerQuery(MakeStandInServer(0, 12203, kGameSpyGames[2]), "\\secure\\ZZZZZZ", 1, 3),
            std::vector<std::string>{"\\validate\\Mj3eI4k0\\final\\\\queryid\\1.1"});
  EXPECT_EQ(Heartbeat(12300, kGameSpyGames[0], false), "\\heartbeat\\12300\\gamename\\mohaa");
  EXPECT_EQ(Heartbeat(12301, kGameSpyGames[1], true), "\\heartbeat\\12301\\gamename\\mohaas\\statechanged\\");
}
