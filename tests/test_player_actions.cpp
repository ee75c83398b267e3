#include <gtest/gtest.h>

#include "map_list.h"
#include "overlay_layout.h"
#include "player_actions.h"
#include "status_record.h"

namespace {

struct FakeView : ActionView {
  std::string label = "Waiting for Status";
  bool actions = false, maps = false;
  std::vector<std::string> mapLines = BuildMapLines("obj/obj_team1 obj/obj_team2,,dm/mohdm6");
  void SetLabel(const std::string& text) override { label = text; }
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
  bool cmdSend(const std::string& text) override {
    if (!up) return false;
    sent.push_back(text);
    return true;
  }
};

std::string Line(int client, const std::string& name) {
  char text[128];
  std::snprintf(text, sizeof text, "%3d %5d %4d %-15s %7d %-21s %5d %5d", client, 0, 50, name.c_str(), 0,
                "10.0.0.1:12203", 1000, 25000);
  return text;
}

struct Fixture {
  FakeView view;
  FakeOrder order;
  FakeLink link;
  GridModel grid;
  StatusState status;
  PlayerActions actions{view, order, link, grid};

  explicit Fixture(int showAll = 0) {
    status.showAll = showAll;
    SetupGridHeadings(grid, showAll);
    DecodeStatus("h\nh\nh\nh\n" + Line(2, "Carl") + "\n" + Line(3, "Dora") + "\n" + Line(26, "Zero"), "now", grid,
                 status);
    actions.state.menuMode = kPickStep;
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
      f.actions.pick(static_cast<uint16_t>(pickKey));
      EXPECT_EQ(f.view.label, name);
      EXPECT_EQ(f.actions.state.menuMode, kActionStep);
      EXPECT_TRUE(f.view.actions);
      f.actions.kick(static_cast<uint16_t>(c.key));
      EXPECT_EQ(f.link.sent, std::vector<std::string>{expected}) << c.key;
      EXPECT_EQ(f.view.label, "Command Sent");
      EXPECT_EQ(f.actions.state.menuMode, kDone);
      EXPECT_FALSE(f.view.actions);
      EXPECT_TRUE(f.order.moves.empty()) << "the next tick restores the order";
    }
  }
}

TEST(PlayerActions, PickStep) {
  Fixture f;
  f.actions.pick('C');
  EXPECT_EQ(f.view.label, "Carl");
  EXPECT_EQ(f.actions.state.pickedClient, 2);
  f.actions.kick('A');
  EXPECT_EQ(f.link.sent, std::vector<std::string>{"Mswitch_allies\\s2"});

  // No row for the key: the line names the client, not the player shown
  // before; the action step opens all the same.
  Fixture g;
  g.actions.pick('C');
  g.actions.pick('Q');
  EXPECT_EQ(g.view.label, "Client 16");
  EXPECT_EQ(g.actions.state.menuMode, kActionStep);
  EXPECT_EQ(g.actions.state.pickedClient, 16);

  // Right arrow shows the maps and keeps waiting for a player.
  Fixture h;
  h.actions.pick(39);
  EXPECT_TRUE(h.view.maps);
  EXPECT_FALSE(h.view.actions);
  EXPECT_EQ(h.actions.state.menuMode, kPickStep);

  // All-data mode finds a player whose row lies below the number of record lines.
  Fixture all(1);
  all.actions.pick('0');
  EXPECT_EQ(all.view.label, "Zero");
  EXPECT_EQ(all.actions.state.pickedClient, 26);
}

TEST(PlayerActions, KeysThatSendNothing) {
  Fixture f;
  f.actions.pick('C');
  f.actions.kick('X');
  EXPECT_TRUE(f.link.sent.empty());
  EXPECT_EQ(f.view.label, "Action Cancelled");
  EXPECT_EQ(f.actions.state.menuMode, kDone);
  EXPECT_FALSE(f.view.actions);

  for (char key : std::string("EHIMOUVW")) {
    Fixture g;
    g.actions.pick('C');
    g.actions.kick(static_cast<uint16_t>(key));
    EXPECT_TRUE(g.link.sent.empty()) << key;
    EXPECT_EQ(g.view.label, "No Valid Command");
    EXPECT_EQ(g.actions.state.menuMode, kDone);
    EXPECT_TRUE(g.view.actions) << "the menu stays shown";
    EXPECT_EQ(g.order.moves, (std::vector<std::string>{"actions-", "overlay+"}));
  }
}

TEST(PlayerActions, MapChoice) {
  Fixture f;
  f.actions.pick('D');
  f.actions.kick('C');
  EXPECT_TRUE(f.view.maps);
  EXPECT_FALSE(f.view.actions);
  EXPECT_EQ(f.actions.state.mapPending, 1);
  EXPECT_EQ(f.actions.state.menuMode, kActionStep);
  EXPECT_EQ(f.view.label, "Dora");
  f.actions.kick('B');
  EXPECT_EQ(f.link.sent, std::vector<std::string>{"XB - obj/obj_team2"});
  EXPECT_EQ(f.actions.state.mapPending, 0);
  EXPECT_EQ(f.actions.state.menuMode, kDone);
  EXPECT_FALSE(f.view.maps);
  EXPECT_EQ(f.view.label, "Dora");
  EXPECT_EQ(f.order.moves, (std::vector<std::string>{"actions-", "overlay+"}));

  Fixture z;
  z.actions.pick('D');
  z.actions.kick('C');
  z.actions.kick('Z');
  EXPECT_TRUE(z.link.sent.empty());
  EXPECT_FALSE(z.view.maps);
  EXPECT_EQ(z.actions.state.menuMode, kDone);
  EXPECT_EQ(z.view.label, "Dora");
  EXPECT_EQ(z.order.moves, (std::vector<std::string>{"actions-", "overlay+"}));

  // "D" holds the cancel line of this three-map list, "Q" lies past the end: no map.
  for (char key : {'D', 'Q'}) {
    Fixture g;
    g.actions.pick('D');
    g.actions.kick('C');
    g.actions.kick(static_cast<uint16_t>(key));
    EXPECT_TRUE(g.link.sent.empty()) << key;
    EXPECT_EQ(g.view.label, "No Valid Command");
    EXPECT_FALSE(g.view.maps);
    EXPECT_EQ(g.actions.state.menuMode, kDone);
    EXPECT_EQ(g.actions.state.mapPending, 0);
  }
}

TEST(PlayerActions, LinkDownIsReported) {
  Fixture f;
  f.link.up = false;
  f.actions.pick('D');
  f.actions.kick('K');
  EXPECT_EQ(f.view.label, "Command Not Sent");
  EXPECT_EQ(f.actions.state.menuMode, kDone);
  EXPECT_FALSE(f.view.actions);

  Fixture m;
  m.link.up = false;
  m.actions.pick('D');
  m.actions.kick('C');
  m.actions.kick('A');
  EXPECT_EQ(m.view.label, "Command Not Sent");
  EXPECT_EQ(m.actions.state.menuMode, kDone);
}

TEST(PlayerActions, ClicksReturnToIdle) {
  Fixture f;
  f.actions.pick('D');
  f.actions.kick('C');
  f.actions.Form_Click();
  EXPECT_EQ(f.actions.state.menuMode, kIdle);
  EXPECT_EQ(f.actions.state.mapPending, 1) << "a click leaves the map choice pending";
  EXPECT_EQ(f.order.moves, (std::vector<std::string>{"overlay+", "actions-"}));
  // The next action step takes its first key as a map choice.
  f.actions.state.menuMode = kPickStep;
  f.actions.pick('C');
  f.actions.kick('A');
  EXPECT_EQ(f.link.sent, std::vector<std::string>{"XA - obj/obj_team1"});

  Fixture g;
  g.actions.pick(39);
  g.actions.curmaps_Click();
  EXPECT_FALSE(g.view.maps);
  EXPECT_EQ(g.actions.state.menuMode, kIdle);
  g.actions.Label1_Click();
  EXPECT_EQ(g.order.moves, (std::vector<std::string>{"overlay+", "actions-", "overlay+", "actions-"}));
}
