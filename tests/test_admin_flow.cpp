// The whole admin loop against a loopback server: an inspection record fills
// the grid, real key presses (SendInput) pick a player and an action, and the
// command text arrives at the server.
#include <gtest/gtest.h>

#include "common/win/registry.h"
#include "overlay/win/overlay_window.h"
#include "tests/wine_test_util.h"
#include "tools/inspection_server/demo_records.h"

namespace {

void SendKey(WORD vk, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof in);
}

// Held for a few refresh ticks: a tap released before the poll would read as
// "pressed since" without "down now", which does not count.
void Press(WORD vk) {
  SendKey(vk, true);
  PumpFor(60);
  SendKey(vk, false);
  PumpFor(30);
}

bool Topmost(HWND hwnd) { return (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

// The window seen at the middle of the overlay square: the square itself when
// it lies over the action window.
HWND WindowOverSquare(HWND square) {
  RECT r{};
  GetWindowRect(square, &r);
  return WindowFromPoint(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

// A real left click near the top of a window, where the first list line sits.
void ClickNearTop(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  SetCursorPos((r.left + r.right) / 2, r.top + 5);
  PumpFor(20);
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
  PumpFor(60);
}

// Screen pixels down the right half of a window's inside that have the grid's
// line colour.
int GridLinePixelsInside(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  HDC screen = GetDC(nullptr);
  int found = 0;
  const int x = r.right - (r.right - r.left) / 4;
  for (int y = r.top + 2; y < r.bottom - 2; ++y) {
    if (GetPixel(screen, x, y) == RGB(192, 192, 192)) ++found;
  }
  ReleaseDC(nullptr, screen);
  return found;
}

// Screen pixels darker than mid-grey across one line of a list box: the
// line's text, when the line can be seen.
int DarkPixelsOnLine(HWND list, int index) {
  RECT item{};
  if (SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) == LB_ERR) {
    return -1;
  }
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&item), 2);
  HDC screen = GetDC(nullptr);
  int found = 0;
  const int y = (item.top + item.bottom) / 2;
  for (int x = item.left; x < item.right; ++x) {
    const COLORREF c = GetPixel(screen, x, y);
    if (c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128) ++found;
  }
  ReleaseDC(nullptr, screen);
  return found;
}

void StoreScrollLock(int value) {
  registry::StoreKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, "Use Scroll Lock",
                             std::to_string(value), registry::kText);
}

class AdminFlow : public ::testing::Test {
 protected:
  TestServer server;
  OverlayWindow overlay;

  void SetUp() override {
    TakeQuit();
    StoreOverlaySettings("127.0.0.1", std::to_string(server.port), 1, "dm/mohdm1 dm/mohdm6");
  }
  void TearDown() override {
    overlay.Close();
    TakeQuit();
  }

  void ConnectAndSendInspectionRecord() {
    ASSERT_TRUE(overlay.Open());
    ASSERT_EQ(server.AcceptWhilePumping(), 930);
    server.Send(InspectionRecord(DemoPlayers()));
    ASSERT_TRUE(PumpUntil([&] { return overlay.ActionPane().Grid().Text(1, 1) == "Alice"; }));
  }
};

}  // namespace

TEST_F(AdminFlow, KeysPickAPlayerAndSendTheAction) {
  StoreScrollLock(0);
  ConnectAndSendInspectionRecord();
  ActionWindow& actionWindow = overlay.ActionPane();
  EXPECT_EQ(actionWindow.Grid().Text(27, 0), "0") << "client 26";
  EXPECT_EQ(actionWindow.Grid().Text(5, 3), "172.16.4.20");
  EXPECT_EQ(actionWindow.MessageLine().rfind("Last Update - ", 0), 0u);
  EXPECT_NE(actionWindow.MessageLine().find("     Total Players: 6"), std::string::npos);
  EXPECT_EQ(actionWindow.Height(), 28 * 260 + 260 + 300) << "the highest row is client 26's";
  EXPECT_TRUE(Topmost(overlay.Handle()));
  EXPECT_FALSE(Topmost(actionWindow.Handle()));
  EXPECT_EQ(WindowOverSquare(overlay.Handle()), overlay.Handle());

  // A tap let go before the next poll is not a press: the key is no longer down.
  SendKey(VK_SNAPSHOT, true);
  SendKey(VK_SNAPSHOT, false);
  PumpFor(60);
  EXPECT_EQ(overlay.Actions().state.menuMode, MenuMode::Idle);

  Press(VK_SNAPSHOT);
  EXPECT_EQ(overlay.Actions().state.menuMode, MenuMode::Pick);
  EXPECT_TRUE(Topmost(actionWindow.Handle()));
  EXPECT_NE(WindowOverSquare(overlay.Handle()), overlay.Handle()) << "the action window lies over the square";
  Press('0');
  EXPECT_EQ(actionWindow.MessageLine(), "Zed");
  EXPECT_TRUE(actionWindow.ActionsShown());
  Press('B');
  EXPECT_EQ(server.ReceiveWhilePumping(6), "K26KB4");
  EXPECT_EQ(actionWindow.MessageLine(), "Command Sent");
  EXPECT_FALSE(actionWindow.ActionsShown());
  PumpFor(30);
  EXPECT_EQ(overlay.Actions().state.menuMode, MenuMode::Idle);
  EXPECT_FALSE(Topmost(actionWindow.Handle()));
  EXPECT_EQ(WindowOverSquare(overlay.Handle()), overlay.Handle());

  // A map change through "C" and the map's letter.
  Press(VK_SNAPSHOT);
  Press('A');
  Press('C');
  EXPECT_TRUE(actionWindow.MapsShown());
  Press('B');
  EXPECT_EQ(server.ReceiveWhilePumping(14), "XB - dm/mohdm6");
  EXPECT_FALSE(actionWindow.MapsShown());

  // With the link down the action is reported as not sent.
  server.CloseClient();
  ASSERT_TRUE(PumpUntil([&] { return overlay.BackColor() == RGB(255, 0, 0); }));
  Press(VK_SNAPSHOT);
  Press('A');
  EXPECT_EQ(actionWindow.MessageLine(), "Alice");
  Press('K');
  EXPECT_EQ(actionWindow.MessageLine(), "Command Not Sent");
}

TEST_F(AdminFlow, ShownListsLieOverTheGrid) {
  StoreScrollLock(0);
  ConnectAndSendInspectionRecord();
  ActionWindow& actionWindow = overlay.ActionPane();
  HWND actionMenu = FindWindowExA(actionWindow.Handle(), nullptr, "LISTBOX", nullptr);
  HWND mapMenu = FindWindowExA(actionWindow.Handle(), actionMenu, "LISTBOX", nullptr);
  ASSERT_TRUE(actionMenu && mapMenu);
  Press(VK_SNAPSHOT);
  Press('A');
  Press('C');
  ASSERT_TRUE(actionWindow.MapsShown());

  // A new record repaints the grid; the map list stays readable above it.
  server.Send(InspectionRecord(DemoPlayers()));
  ASSERT_TRUE(PumpUntil([&] { return overlay.InspectionRecordCount() == 2; }));
  PumpFor(100);
  EXPECT_EQ(GridLinePixelsInside(mapMenu), 0);

  // Its lines take the click, which dismisses the window.
  ClickNearTop(mapMenu);
  EXPECT_FALSE(actionWindow.MapsShown());
  EXPECT_EQ(overlay.Actions().state.menuMode, MenuMode::Idle);
  EXPECT_TRUE(overlay.Actions().state.mapPending);
}

TEST_F(AdminFlow, ActionMenuStaysReadableOverTheMapList) {
  StoreScrollLock(0);
  StoreOverlaySettings("127.0.0.1", std::to_string(server.port), 0, "dm/mohdm1 dm/mohdm6");
  ASSERT_TRUE(overlay.Open());
  ASSERT_EQ(server.AcceptWhilePumping(), 930);
  server.Send(InspectionRecord(DemoPlayers()));
  ASSERT_TRUE(PumpUntil([&] { return overlay.InspectionRecordCount() == 1; }));
  ActionWindow& actionWindow = overlay.ActionPane();
  HWND actionMenu = FindWindowExA(actionWindow.Handle(), nullptr, "LISTBOX", nullptr);
  ASSERT_TRUE(actionMenu);

  // The maps looked at first, then a player picked: both lists are shown,
  // and the action menu must be the one that can be read, also after a repaint.
  Press(VK_SNAPSHOT);
  Press(VK_RIGHT);
  Press('A');
  ASSERT_TRUE(actionWindow.MapsShown());
  ASSERT_TRUE(actionWindow.ActionsShown());
  RedrawWindow(actionWindow.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpFor(100);
  EXPECT_GT(DarkPixelsOnLine(actionMenu, 9), 0) << "the line \"T - Timeout\"";
}

TEST_F(AdminFlow, ScrollLockOpensAndClicksDismiss) {
  StoreScrollLock(1);
  ConnectAndSendInspectionRecord();
  ActionWindow& actionWindow = overlay.ActionPane();
  Press(VK_SNAPSHOT);
  EXPECT_EQ(overlay.Actions().state.menuMode, MenuMode::Idle) << "Print Screen is not the open key";
  Press(VK_SCROLL);
  EXPECT_EQ(overlay.Actions().state.menuMode, MenuMode::Pick);
  Press(VK_SCROLL);  // leave the toggle as it was
  Press(VK_RIGHT);
  EXPECT_TRUE(actionWindow.MapsShown());
  EXPECT_EQ(overlay.Actions().state.menuMode, MenuMode::Pick);
  SendMessageA(actionWindow.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, 0);
  PumpFor(30);
  EXPECT_EQ(overlay.Actions().state.menuMode, MenuMode::Idle);
  EXPECT_TRUE(Topmost(overlay.Handle()));
  EXPECT_FALSE(Topmost(actionWindow.Handle()));

  // Space in the pick step ends the overlay.
  Press(VK_SCROLL);
  Press(VK_SCROLL);
  Press(VK_SPACE);
  EXPECT_TRUE(overlay.Ended());
  EXPECT_TRUE(TakeQuit());
}
