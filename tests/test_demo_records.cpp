#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/core/text.h"
#include "tools/inspection_server/demo_records.h"

namespace {

// Columns counted from 1, as the overlay reads them.
std::string Columns(const std::string& line, size_t from, size_t to) {
  return line.substr(from - 1, to - from + 1);
}

struct DecodedPlayer {
  std::string client, ping, name, address;
};

// Reads a player line the way the overlay does: fixed head columns, the name
// up to the 41-character tail, the address field inside the tail.
DecodedPlayer Decode(const std::string& line) {
  size_t L = line.size();
  return {TrimBlanks(Columns(line, 1, 3)), TrimBlanks(Columns(line, 10, 14)), TrimBlanks(Columns(line, 15, L - 41)),
          TrimBlanks(Columns(line, L - 33, L - 12))};
}

DemoPlayer Make(int client, int score, int ping, std::string name, std::string address) {
  DemoPlayer p;
  p.client = client;
  p.score = score;
  p.ping = ping;
  p.name = std::move(name);
  p.address = std::move(address);
  return p;
}

std::vector<DemoPlayer> LineCases() {
  std::vector<DemoPlayer> cases = DemoPlayers();
  cases.push_back(Make(0, 0, 0, "A", "1.2.3.4:5"));
  cases.push_back(Make(35, -12, 999, "Exactly15Chars!", "255.255.255.255:65535"));
  cases.push_back(Make(48, 99999, 5, "Name With Blanks In It And More", "10.0.0.1:28960"));
  return cases;
}

}  // namespace

TEST(PlayerLine, FieldsSitInTheirColumns) {
  for (const DemoPlayer& p : LineCases()) {
    SCOPED_TRACE(p.name);
    std::string line = PlayerLine(p);
    ASSERT_GE(line.size(), 15u + 41u);
    DecodedPlayer d = Decode(line);
    EXPECT_EQ(d.client, std::to_string(p.client));
    EXPECT_EQ(d.ping, std::to_string(p.ping));
    EXPECT_EQ(d.name, p.name);
    EXPECT_EQ(d.address, p.address);
    EXPECT_EQ(d.address.substr(0, d.address.rfind(':')),
              p.address.substr(0, p.address.find(':')));
    // The tail's separating blanks: before the address, before qport, before rate.
    size_t L = line.size();
    EXPECT_EQ(line[L - 34], ' ');
    EXPECT_EQ(line[L - 12], ' ');
    EXPECT_EQ(line[L - 6], ' ');
    EXPECT_NE(line.back(), ' ');
  }
}

TEST(InspectionRecord, FourHeadingsThenOnePlayerLinePerPlayer) {
  std::vector<DemoPlayer> players = DemoPlayers();
  std::string record = InspectionRecord(players);
  ASSERT_EQ(record.substr(0, 2), "SD");
  EXPECT_EQ(record.find('\r'), std::string::npos);
  // The overlay trims blanks off the body's ends; that must not shift columns.
  std::string body = record.substr(2);
  ASSERT_EQ(TrimBlanks(body), body);

  std::vector<std::string> lines = SplitKeepEmpty(body, '\n');
  ASSERT_EQ(lines.size(), 4 + players.size());
  for (size_t i = 0; i < players.size(); ++i) {
    DecodedPlayer d = Decode(lines[4 + i]);
    EXPECT_EQ(d.client, std::to_string(players[i].client));
    EXPECT_EQ(d.name, players[i].name);
  }
  EXPECT_EQ(SplitKeepEmpty(InspectionRecord({}), '\n').size(), 4u);
}

// The demo must exercise what the overlay has to cope with.
TEST(DemoPlayers, CoverGapsHighClientsAndLongNames) {
  std::vector<DemoPlayer> players = DemoPlayers();
  std::set<int> clients;
  bool longName = false, highClient = false, outOfOrder = false;
  for (size_t i = 0; i < players.size(); ++i) {
    clients.insert(players[i].client);
    longName |= players[i].name.size() > 15;
    highClient |= players[i].client >= 26;
    outOfOrder |= i > 0 && players[i].client < players[i - 1].client;
    EXPECT_LE(players[i].address.size(), 21u) << players[i].name;
    EXPECT_LT(players[i].client, 49) << players[i].name;
  }
  EXPECT_EQ(clients.size(), players.size()) << "client numbers must be unique";
  EXPECT_GT(*clients.rbegin() + 1, static_cast<int>(clients.size())) << "expected gaps";
  EXPECT_TRUE(longName);
  EXPECT_TRUE(highClient);
  EXPECT_TRUE(outOfOrder);
}

TEST(DumpRecord, NameInFirst21ColumnsValueFrom23) {
  int macClients = 0;
  for (const DemoPlayer& p : DemoPlayers()) {
    SCOPED_TRACE(p.name);
    std::string record = DumpRecord(p);
    ASSERT_EQ(record.substr(0, 2), "DU");
    std::string body = record.substr(2);
    ASSERT_EQ(TrimBlanks(body), body);

    std::vector<std::pair<std::string, std::string>> read;
    for (const std::string& line : SplitKeepEmpty(body, '\n')) {
      ASSERT_GE(line.size(), 23u) << line;
      EXPECT_EQ(line[21], ' ') << line;
      read.push_back({TrimBlanks(line.substr(0, 21)), TrimBlanks(line.substr(22))});
    }
    ASSERT_GE(read.size(), 4u);
    EXPECT_EQ(read[0], (std::pair<std::string, std::string>{"name", p.name}));
    EXPECT_EQ(read[1], (std::pair<std::string, std::string>{"dm_playermodel", p.alliedModel}));
    EXPECT_EQ(read[2], (std::pair<std::string, std::string>{"dm_playergermanmodel", p.axisModel}));
    ASSERT_EQ(read[3].first, "version");
    macClients += read[3].second.size() >= 40 && read[3].second.substr(35, 5) == "MacOS";

    std::vector<std::pair<std::string, std::string>> rest;
    for (const auto& s : p.settings) {
      if (s.first != "version") rest.push_back(s);
    }
    EXPECT_EQ(std::vector(read.begin() + 4, read.end()), rest);
  }
  EXPECT_EQ(macClients, 1);
}

TEST(DescribeCommand, NamesEveryOverlayCommand) {
  const struct {
    const char* text;
    const char* meaning;
  } cases[] = {
      {"K3KO4", "kick client 3"},
      {"K26KO4", "kick client 26"},
      {"K3KB4", "ban client 3"},
      {"K0DB4", "ban client 0 for a day"},
      {"K-1KO4", "kick client -1"},
      {"Mcon\\s\\qkill\\q\\s3", "make client 3 commit suicide"},
      {"Mscreenshot_action\\s4", "action screenshot of client 4"},
      {"Mscreenshot_all\\s4", "full screenshot of client 4"},
      {"Mswitch_allies\\s2", "move client 2 to Allied"},
      {"Mswitch_axis\\s2", "move client 2 to Axis"},
      {"Mswitch_spectator\\s2", "move client 2 to Spectator"},
      {"Mtimeout\\s7", "time out client 7"},
      {"Mrelease\\s7", "release client 7"},
      {"Mclient_forceskin\\s13", "force skins on client 13"},
      {"J26", "taunts off for client 26"},
      {"L0", "chat off for client 0"},
      {"Mclient_disconnect\\s9", "disconnect client 9"},
      {"Mclient_quit\\s9", "force client 9 to quit"},
      {"XA - dm/mohdm6", "change map to dm/mohdm6"},
      {"XT - obj/obj_team2", "change map to obj/obj_team2"},
      // Not commands the overlay can send, or damaged ones.
      {"", "unknown command"},
      {"K3KO", "unknown command"},
      {"K03KO4", "unknown command"},
      {"K+3KO4", "unknown command"},
      {"KxKO4", "unknown command"},
      {"K3KO4 ", "unknown command"},
      {"k3KO4", "unknown command"},
      {"Mswitch_allies\\s", "unknown command"},
      {"Mswitch_allies\\s3x", "unknown command"},
      {"Mswitch_allies/s3", "unknown command"},
      {"K3KO4K4KO4", "unknown command"},
      {"X", "unknown command"},
      {"XZ - Cancel", "unknown command"},
      {"XA - ", "unknown command"},
      {"XA-dm/mohdm6", "unknown command"},
  };
  for (const auto& c : cases) EXPECT_EQ(DescribeCommand(c.text), c.meaning) << c.text;
}

TEST(ApplyCommand, CommandsChangeTheDemoGame) {
  DemoGame game{DemoPlayers()};
  const size_t before = game.players.size();
  EXPECT_EQ(ApplyCommand(game, "K4KO4"), "Bobby has left the server");
  EXPECT_EQ(game.players.size(), before - 1);
  EXPECT_EQ(InspectionRecord(game.players).find("Bobby"), std::string::npos);
  EXPECT_EQ(ApplyCommand(game, "K4KB4"), "no client 4 on the server");

  EXPECT_EQ(ApplyCommand(game, "Mswitch_axis\\s26"), "Zed is now on Axis");
  EXPECT_EQ(ApplyCommand(game, "Mswitch_spectator\\s26"), "Zed is now on Spectator");
  EXPECT_EQ(ApplyCommand(game, "XB - obj/obj_team2"), "map is now obj/obj_team2");
  EXPECT_NE(InspectionRecord(game.players, game.map).find("\nmap: obj/obj_team2\n"), std::string::npos);

  for (const char* harmless : {"Mtimeout\\s0", "J0", "XZ - Cancel", "X", "garbage", "K0KO"}) {
    EXPECT_EQ(ApplyCommand(game, harmless), "") << harmless;
  }
  for (const char* gone : {"Mclient_disconnect\\s0", "Mclient_quit\\s2", "K7DB4"}) {
    EXPECT_NE(ApplyCommand(game, gone), "") << gone;
  }
  EXPECT_EQ(game.players.size(), before - 4);
}
