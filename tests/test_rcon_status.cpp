#include <gtest/gtest.h>

#include "overlay/core/overlay_layout.h"
#include "overlay/core/rcon_status.h"

namespace {

// "client score ping name|host" for each player.
std::vector<std::string> Shown(const RconStatus& status) {
  std::vector<std::string> rows;
  for (const RconPlayer& p : status.players) {
    rows.push_back(std::to_string(p.client) + " " + std::to_string(p.score) + " " + p.ping + " " + p.name + "|" +
                   p.host);
  }
  return rows;
}

std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

std::string RightAligned(const std::string& text, size_t width) {
  return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

// Sixty-four players with blanks in their names, in 1.11's fixed heading.
std::string SixtyFourPlayers(std::vector<std::string>& shown) {
  std::string text = "map: mohdm1\nnum score ping name            lastmsg address               qport rate\n";
  for (int n = 0; n < 64; ++n) {
    const std::string name = "Player " + std::to_string(n) + " of  64";
    text += RightAligned(std::to_string(n), 3) + " " + RightAligned(std::to_string(n - 30), 5) + " " +
            RightAligned(std::to_string(n * 3), 4) + " " + Padded(name, 15) + " " + RightAligned("0", 7) + " " +
            Padded("10.0.0." + std::to_string(n) + ":12203", 21) + " " + RightAligned("1000", 5) + " 25000\n";
    shown.push_back(std::to_string(n) + " " + std::to_string(n - 30) + " " + std::to_string(n * 3) + " " + name +
                    "|10.0.0." + std::to_string(n));
  }
  return text;
}

}  // namespace

// Players as read; no status at all where the text has no status heading.
TEST(RconStatus, EveryLayoutReadFromBothEnds) {
  struct Case {
    const char* what;
    std::string text;
    std::string map;
    std::vector<std::string> players;
    bool heading = true;
  };
  std::vector<std::string> sixtyFour;
  const std::string sixtyFourText = SixtyFourPlayers(sixtyFour);
  const Case cases[] = {
      {"Quake III family, glued by a colour code",
       "map: oa_dm1\n"
       "cl score ping name            address                                 rate \n"
       "-- ----- ---- --------------- --------------------------------------- -----\n"
       " 0     0    0 Gargoyle        ^7bot                                     16384\n"
       " 1    12   48 ^1Big ^3Bad Wolf    ^7127.0.0.1                               25000\n"
       " 2    -3  CON The_Name_Longer_Than_16^7::1                                     25000\n"
       " 3     5  ZMB Space Man       ^7loopback                                25000\n",
       "oa_dm1",
       {"0 0 0 Gargoyle|bot", "1 12 48 Big Bad Wolf|127.0.0.1", "2 -3 CON The_Name_Longer_Than_16|::1",
        "3 5 ZMB Space Man|loopback"}},
      {"OpenMoHAA's grown widths",
       "map: dm/mohdm6\n"
       "num score ping name                       lastmsg address                                qport rate  \n"
       "--- ----- ---- -------------------------- ------- -------------------------------------- ----- ----- \n"
       "  0     5   48 Player                          50 192.168.1.10:12203                      4242 25000\n"
       "  7   -12 CNCT Sir Name With Four Blanks        0 [2001:db8::7]:12203                     1234 25000\n"
       " 12     0 ZMBI 12 34                      9999999 bot                                    65535     0\n",
       "dm/mohdm6",
       {"0 5 48 Player|192.168.1.10", "7 -12 CNCT Sir Name With Four Blanks|2001:db8::7", "12 0 ZMBI 12 34|bot"}},
      {"1.11's fixed heading",
       "map: obj/obj_team2\r\n"
       "num score ping name            lastmsg address               qport rate\r\n"
       "--- ----- ---- --------------- ------- --------------------- ----- -----\r\n"
       "  3     2  120 Kurt                 100 10.1.2.3:12203        23456 20000\r\n"
       "  4     0  999 Hans                   0 fe80::1:12203         23457 20000\r\n",
       "obj/obj_team2",
       {"3 2 120 Kurt|10.1.2.3", "4 0 999 Hans|fe80::1"}},
      {"rows that are no player's",
       "num score ping name lastmsg address qport rate\n"
       "--- ----- ---- ---- ------- ------- ----- ----\n"
       "  x     0    0 Bob 0 10.0.0.1:1 1 1\n"
       "  1     0    0 Bob\n"
       "  2     0   4x Bob 0 10.0.0.1:1 1 1\n"
       "  3     0    0 Bob 0 10.0.0.1:1 1 x\n"
       "1000    0    0 Bob 0 10.0.0.1:1 1 1\n"
       " -1     0    0 Bob 0 10.0.0.1:1 1 1\n"
       "  5     0    0  0 10.0.0.5:1 1 1\n"
       "  5     0    0 Again 0 10.0.0.6:1 1 1\n"
       "\n",
       "",
       {"5 0 0 |10.0.0.5"}},
      {"1.11's fixed heading, a full server", sixtyFourText, "mohdm1", sixtyFour},
      {"empty", "", "", {}, false},
      {"a refusal", "Bad rconpassword.\n", "", {}, false},
      {"no address", "map: x\nname score ping\n 0 0 0 a 0 b 0 0\n", "", {}, false},
      {"no ping", "num score name address\n  0 0 Bob bot\n", "", {}, false},
      {"no name nor address", "num score ping name lastmsg qport\n", "", {}, false},
  };
  for (const Case& c : cases) {
    const auto status = ReadRconStatus(c.text);
    EXPECT_EQ(status.has_value(), c.heading) << c.what;
    if (!status || !c.heading) continue;
    EXPECT_EQ(status->map, c.map) << c.what;
    EXPECT_EQ(Shown(*status), c.players) << c.what;
  }
}

TEST(RconStatus, ColourCodesRemoved) {
  struct Case {
    std::string name, shown;
  };
  const Case cases[] = {
      {"^1Red^7", "Red"}, {"^^1a", "^a"}, {"a^", "a^"}, {"x^!y", "x^!y"}, {"^zZ^Z", "Z"}, {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(WithoutColourCodes(c.name), c.shown) << c.name;
}

// The action window shows the console's players as it shows a record's.
TEST(RconStatus, FillsTheActionWindowGrid) {
  const auto status = ReadRconStatus(
      "cl score ping name            address                                 rate \n"
      " 2     0   33 ^2Alice          ^7127.0.0.5                               25000\n"
      " 0     0    0 Gargoyle        ^7bot                                     16384\n");
  ASSERT_TRUE(status);
  for (GridMode mode : {GridMode::AllData, GridMode::NamesOnly}) {
    GridModel grid;
    PlayerGridState state;
    state.mode = mode;
    SetupGridHeadings(grid, mode);
    ShowPlayerRows(GridPlayers(*status), grid, state);
    const bool all = mode == GridMode::AllData;
    const int alice = all ? 3 : 1, bot = all ? 1 : 2;
    EXPECT_EQ(grid.Text(alice, kKeyCol), "C");
    EXPECT_EQ(grid.Text(alice, kNameCol), "Alice");
    EXPECT_EQ(grid.Text(bot, kKeyCol), "A");
    EXPECT_EQ(grid.Text(bot, kNameCol), "Gargoyle");
    EXPECT_EQ(state.recordLineCount, 2);
    EXPECT_EQ(grid.Rows(), all ? 4 : 3);
    if (!all) continue;
    EXPECT_EQ(grid.Text(alice, kPingCol), "33");
    EXPECT_EQ(grid.Text(alice, kIpCol), "127.0.0.5");
    EXPECT_EQ(grid.Text(bot, kIpCol), "bot");
    EXPECT_EQ(state.playerTotal, 2);
  }
}
