#include <gtest/gtest.h>

#include <map>

#include "overlay/core/hotkeys.h"

namespace {

// Keys as the system keeps them: down now, and pressed since the last query
// of that key (cleared by every query). Only both together are a new press.
struct ScriptedKeyboard : Keyboard {
  std::map<int, bool> down, since;
  std::vector<int> queried;
  void Press(int code) { down[code] = since[code] = true; }
  void Release(int code) { down[code] = false; }
  void Tap(int code) { since[code] = true; }  // pressed and let go between two polls
  bool NewlyPressed(int code) override {
    queried.push_back(code);
    const bool pressed = down[code] && since[code];
    since[code] = false;
    return pressed;
  }
};

struct NullView : ActionView {
  std::string messageLine;
  bool actions = false, maps = false;
  void SetMessageLine(const std::string& text) override { messageLine = text; }
  void ShowActions(bool show) override { actions = show; }
  void ShowMaps(bool show) override { maps = show; }
  std::vector<std::string> MapLines() const override { return {"A - dm/mohdm1", "Z - Cancel"}; }
};

struct Order : WindowOrder {
  std::vector<std::string> moves;
  void SetTopmost(Pane pane, bool topmost) override {
    moves.push_back(std::string(pane == Pane::Overlay ? "overlay" : "actions") + (topmost ? "+" : "-"));
  }
};

struct Sink : CommandSink {
  std::vector<std::string> sent;
  bool SendCommand(const std::string& text) override {
    sent.push_back(text);
    return true;
  }
};

struct Remote {
  ScriptedKeyboard keys;
  NullView view;
  Order order;
  Sink link;
  GridModel grid;
  PlayerActions actions{view, order, link, grid};
  bool useScrollLock;
  explicit Remote(bool scrollLock) : useScrollLock(scrollLock) {}
  TickEnd Tick() {
    order.moves.clear();
    keys.queried.clear();
    return HotkeyTick(actions, keys, order, useScrollLock);
  }
  MenuMode Mode() const { return actions.state.menuMode; }
};

}  // namespace

TEST(Hotkeys, OpenKeyFollowsTheSetting) {
  for (int setting : {0, 1, 2}) {
    Remote r(setting == 1);  // the "Use Scroll Lock" value: only 1 is on
    const int open = setting == 1 ? kScrollLockKey : kPrintScreenKey;
    const int other = setting == 1 ? kPrintScreenKey : kScrollLockKey;
    r.keys.Press(other);
    EXPECT_EQ(r.Tick(), TickEnd::Finished);
    EXPECT_EQ(r.Mode(), MenuMode::Idle) << setting;
    EXPECT_EQ(r.order.moves, std::vector<std::string>{"overlay+"});

    r.keys.Press(open);
    r.keys.Press('D');
    const TickEnd end = r.Tick();
    EXPECT_EQ(r.order.moves, (std::vector<std::string>{"overlay+", "actions+"}));
    if (setting == 1) {
      // Scroll Lock: the same tick scans the pick keys and takes "D".
      EXPECT_EQ(end, TickEnd::Finished);
      EXPECT_EQ(r.Mode(), MenuMode::Action);
      EXPECT_EQ(r.actions.state.pickedClient, 3);
    } else {
      // Print Screen ends the tick: "D" waits for the next one.
      EXPECT_EQ(end, TickEnd::Opened);
      EXPECT_EQ(r.Mode(), MenuMode::Pick);
      EXPECT_EQ(r.Tick(), TickEnd::Finished);
      EXPECT_EQ(r.Mode(), MenuMode::Action);
      EXPECT_EQ(r.actions.state.pickedClient, 3);
      EXPECT_EQ(r.order.moves, std::vector<std::string>{"actions+"});
    }
  }
}

TEST(Hotkeys, SpaceEndsOnlyInThePickStep) {
  Remote idle(false);
  idle.keys.Press(kSpaceKey);
  EXPECT_EQ(idle.Tick(), TickEnd::Finished);

  Remote action(false);
  action.actions.state.menuMode = MenuMode::Action;
  action.keys.Press(kSpaceKey);
  EXPECT_EQ(action.Tick(), TickEnd::Finished);
  EXPECT_EQ(action.Mode(), MenuMode::Action);

  Remote pick(false);
  pick.actions.state.menuMode = MenuMode::Pick;
  pick.keys.Press(kSpaceKey);
  pick.keys.Press('A');
  EXPECT_EQ(pick.Tick(), TickEnd::CloseOverlay);
  EXPECT_EQ(pick.order.moves, (std::vector<std::string>{"actions+", "overlay+"}));
  EXPECT_EQ(pick.Mode(), MenuMode::Pick) << "the scan stops at Space, before any letter";
}

TEST(Hotkeys, ScansCoverTheirRangesOnly) {
  Remote r(false);
  r.actions.state.menuMode = MenuMode::Pick;
  r.Tick();
  ASSERT_EQ(r.keys.queried.size(), 60u) << "the open key and 32 to 90";
  EXPECT_EQ(r.keys.queried[0], kPrintScreenKey);
  EXPECT_EQ(r.keys.queried[1], 32);
  EXPECT_EQ(r.keys.queried.back(), 90);

  r.actions.state.menuMode = MenuMode::Action;
  r.keys.Press('5');
  r.keys.Press(kRightArrowKey);
  r.keys.Press('K');
  r.Tick();
  EXPECT_EQ(r.keys.queried.size(), 27u);
  EXPECT_EQ(r.keys.queried[1], 65);
  EXPECT_EQ(r.link.sent, std::vector<std::string>{"K0KO4"}) << "digits and arrows are not polled";

  Remote idle(true);
  idle.Tick();
  EXPECT_EQ(idle.keys.queried, std::vector<int>{kScrollLockKey});
}

TEST(Hotkeys, OnlyNewPressesCount) {
  Remote r(false);
  r.actions.state.menuMode = MenuMode::Pick;
  r.keys.down['B'] = true;  // held since before: reads 0x8000
  r.keys.Tap('C');          // let go before the poll: reads 0x0001
  r.Tick();
  EXPECT_EQ(r.Mode(), MenuMode::Pick);

  // A key held across many ticks is handed on once.
  r.keys.Press('E');
  for (int i = 0; i < 5; ++i) r.Tick();
  EXPECT_EQ(r.Mode(), MenuMode::Action);
  r.keys.Press('K');
  for (int i = 0; i < 5; ++i) r.Tick();
  EXPECT_EQ(r.link.sent, std::vector<std::string>{"K4KO4"});
}

TEST(Hotkeys, EveryKeyOfAScanGoesOn) {
  Remote r(false);
  r.actions.state.menuMode = MenuMode::Pick;
  r.keys.Press('B');
  r.keys.Press('D');
  r.Tick();
  EXPECT_EQ(r.actions.state.pickedClient, 3) << "the later key of the same scan is picked last";
}

TEST(Hotkeys, DoneReturnsToIdleOnTheNextTick) {
  Remote r(true);
  r.actions.state.menuMode = MenuMode::Done;
  r.keys.Press(kScrollLockKey);
  r.Tick();
  EXPECT_EQ(r.order.moves, (std::vector<std::string>{"overlay+", "actions-", "overlay+", "actions+"}));
  EXPECT_EQ(r.Mode(), MenuMode::Pick) << "the open key works again in that same tick";

  Remote p(false);
  p.actions.state.menuMode = MenuMode::Done;
  p.Tick();
  EXPECT_EQ(p.Mode(), MenuMode::Idle);
  p.Tick();
  EXPECT_EQ(p.order.moves, std::vector<std::string>{"overlay+"});
}

// The open key pressed again while the action window is up is consumed by its
// own query: it is neither a pick (Print Screen is code 44) nor an action.
TEST(Hotkeys, ASecondOpenKeyPressDoesNothing) {
  for (int setting : {0, 1}) {
    const int open = setting == 1 ? kScrollLockKey : kPrintScreenKey;
    Remote r(setting == 1);
    r.keys.Press(open);
    r.Tick();
    r.keys.Release(open);
    ASSERT_EQ(r.Mode(), MenuMode::Pick) << setting;

    r.keys.Press(open);
    r.Tick();
    r.Tick();
    EXPECT_EQ(r.Mode(), MenuMode::Pick) << setting << ": no player was picked";
    r.keys.Release(open);
    r.keys.Press('C');
    r.Tick();
    EXPECT_EQ(r.actions.state.pickedClient, 2) << setting;

    r.keys.Press(open);
    r.Tick();
    EXPECT_EQ(r.Mode(), MenuMode::Action) << setting;
    EXPECT_TRUE(r.link.sent.empty()) << setting;
    r.keys.Release(open);
    r.keys.Press('K');
    r.Tick();
    EXPECT_EQ(r.link.sent, std::vector<std::string>{"K2KO4"}) << setting;
    r.Tick();
    r.Tick();
    EXPECT_EQ(r.Mode(), MenuMode::Idle) << setting << ": a press made in the action step does not reopen the window";
  }
}

// In the pick step only letters, digits, Page Down, Right arrow and Space
// mean anything. Every other polled key (Page Up, arrow keys, Home, End, Insert, Delete,
// and Print Screen while Scroll Lock opens the window) leaves the pick step
// as it was, and the next letter picks its own player.
TEST(Hotkeys, KeysThatNameNoClientDoNothingInThePickStep) {
  std::vector<int> noClient;
  for (int code = kSpaceKey + 1; code < 'A'; ++code) {
    if (code != kRightArrowKey && code != kPageDownKey && (code < '0' || code > '9')) noClient.push_back(code);
  }
  ASSERT_EQ(noClient.size(), 20u);
  for (int code : noClient) {
    Remote r(true);
    r.keys.Press(kScrollLockKey);
    r.Tick();
    r.keys.Release(kScrollLockKey);
    r.keys.Press(code);
    r.Tick();
    EXPECT_EQ(r.Mode(), MenuMode::Pick) << code;
    EXPECT_EQ(r.view.messageLine, "") << code;
    EXPECT_FALSE(r.view.actions || r.view.maps) << code;
    r.keys.Release(code);
    r.keys.Press('K');
    r.Tick();
    r.keys.Release('K');
    r.keys.Press('K');
    r.Tick();
    EXPECT_EQ(r.link.sent, std::vector<std::string>{"K10KO4"}) << code;
  }
}
