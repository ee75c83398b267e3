#include <gtest/gtest.h>

#include "tools/game_server/rcon_console.h"

namespace {

const std::string kAA("\xFF\xFF\xFF\xFF\x02", 5);
const std::string kReplyAA("\xFF\xFF\xFF\xFF\x01print\n", 11);
const std::string kReplyQ3("\xFF\xFF\xFF\xFFprint\n", 10);

ConsoleState Console(int players = 3) {
  ConsoleState c;
  c.password = "secret";
  c.players = MakeConsolePlayers(players);
  c.commands = DefaultConsoleCommands();
  return c;
}

std::string Joined(const std::vector<std::string>& v) {
  std::string all;
  for (const std::string& s : v) all += s;
  return all;
}

}  // namespace

TEST(GameServerConsole, AnswersEachRequestInItsFamilysForm) {
  struct Case {
    bool passwordSet;
    std::string datagram, reply, log;
  } cases[] = {
      {true, kAA + "rcon secret say hi", kReplyAA + "console: hi\n", "rcon from 127.0.0.1:5000: say hi"},
      {true, kAA + "rcon \"secret\" say hi", kReplyAA + "console: hi\n", "say hi"},
      {true, "\xFF\xFF\xFF\xFFrcon secret say hi", kReplyQ3 + "console: hi\n", "WITHOUT the direction byte"},
      {true, kAA + "rcon secrets say hi", kReplyAA + "Bad rconpassword.\n", ": bad password"},
      {false, kAA + "rcon secret say hi", kReplyAA + "No rconpassword set on the server.\n", "no password set"},
      {true, kAA + "rcon secret frobnicate 1", kReplyAA + "Unknown command \"frobnicate\"\n", "frobnicate 1"},
      {true, kAA + "rcon secret say a\nclientkick 0", kReplyAA + "console: a\n", ": say a"},
      {true, kAA + "rcon secret say 100%", kReplyAA + "console: 100.\n", "say 100."},
      {true, kAA + "rcon secret gamemap x;quit", kReplyAA + "Can't find map x;quit\n", "gamemap"},
      {true, kAA + "rcon secret clientkick 7", kReplyAA + "Bad client slot: 7\n", "clientkick 7"},
  };
  for (const Case& c : cases) {
    ConsoleState console = Console();
    console.passwordSet = c.passwordSet;
    const ConsoleAnswer a = AnswerConsole(console, c.datagram, "127.0.0.1:5000", 0);
    ASSERT_TRUE(a.isConsoleRequest) << c.datagram;
    EXPECT_EQ(Joined(a.datagrams), c.reply) << c.datagram;
    EXPECT_NE(a.log.find(c.log), std::string::npos) << a.log;
    EXPECT_EQ(a.log.find("secret"), std::string::npos) << "the password is never logged: " << a.log;
    EXPECT_EQ(console.players.size(), 3u) << c.datagram;
  }
  ConsoleState console = Console();
  EXPECT_FALSE(AnswerConsole(console, "\xFF\xFF\xFF\xFFgetstatus", "127.0.0.1:5000", 0).isConsoleRequest);
  EXPECT_FALSE(AnswerConsole(console, "rcon secret status", "127.0.0.1:5000", 0).isConsoleRequest);
}

TEST(GameServerConsole, PrintsBothStatusLayouts) {
  const ConsolePlayer v4{0, 5, 48, "Player", "192.168.1.10:12203", 50, 4242, 25000};
  const ConsolePlayer v6{1, -2, kConnectingPing, "Sgt Long Name Baker", "[::1]:12203", 0, 77, 5000};
  struct Case {
    StatusLayout layout;
    std::vector<ConsolePlayer> players;
    std::string text;
  } cases[] = {
      {StatusLayout::Growing, {v4},
       "map: m\n"
       "num score ping name            lastmsg address               qport rate  \n"
       "--- ----- ---- --------------- ------- --------------------- ----- ----- \n"
       "  0     5   48 Player               50 192.168.1.10:12203     4242 25000\n"},
      {StatusLayout::Growing, {v6},
       "map: m\n"
       "num score ping name            lastmsg address                                qport rate  \n"
       "--- ----- ---- --------------- ------- -------------------------------------- ----- ----- \n"
       "  1    -2 CNCT Sgt Long Name Baker       0 [::1]:12203                               77  5000\n"},
      {StatusLayout::Fixed, {v4, v6},
       "map: m\n"
       "num score ping name            lastmsg address               qport rate\n"
       "--- ----- ---- --------------- ------- --------------------- ----- -----\n"
       "  0     5   48 Player               50 192.168.1.10:12203     4242 25000\n"
       "  1    -2 CNCT Sgt Long Name Baker      0 [::1]:12203              77  5000\n"},
  };
  for (const Case& c : cases) {
    ConsoleState console = Console();
    console.map = "m";
    console.layout = c.layout;
    console.players = c.players;
    EXPECT_EQ(Joined(StatusLines(console)), c.text);
  }
}

TEST(GameServerConsole, SplitsOutputWhereTheBufferWouldOverflow) {
  const std::string h = "H";
  struct Case {
    std::vector<std::string> lines;
    size_t buffer;
    std::vector<std::string> datagrams;
  } cases[] = {
      {{}, 10, {"H"}},
      {{"ab\n", "cd\n", "ef\n"}, 10, {"Hab\ncd\nef\n"}},
      {{"abcd\n", "efgh\n"}, 10, {"Habcd\n", "Hefgh\n"}},
      {{"x\n", std::string(20, 'y')}, 10, {"Hx\n", "H" + std::string(9, 'y'), "H" + std::string(9, 'y'), "Hyy"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitOutput(c.lines, c.buffer, h), c.datagrams);

  // Sixty-four players through a small buffer: whole lines, nothing lost.
  ConsoleState console = Console(64);
  console.buffer = 1000;
  const ConsoleAnswer a = AnswerConsole(console, kAA + "rcon secret status", "127.0.0.1:1", 0);
  ASSERT_GT(a.datagrams.size(), 5u);
  std::string text;
  for (const std::string& d : a.datagrams) {
    ASSERT_EQ(d.substr(0, kReplyAA.size()), kReplyAA);
    EXPECT_LE(d.size(), kReplyAA.size() + 999);
    EXPECT_EQ(d.back(), '\n');
    text += d.substr(kReplyAA.size());
  }
  EXPECT_EQ(text, Joined(StatusLines(console)));
}

TEST(GameServerConsole, DropsRequestsOverTheRateWithoutAWord) {
  ConsoleState console = Console();
  struct Step {
    std::string from;
    bool goodPassword;
    int64_t nowMs;
    int times;
    bool answered;
  } steps[] = {
      {"127.0.0.1:1", true, 0, 10, true},       // the burst
      {"127.0.0.1:2", true, 999, 1, false},     // same address, other port
      {"127.0.0.1:1", true, 1000, 1, true},     // one a second
      {"127.0.0.1:1", true, 1500, 1, false},
      {"127.0.0.2:1", true, 1500, 1, true},     // each address its own
      {"127.0.0.3:1", false, 2000, 10, true},   // bad passwords: one bucket for all
      {"127.0.0.4:1", false, 2050, 1, false},
      {"127.0.0.4:1", true, 2060, 1, true},
      {"127.0.0.5:1", false, 2100, 1, true},
      {"127.0.0.6:1", true, 3000, 1, true},      // an idle address banks no time
      {"127.0.0.6:1", true, 4500, 10, true},
      {"127.0.0.6:1", true, 5000, 1, false},
  };
  for (const Step& s : steps) {
    const std::string datagram = kAA + "rcon " + (s.goodPassword ? "secret" : "wrong") + " say x";
    for (int i = 0; i < s.times; ++i) {
      const ConsoleAnswer a = AnswerConsole(console, datagram, s.from, s.nowMs);
      EXPECT_EQ(!a.datagrams.empty(), s.answered) << s.from << " at " << s.nowMs << ": " << a.log;
    }
  }
  // Status requests share the address's bucket.
  EXPECT_FALSE(AllowRequest(console, "127.0.0.1:9", 1999));
  EXPECT_TRUE(AllowRequest(console, "127.0.0.9:9", 1999));
}

TEST(GameServerConsole, CommandsChangeWhatTheServerShows) {
  ConsoleState console = Console();
  console.commands = {"cmdlist", "clientkick", "banid", "gamemap", "dumpuser"};
  auto run = [&](const std::string& command) {
    return Joined(AnswerConsole(console, kAA + "rcon secret " + command, "127.0.0.1:1", 0).datagrams);
  };
  EXPECT_EQ(run("cmdlist"), kReplyAA + "cmdlist\nclientkick\nbanid\ngamemap\ndumpuser\n5 commands\n");
  EXPECT_NE(run("dumpuser 1").find("dm_playermodel      allied_airborne\n"), std::string::npos);
  EXPECT_NE(run("clientkick 0").find("Sgt 0 Baker was kicked"), std::string::npos);
  EXPECT_NE(run("banid 2").find("Banned 127.0.0.12"), std::string::npos);
  EXPECT_NE(run("status").find("Unknown command \"status\""), std::string::npos);
  ASSERT_EQ(console.players.size(), 1u);
  EXPECT_EQ(console.players[0].name, "Sgt 1 Baker");
  EXPECT_EQ(console.bans, std::vector<std::string>{"127.0.0.12"});
  run("gamemap dm/mohdm6");
  const std::string status = ConsoleStatusResponse(console);
  EXPECT_EQ(status.substr(0, 20), std::string("\xFF\xFF\xFF\xFF\x01statusResponse\n", 20));
  EXPECT_NE(status.find("\\mapname\\dm/mohdm6"), std::string::npos);
  EXPECT_EQ(status.substr(status.find('\n', 20)), "\n3 27 \"Sgt 1 Baker\"\n");
}

TEST(GameServerConsole, ReadsPlayersGivenOnTheCommandLine) {
  struct Case {
    std::string text;
    bool ok;
    int ping;
    std::string name;
  } cases[] = {
      {"5|48|127.0.0.1:12203|Sgt Baker", true, 48, "Sgt Baker"},
      {"-1|CNCT|[::1]:5|a|b", true, kConnectingPing, "a|b"},
      {"5|x|127.0.0.1:1|n", false, 0, ""},
      {"5|48|127.0.0.1:1", false, 0, ""},
      {"5|48||n", false, 0, ""},
  };
  for (const Case& c : cases) {
    ConsolePlayer p;
    ASSERT_EQ(ParseConsolePlayer(c.text, 4, p), c.ok) << c.text;
    if (c.ok) EXPECT_EQ(std::make_pair(p.ping, p.name), std::make_pair(c.ping, c.name)) << c.text;
  }
}
