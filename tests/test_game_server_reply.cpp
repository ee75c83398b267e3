#include <gtest/gtest.h>

#include "launcher/core/server_status.h"
#include "tools/game_server/status_reply.h"

TEST(GameServerStandIn, ReplyFillsEveryFieldTheLauncherShows) {
  const ServerStatus s = ParseStatusReply(StatusReply(DemoServer()));
  for (const std::string* value : {&s.maxPlayers, &s.privateSlots, &s.timeLimit, &s.fragLimit, &s.gameTypeName,
                                   &s.mapName, &s.mapList, &s.gameType}) {
    EXPECT_FALSE(value->empty());
  }
  EXPECT_EQ(s.mapName, "obj/obj_team2");
  EXPECT_EQ(s.playerLines.size(), DemoServer().players.size() + 1) << "player lines and the last line feed";
  EXPECT_EQ(s.playerLines.back(), "");
}

TEST(GameServerStandIn, AnswersStatusRequestsOnly) {
  struct Case {
    std::string datagram;
    bool answered;
  } cases[] = {
      {std::string("\xFF\xFF\xFF\xFF\x02 getstatus", 15), true},
      {"\xFF\xFF\xFF\xFFgetstatus", true},
      {"\xFF\xFF\xFF\xFFgetstatus 123", true},
      {"\xFF\xFF\xFF\xFFgetinfo", false},
      {"\xFF\xFF\xFF\xFFgetstatusx", false},
      {"getstatus", false},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsStatusRequest(c.datagram), c.answered) << c.datagram;
}

// What quakestat -q3s asks first, and reads the player count and slots from.
TEST(GameServerStandIn, AnswersTheInfoRequestOfServerBrowsers) {
  EXPECT_TRUE(IsInfoRequest("\xFF\xFF\xFF\xFFgetinfo\n"));
  EXPECT_TRUE(IsInfoRequest("\xFF\xFF\xFF\xFFgetinfo xxx"));
  EXPECT_FALSE(IsInfoRequest("\xFF\xFF\xFF\xFFgetstatus"));
  EXPECT_FALSE(IsInfoRequest("\xFF\xFF\xFF\xFFgetinfos"));
  EXPECT_EQ(InfoReply(DemoServer()),
            "\xFF\xFF\xFF\xFFinfoResponse\n\\hostname\\Kestrun demo server\\mapname\\obj/obj_team2\\clients\\3"
            "\\sv_maxclients\\20\\gametype\\4");
}
