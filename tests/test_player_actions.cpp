#include <gtest/gtest.h>

#include "overlay/core/inspection_record.h"
#include "overlay/core/key_codes.h"
#include "overlay/core/map_list.h"
#include "overlay/core/overlay_layout.h"
#include "overlay/core/player_actions.h"

namespace {

struct FakeView : ActionView {
  std::string messageLine = "Waiting for Status";
  bool actions = false, maps = false;
  std::vector<std::string> mapLines = BuildMapLines("obj/obj_team1 obj/obj_team2,,dm/mohdm6");
  void SetMessageLine(const std::string& text) override { messageLine = text; }
  void ShowActions(bool show) override { actions = show; }
  void ShowMaps(bool show) override { maps = show; }
  std::vector<std::string> MapLines() const override { return mapLines; }
};

struct FakeOrder : WindowOrder {
  std::vector<std::string> moves;
  void SetTopmost(Pane pane, bool topmost) override {
    moves.push_back(std::string(pane == Pane::Overlay ? "overlay" : "actions") + (topmost ? "+" : "-"));
  }
};

struct FakeLink : CommandSink {
  bool up = true;
  std::vector<std::string> sent;
  bool SendCommand(const std::string& text) override {
    if (!up) return false;
    sent.push_back(text);
    return true;
  }
};

struct FakeLog : CommandLog {
  std::vector<CommandRecord> lines;
  bool Append(const CommandRecord& record) override {
    lines.push_back(record);
    return true;
  }
};

std::string Line(int client, const std::string& name) {
  return FormatPlayerLine({.client = client, .ping = 50, .name = name, .address = "10.0.0.1:12203"});
}

struct Fixture {
  FakeView view;
  FakeOrder order;
  FakeLink link;
  GridModel grid;
  PlayerGridState gridState;
  FakeLog log;
  PlayerActions actions{view, order, link, grid};

  explicit Fixture(GridMode mode = GridMode::NamesOnly) {
    actions.SetLog(&log);
    gridState.mode = mode;
    SetupGridHeadings(grid, mode);
    DecodeInspectionRecord("h\nh\nh\nh\n" + Line(2, "Carl") + "\n" + Line(3, "Dora") + "\n" + Line(26, "Zero"), grid,
                       gridState);
    actions.state.menuMode = MenuMode::Pick;
  }
};

}  // namespace

TEST(PlayerActions, EveryActionSendsItsExactText) {
  struct Case {
    char key;
    std::string forClient3, forClient26;
  };
  const std::vector<Case> cases = {
      {'K', "K3KO4", "K26KO4"},
      {'B', "K3KB4", "K26KB4"},
      {'D', "K3DB4", "K26DB4"},
      {'S', "Mcon\\s\\qkill\\q\\s3", "Mcon\\s\\qkill\\q\\s26"},
      {'Z', "Mscreenshot_action\\s3", "Mscreenshot_action\\s26"},
      {'Y', "Mscreenshot_all\\s3", "Mscreenshot_all\\s26"},
      {'A', "Mswitch_allies\\s3", "Mswitch_allies\\s26"},
      {'G', "Mswitch_axis\\s3", "Mswitch_axis\\s26"},
      {'P', "Mswitch_spectator\\s3", "Mswitch_spectator\\s26"},
      {'T', "Mtimeout\\s3", "Mtimeout\\s26"},
      {'R', "Mrelease\\s3", "Mrelease\\s26"},
      {'F', "Mclient_forceskin\\s3", "Mclient_forceskin\\s26"},
      {'J', "J3", "J26"},
      {'L', "L3", "L26"},
      {'N', "Mclient_disconnect\\s3", "Mclient_disconnect\\s26"},
      {'Q', "Mclient_quit\\s3", "Mclient_quit\\s26"},
  };
  EXPECT_EQ(ActionCommand('S', 3).size(), 17u);
  for (const Case& c : cases) {
    for (const auto& [pickKey, expected, name] :
         {std::tuple{'D', c.forClient3, "Dora"}, std::tuple{'0', c.forClient26, "Zero"}}) {
      Fixture f;
      f.actions.OnPickKey(static_cast<uint16_t>(pickKey));
      EXPECT_EQ(f.view.messageLine, name);
      EXPECT_EQ(f.actions.state.menuMode, MenuMode::Action);
      EXPECT_TRUE(f.view.actions);
      f.actions.OnActionKey(static_cast<uint16_t>(c.key));
      EXPECT_EQ(f.link.sent, std::vector<std::string>{expected}) << c.key;
      EXPECT_EQ(f.view.messageLine, "Command Sent");
      EXPECT_EQ(f.actions.state.menuMode, MenuMode::Done);
      EXPECT_FALSE(f.view.actions);
      EXPECT_TRUE(f.order.moves.empty()) << "the next tick restores the order";
    }
  }
}

TEST(PlayerActions, PickStep) {
  Fixture f;
  f.actions.OnPickKey('C');
  EXPECT_EQ(f.view.messageLine, "Carl");
  EXPECT_EQ(f.actions.state.pickedClient, 2);
  f.actions.OnActionKey('A');
  EXPECT_EQ(f.link.sent, std::vector<std::string>{"Mswitch_allies\\s2"});

  // No row for the key: the line names the client, not the player shown
  // before; the action step opens all the same.
  Fixture g;
  g.actions.OnPickKey('C');
  g.actions.OnPickKey('Q');
  EXPECT_EQ(g.view.messageLine, "Client 16");
  EXPECT_EQ(g.actions.state.menuMode, MenuMode::Action);
  EXPECT_EQ(g.actions.state.pickedClient, 16);

  // Right arrow shows the maps and keeps waiting for a player.
  Fixture h;
  h.actions.OnPickKey(kRightArrowKey);
  EXPECT_TRUE(h.view.maps);
  EXPECT_FALSE(h.view.actions);
  EXPECT_EQ(h.actions.state.menuMode, MenuMode::Pick);

  // All-data mode finds a player whose row lies below the number of record lines.
  Fixture all(GridMode::AllData);
  all.actions.OnPickKey('0');
  EXPECT_EQ(all.view.messageLine, "Zero");
  EXPECT_EQ(all.actions.state.pickedClient, 26);
}

// A full 64-slot server on the remote console: every row shows a key that
// picks its player, those past the 36th Page Down and a key shown after "+";
// a pick leaves no Page Down behind for the next one.
TEST(PlayerActions, SixtyFourPlayersAllPickedByKeys) {
  for (GridMode mode : {GridMode::NamesOnly, GridMode::AllData}) {
    Fixture f(mode);
    std::vector<GridPlayer> players;
    for (int c = 0; c < 64; ++c) players.push_back({c, "5", "P" + std::to_string(c), "10.0.0.1"});
    ShowPlayerRows(players, f.grid, f.gridState);
    ASSERT_EQ(f.grid.Rows(), 65);
    for (int r = f.grid.Rows() - 1; r >= 1; --r) {
      const std::string key = f.grid.Text(r, kKeyCol);
      ASSERT_FALSE(key.empty()) << r;
      f.actions.state.menuMode = MenuMode::Pick;
      if (key.size() == 2 && key[0] == '+') f.actions.OnPickKey(kPageDownKey);
      f.actions.OnPickKey(static_cast<uint16_t>(key.back()));
      EXPECT_EQ(f.view.messageLine, f.grid.Text(r, kNameCol)) << key;
      EXPECT_EQ("P" + std::to_string(f.actions.state.pickedClient), f.grid.Text(r, kNameCol)) << key;
    }
    // Put away after Page Down, the window picks from the first keys again.
    f.actions.OnPickKey(kPageDownKey);
    f.actions.OnWindowClick();
    f.actions.OnPickKey('B');
    EXPECT_EQ(f.actions.state.pickedClient, 1);
  }
}

TEST(PlayerActions, KeysThatSendNothing) {
  Fixture f;
  f.actions.OnPickKey('C');
  f.actions.OnActionKey('X');
  EXPECT_TRUE(f.link.sent.empty());
  EXPECT_EQ(f.view.messageLine, "Action Cancelled");
  EXPECT_EQ(f.actions.state.menuMode, MenuMode::Done);
  EXPECT_FALSE(f.view.actions);

  for (char key : std::string("EHIMOUVW")) {
    Fixture g;
    g.actions.OnPickKey('C');
    g.actions.OnActionKey(static_cast<uint16_t>(key));
    EXPECT_TRUE(g.link.sent.empty()) << key;
    EXPECT_EQ(g.view.messageLine, "No Valid Command");
    EXPECT_EQ(g.actions.state.menuMode, MenuMode::Done);
    EXPECT_TRUE(g.view.actions) << "the menu stays shown";
    EXPECT_EQ(g.order.moves, (std::vector<std::string>{"actions-", "overlay+"}));
  }
}

TEST(PlayerActions, MapChoice) {
  Fixture f;
  f.actions.OnPickKey('D');
  f.actions.OnActionKey('C');
  EXPECT_TRUE(f.view.maps);
  EXPECT_FALSE(f.view.actions);
  EXPECT_TRUE(f.actions.state.mapPending);
  EXPECT_EQ(f.actions.state.menuMode, MenuMode::Action);
  EXPECT_EQ(f.view.messageLine, "Dora");
  f.actions.OnActionKey('B');
  EXPECT_EQ(f.link.sent, std::vector<std::string>{"XB - obj/obj_team2"});
  EXPECT_FALSE(f.actions.state.mapPending);
  EXPECT_EQ(f.actions.state.menuMode, MenuMode::Done);
  EXPECT_FALSE(f.view.maps);
  EXPECT_EQ(f.view.messageLine, "Dora");
  EXPECT_EQ(f.order.moves, (std::vector<std::string>{"actions-", "overlay+"}));

  Fixture z;
  z.actions.OnPickKey('D');
  z.actions.OnActionKey('C');
  z.actions.OnActionKey('Z');
  EXPECT_TRUE(z.link.sent.empty());
  EXPECT_FALSE(z.view.maps);
  EXPECT_EQ(z.actions.state.menuMode, MenuMode::Done);
  EXPECT_EQ(z.view.messageLine, "Dora");
  EXPECT_EQ(z.order.moves, (std::vector<std::string>{"actions-", "overlay+"}));

  // "D" holds the cancel line of this three-map list, "Q" lies past the end: no map.
  for (char key : {'D', 'Q'}) {
    Fixture g;
    g.actions.OnPickKey('D');
    g.actions.OnActionKey('C');
    g.actions.OnActionKey(static_cast<uint16_t>(key));
    EXPECT_TRUE(g.link.sent.empty()) << key;
    EXPECT_EQ(g.view.messageLine, "No Valid Command");
    EXPECT_FALSE(g.view.maps);
    EXPECT_EQ(g.actions.state.menuMode, MenuMode::Done);
    EXPECT_FALSE(g.actions.state.mapPending);
  }
}

TEST(PlayerActions, LinkDownIsReported) {
  Fixture f;
  f.link.up = false;
  f.actions.OnPickKey('D');
  f.actions.OnActionKey('K');
  EXPECT_EQ(f.view.messageLine, "Command Not Sent");
  EXPECT_EQ(f.actions.state.menuMode, MenuMode::Done);
  EXPECT_FALSE(f.view.actions);

  Fixture m;
  m.link.up = false;
  m.actions.OnPickKey('D');
  m.actions.OnActionKey('C');
  m.actions.OnActionKey('A');
  EXPECT_EQ(m.view.messageLine, "Command Not Sent");
  EXPECT_EQ(m.actions.state.menuMode, MenuMode::Done);
}

TEST(PlayerActions, ClicksReturnToIdle) {
  Fixture f;
  f.actions.OnPickKey('D');
  f.actions.OnActionKey('C');
  f.actions.OnWindowClick();
  EXPECT_EQ(f.actions.state.menuMode, MenuMode::Idle);
  EXPECT_TRUE(f.actions.state.mapPending) << "a click leaves the map choice pending";
  EXPECT_EQ(f.order.moves, (std::vector<std::string>{"overlay+", "actions-"}));
  // The next action step takes its first key as a map choice.
  f.actions.state.menuMode = MenuMode::Pick;
  f.actions.OnPickKey('C');
  f.actions.OnActionKey('A');
  EXPECT_EQ(f.link.sent, std::vector<std::string>{"XA - obj/obj_team1"});

  Fixture g;
  g.actions.OnPickKey(kRightArrowKey);
  g.actions.OnMapListClick();
  EXPECT_FALSE(g.view.maps);
  EXPECT_EQ(g.actions.state.menuMode, MenuMode::Idle);
  g.actions.OnMessageLineClick();
  EXPECT_EQ(g.order.moves, (std::vector<std::string>{"overlay+", "actions-", "overlay+", "actions-"}));
}

// One record for each command that went out, with the row as shown; none for
// keys that send nothing or a command the link did not take.
TEST(PlayerActions, EachCommandSentIsRecordedOnce) {
  struct Case {
    const char* what;
    GridMode mode;
    std::string keys;  // the pick key, then the action keys
    bool linkUp;
    std::vector<std::string> record;  // menu line, client, name, address, map, command; empty: none
  };
  const Case cases[] = {
      {"kick, names only", GridMode::NamesOnly, "DK", true, {"K - Kick", "3", "Dora", "", "", "K3KO4"}},
      {"team switch of an empty row", GridMode::AllData, "QA", true,
       {"A - To Allied", "16", "", "", "", "Mswitch_allies\\s16"}},
      {"map change", GridMode::AllData, "DCB", true,
       {"C - Change Map", "", "", "", "obj/obj_team2", "XB - obj/obj_team2"}},
      {"cancel", GridMode::NamesOnly, "DX", true, {}},
      {"link down", GridMode::NamesOnly, "DK", false, {}},
  };
  for (const Case& c : cases) {
    Fixture f(c.mode);
    f.link.up = c.linkUp;
    f.actions.OnPickKey(static_cast<uint16_t>(c.keys[0]));
    for (char key : c.keys.substr(1)) f.actions.OnActionKey(static_cast<uint16_t>(key));
    if (c.record.empty()) {
      EXPECT_TRUE(f.log.lines.empty()) << c.what;
      continue;
    }
    ASSERT_EQ(f.log.lines.size(), 1u) << c.what;
    const CommandRecord& r = f.log.lines[0];
    EXPECT_EQ((std::vector<std::string>{r.menuLine, r.client, r.name, r.address, r.map, r.command}), c.record)
        << c.what;
  }
}

// A console link stands in for the inspection server's texts: what the
// server cannot do is said and neither sent nor logged.
TEST(PlayerActions, RoutedActionsReportAndLogTheConsoleCommand) {
  struct FakeRouter : CommandRouter {
    RoutedCommand answer;
    std::vector<std::string> calls;
    RoutedCommand RouteAction(char key, int client) override {
      calls.push_back(std::string(1, key) + std::to_string(client));
      return answer;
    }
    RoutedCommand RouteMap(const std::string& map) override {
      calls.push_back("map " + map);
      return answer;
    }
  };
  struct Case {
    std::string keys;
    RoutedCommand answer;
    std::string call, messageLine, logged;  // logged: the command in the log, "-" for no line
  };
  const Case cases[] = {
      {"DK", {RouteOutcome::Sent, "clientkick 3"}, "K3", "Command Sent", "clientkick 3"},
      {"DS", {RouteOutcome::NotAvailable, ""}, "S3", kNotAvailableMessage, "-"},
      {"DB", {RouteOutcome::NotSent, "banaddr 3"}, "B3", "Command Not Sent", "-"},
      {"DCB", {RouteOutcome::Sent, "gamemap obj/obj_team2"}, "map obj/obj_team2", "Dora", "gamemap obj/obj_team2"},
      {"DCA", {RouteOutcome::NotAvailable, ""}, "map obj/obj_team1", kNotAvailableMessage, "-"},
      {"DK", {RouteOutcome::ServerNotKnown, ""}, "K3", kServerNotKnownMessage, "-"},
  };
  for (const Case& c : cases) {
    Fixture f;
    FakeRouter router;
    router.answer = c.answer;
    f.actions.SetRouter(&router);
    f.actions.OnPickKey(static_cast<uint16_t>(c.keys[0]));
    for (char key : c.keys.substr(1)) f.actions.OnActionKey(static_cast<uint16_t>(key));
    EXPECT_EQ(router.calls, std::vector<std::string>{c.call}) << c.keys;
    EXPECT_TRUE(f.link.sent.empty()) << c.keys;
    EXPECT_EQ(f.view.messageLine, c.messageLine) << c.keys;
    EXPECT_EQ(f.log.lines.empty() ? "-" : f.log.lines[0].command, c.logged) << c.keys;
    EXPECT_EQ(f.actions.state.menuMode, MenuMode::Done) << c.keys;
  }
}
