#include <gtest/gtest.h>

#include "overlay/core/rcon_commands.h"

namespace {

// What each menu key sends for client 3, "|"-separated, "-" for not
// available; then the map command for "dm/x".
std::string Offered(const ServerCommands& server) {
  std::string out;
  for (char key : std::string("KBDAGPJLSZYTRFNQCX")) {
    const auto action = RconActionOfKey(key);
    if (!action) continue;
    std::string commands;
    for (const ConsoleCommand& c : RconActionCommands(*action, 3, server)) {
      commands += (commands.empty() ? "" : "+") + c.Text();
    }
    out += (commands.empty() ? "-" : commands) + "|";
  }
  const auto map = RconMapCommand("dm/x", server);
  return out + (map ? map->Text() : "-");
}

ServerCommands Listing(ServerFamily family, const std::string& cmdlist) {
  ServerCommands server(family);
  if (!cmdlist.empty()) {
    EXPECT_TRUE(server.ReadCommandList(cmdlist)) << cmdlist;
  }
  return server;
}

const std::string kEngine = "cmdlist\nclientkick\nmap\nstatus\ndumpuser\n";

}  // namespace

TEST(RconCommands, EachActionByFamilyAndWhatTheServerHas) {
  using F = ServerFamily;
  struct Case {
    const char* server;
    ServerCommands commands;
    std::string offered;  // K B D A G P J L, map
  };
  const Case cases[] = {
      {"1.11", Listing(F::AlliedAssault, kEngine + "gamemap\n7 commands\n"),
       "clientkick 3|-|clientkick 3|-|-|-|-|-|gamemap dm/x"},
      {"community patch", Listing(F::AlliedAssault, kEngine + "gamemap\nbanid\nbanip\ndischat\ndistaunt\n"),
       "clientkick 3|banid 3|clientkick 3|-|-|-|distaunt 3|dischat 3|gamemap dm/x"},
      {"OpenMoHAA", Listing(F::AlliedAssault, kEngine + "  gamemap\r\nbanaddr\nbandel\nlistbans\n"),
       "clientkick 3|banaddr 3|banaddr 3+clientkick 3|-|-|-|-|-|gamemap dm/x"},
      {"Allied Assault before its list", Listing(F::AlliedAssault, ""),
       "clientkick 3|-|clientkick 3|-|-|-|-|-|gamemap dm/x"},
      {"OpenArena", Listing(F::QuakeThree, kEngine + "banaddr\nbandel\n"),
       "clientkick 3|banaddr 3|banaddr 3+clientkick 3|forceteam 3 red|forceteam 3 blue|forceteam 3 spectator|-|-|"
       "map dm/x"},
      {"Quake III family before its list", Listing(F::QuakeThree, ""),
       "clientkick 3|-|clientkick 3|forceteam 3 red|forceteam 3 blue|forceteam 3 spectator|-|-|map dm/x"},
      {"a list without the kick", Listing(F::QuakeThree, "cmdlist\nmap\n"),
       "-|-|-|forceteam 3 red|forceteam 3 blue|forceteam 3 spectator|-|-|map dm/x"},
  };
  for (const Case& c : cases) EXPECT_EQ(Offered(c.commands), c.offered) << c.server;
}

TEST(RconCommands, UnknownCommandRepliesAndRefusedLists) {
  ServerCommands server(ServerFamily::AlliedAssault);
  EXPECT_FALSE(server.ReadCommandList("Bad rconpassword.\n"));
  EXPECT_FALSE(server.ReadCommandList(""));
  EXPECT_TRUE(server.Has("gamemap")) << "a refusal teaches nothing";
  ASSERT_TRUE(server.ReadCommandList(kEngine + "gamemap\nbanaddr\nbanid\n"));

  struct Step {
    std::string sent, reply;
    bool refused;
    std::string offered;
  };
  const Step steps[] = {
      {"banaddr 3", "Banned 10.0.0.3\n", false, "clientkick 3|banaddr 3|clientkick 3|-|-|-|-|-|gamemap dm/x"},
      {"banaddr 3", "Unknown command \"banaddr\"\n", true, "clientkick 3|banid 3|clientkick 3|-|-|-|-|-|gamemap dm/x"},
      {"gamemap dm/x", "unknown command: gamemap\n", true, "clientkick 3|banid 3|clientkick 3|-|-|-|-|-|map dm/x"},
      {"clientkick 3", "Unknown command \"banid\"\n", false, "clientkick 3|banid 3|clientkick 3|-|-|-|-|-|map dm/x"},
      {"clientkick 3", "Kicked\nUnknown command clientkick\n", false,
       "clientkick 3|banid 3|clientkick 3|-|-|-|-|-|map dm/x"},
  };
  for (const Step& s : steps) {
    const std::string verb = s.sent.substr(0, s.sent.find(' '));
    const std::string rest = s.sent.substr(s.sent.find(' ') + 1);
    const auto sent = verb == "gamemap" ? ConsoleCommand::ForMap(verb, rest) : ConsoleCommand::ForClient(verb, 3);
    ASSERT_TRUE(sent);
    EXPECT_EQ(server.ReadCommandReply(*sent, s.reply), s.refused) << s.reply;
    EXPECT_EQ(Offered(server), s.offered) << s.reply;
  }

  ServerCommands arena(ServerFamily::QuakeThree);
  arena.ReadCommandReply(*ConsoleCommand::ForClientAndWord("forceteam", 1, "red"), "Unknown command forceteam\n");
  EXPECT_EQ(Offered(arena), "clientkick 3|-|clientkick 3|-|-|-|-|-|map dm/x");
  EXPECT_FALSE(RconLiftBan("10.0.0.3", arena));
  ASSERT_TRUE(arena.ReadCommandList(kEngine + "banaddr\nbandel\n"));
  EXPECT_EQ(RconLiftBan("10.0.0.3", arena)->Text(), "bandel 10.0.0.3");
  EXPECT_FALSE(RconLiftBan("bot", arena));
}
