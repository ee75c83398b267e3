#include <gtest/gtest.h>

#include "launcher/core/server_status.h"

namespace {

const std::string kHeader = "\xFF\xFF\xFF\xFFstatusResponse\n";

ServerStatus Parse(const std::string& info, const std::string& players = "") {
  return ParseStatusReply(kHeader + info + (players.empty() ? "" : "\n" + players));
}

}  // namespace

TEST(StatusRequest, IsThePrefixAndGetstatusOnly) {
  const std::string prefix("\xFF\xFF\xFF\xFF\x02", 5);
  EXPECT_EQ(StatusRequest(prefix), std::string("\xFF\xFF\xFF\xFF\x02 getstatus", 15));
}

TEST(ServerAddress, SplitsAtTheFirstColonOnly) {
  struct Case {
    const char* text;
    const char* host;
    const char* port;
  } cases[] = {
      {"10.0.0.5", "10.0.0.5", "12203"},
      {"10.0.0.5:12204", "10.0.0.5", "12204"},
      {"10.0.0.5:1:2", "10.0.0.5", "1:2"},
      {" 10.0.0.5 : 7", " 10.0.0.5 ", " 7"},
      {":7", "", "7"},
      {"host:", "host", ""},
  };
  for (const Case& c : cases) {
    const ServerAddress a = SplitServerAddress(c.text);
    EXPECT_EQ(a.host, c.host) << c.text;
    EXPECT_EQ(a.port, c.port) << c.text;
  }
}

TEST(ServerAddress, PortMustBeANumberInRange) {
  int port = 5;
  EXPECT_TRUE(ParsePort(" 12204", port));
  EXPECT_EQ(port, 12204);
  for (const char* bad : {"", "abc", "0", "65536", "1:2", "-3", "12x"}) {
    port = 5;
    EXPECT_FALSE(ParsePort(bad, port)) << bad;
    EXPECT_EQ(port, 5) << bad;
  }
}

TEST(InfoPairs, FlagWalkKeepsEmptyValuesAndTheLastPair) {
  EXPECT_EQ(InfoPairs("\\a\\1\\b\\\\c\\3"), (std::vector<std::string>{"a 1", "b ", "c 3"}));
  EXPECT_EQ(InfoPairs("\\a\\1\\"), (std::vector<std::string>{"a 1"}));
  EXPECT_EQ(InfoPairs("\\lonely"), (std::vector<std::string>{"lonely"}));
  EXPECT_TRUE(InfoPairs("").empty());
  EXPECT_TRUE(InfoPairs("\\").empty());
  // The first character is skipped whatever it is.
  EXPECT_EQ(InfoPairs("xa\\1"), (std::vector<std::string>{"a 1"}));
}

TEST(StatusReply, FillsEveryValueFromAFullReply) {
  const ServerStatus s = Parse(
      "\\sv_maxclients\\20\\sv_privateclients\\2\\timelimit\\25\\fraglimit\\0\\g_gametype\\4"
      "\\g_gametypestring\\Objective\\mapname\\obj/obj_team2\\sv_hostname\\Demo\\sv_maplist\\ obj/a dm/b ",
      "10 48 \"Sgt Baker\"\n3 120 \"Pvt Able\"");
  EXPECT_EQ(s.maxPlayers, "20");
  EXPECT_EQ(s.privateSlots, "2");
  EXPECT_EQ(s.timeLimit, "25");
  EXPECT_EQ(s.fragLimit, "0");
  EXPECT_EQ(s.gameType, "4");
  EXPECT_EQ(s.gameTypeName, "Objective");
  EXPECT_EQ(s.TypeShown(), "Objective");
  EXPECT_EQ(s.mapName, "obj/obj_team2");
  EXPECT_EQ(s.mapList, "obj/a dm/b") << "blanks around the list are trimmed";
  EXPECT_EQ(s.playerLines, (std::vector<std::string>{"10 48 \"Sgt Baker\"", "3 120 \"Pvt Able\""}));
  EXPECT_EQ(s.infoPairs.size(), 9u);
}

TEST(StatusReply, KeysMatchInAnyCaseAndByPrefix) {
  for (const char* key : {"mapname", "MAPNAME", "MapName"}) {
    EXPECT_EQ(Parse(std::string("\\") + key + "\\dm/mohdm6").mapName, "dm/mohdm6") << key;
  }
  // A longer key is still taken by its first characters; the value starts at the same place.
  EXPECT_EQ(Parse("\\mapnameX\\dm/mohdm6").mapName, " dm/mohdm6");
  const ServerStatus s = Parse("\\SV_MAXCLIENTS\\16\\Sv_PrivateClients\\4\\TimeLimit\\30\\FRAGLIMIT\\50");
  EXPECT_EQ(s.maxPlayers, "16");
  EXPECT_EQ(s.privateSlots, "4");
  EXPECT_EQ(s.timeLimit, "30");
  EXPECT_EQ(s.fragLimit, "50");
}

TEST(StatusReply, LaterOfTheTwoMaximumPlayerKeysWins) {
  EXPECT_EQ(Parse("\\sv_maxclients\\20\\g_maxgameclients\\18").maxPlayers, "18");
  EXPECT_EQ(Parse("\\g_maxgameclients\\18\\sv_maxclients\\20").maxPlayers, "20");
  // 0 is no limit of its own, as the game's servers send it after "sv_maxclients".
  EXPECT_EQ(Parse("\\sv_maxclients\\12\\sv_privateClients\\2\\g_maxGameClients\\0").maxPlayers, "12");
  EXPECT_EQ(Parse("\\g_maxGameClients\\0").maxPlayers, "");
}

TEST(StatusReply, GameTypeStringDecidesTheType) {
  struct Case {
    const char* info;
    const char* shown;
  } cases[] = {
      {"\\g_gametype\\4\\g_gametypestring\\Objective", "Objective"},
      {"\\g_gametypestring\\Objective\\g_gametype\\4", "Objective"},
      {"\\g_gametype\\4", "4"},
      {"\\g_gametype\\4\\g_gametypestring\\", "4"},  // an empty name leaves the number
      {"\\G_GameTypeString\\Team-Match", "Team-Match"},
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(c.info).TypeShown(), c.shown) << c.info;
}

TEST(StatusReply, ValuesAreCutToTheirLengths) {
  const std::string map30(30, 'm');
  const std::string list(1200, 'l');
  const ServerStatus s = Parse("\\mapname\\" + map30 + "\\sv_maxclients\\1234567\\timelimit\\123456789012" +
                               "\\g_gametypestring\\" + std::string(40, 'g') + "\\sv_maplist\\" + list);
  EXPECT_EQ(s.mapName, map30.substr(0, 25));
  EXPECT_EQ(s.mapList, list.substr(0, 1000));
  EXPECT_EQ(s.maxPlayers, "12345");
  EXPECT_EQ(s.timeLimit, "1234567890");
  EXPECT_EQ(s.gameTypeName, std::string(30, 'g'));
}

TEST(StatusReply, LastPairIsParsedToo) {
  const ServerStatus s = Parse("\\mapname\\dm/mohdm1\\sv_maplist\\dm/mohdm1 dm/mohdm2");
  EXPECT_EQ(s.mapList, "dm/mohdm1 dm/mohdm2");
  EXPECT_EQ(Parse("\\sv_maplist\\a b\\").mapList, "a b");
}

TEST(StatusReply, LineFeedsAndMissingLines) {
  // A trailing line feed gives an empty last player line.
  EXPECT_EQ(Parse("\\mapname\\m", "1 2 \"a\"\n").playerLines, (std::vector<std::string>{"1 2 \"a\"", ""}));
  const ServerStatus noPlayers = ParseStatusReply(kHeader + "\\mapname\\m");
  EXPECT_EQ(noPlayers.mapName, "m");
  EXPECT_TRUE(noPlayers.playerLines.empty());
  for (const std::string& reply : {std::string(), std::string("header only"), kHeader}) {
    const ServerStatus s = ParseStatusReply(reply);
    EXPECT_EQ(s.mapName, "");
    EXPECT_EQ(s.maxPlayers, "");
    EXPECT_EQ(s.mapList, "");
    EXPECT_TRUE(s.infoPairs.empty());
    EXPECT_TRUE(s.playerLines.empty()) << reply.size();
  }
  // An empty information line ended by a line feed: one empty player line.
  EXPECT_EQ(ParseStatusReply(kHeader + "\n").playerLines, std::vector<std::string>{""});
  EXPECT_EQ(ParseStatusReply(kHeader + "\n\n").playerLines, (std::vector<std::string>{"", ""}));
}

TEST(StatusReply, HostileBytesAreSafe) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 37) & 0xFF);
  const ServerStatus s = ParseStatusReply(junk);
  (void)s;
  const ServerStatus shortValue = Parse("\\mapname");
  EXPECT_EQ(shortValue.mapName, "");
  EXPECT_EQ(Parse("\\mapname\\   ").mapName, "");
  EXPECT_EQ(Parse(std::string("\\mapname\\a\0b", 12)).mapName, std::string("a\0b", 3));
}
