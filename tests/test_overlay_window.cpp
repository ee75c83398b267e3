#include <gtest/gtest.h>

#include "common/win/registry.h"
#include "common/win/settings.h"
#include "common/win/wait.h"
#include "overlay/core/overlay_layout.h"
#include "overlay/win/overlay_window.h"
#include "tests/udp_flood.h"
#include "tests/wine_test_util.h"

#include <atomic>
#include <thread>

namespace {

int Dpi() {
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  return dpi;
}

int ScreenTwips() { return PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), Dpi()); }

RECT WindowRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

bool Topmost(HWND hwnd) { return (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

COLORREF PixelOf(HWND hwnd) {
  UpdateWindow(hwnd);
  HDC dc = GetDC(hwnd);
  COLORREF c = GetPixel(dc, 1, 1);
  ReleaseDC(hwnd, dc);
  return c;
}

std::string Caption(HWND hwnd) {
  char text[256] = {};
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

class OverlayWindowTest : public ::testing::Test {
 protected:
  TestServer server;
  void SetUp() override {
    TakeQuit();
    StoreOverlaySettings("127.0.0.1", std::to_string(server.port), 0, "obj/obj_team1 obj/obj_team2,,dm/mohdm6");
  }
  void TearDown() override { TakeQuit(); }
};

}  // namespace

TEST_F(OverlayWindowTest, NamesOnlyWhenShowAllIsMissing) {
  DeleteSetting("Mini ShowAll");
  OverlayWindow overlay;
  ASSERT_TRUE(overlay.Open());
  EXPECT_EQ(overlay.BackColor(), RGB(255, 0, 0)) << "red until the link is up";
  EXPECT_EQ(PixelOf(overlay.Handle()), RGB(255, 0, 0));
  PumpFor(50);
  const int dpi = Dpi();
  const int screenTw = ScreenTwips();

  // The red square: 25 twips down, its edges 110 and 10 twips left of the screen's right edge.
  RECT sq = WindowRect(overlay.Handle());
  EXPECT_EQ(sq.left, TwipsToPixels(screenTw - 110, dpi));
  EXPECT_EQ(sq.right, TwipsToPixels(screenTw - 10, dpi));
  EXPECT_EQ(sq.top, TwipsToPixels(25, dpi));
  EXPECT_EQ(sq.bottom, TwipsToPixels(125, dpi));
  EXPECT_EQ(GetWindowLongA(overlay.Handle(), GWL_STYLE) & (WS_CAPTION | WS_BORDER | WS_THICKFRAME), 0);
  EXPECT_TRUE(Topmost(overlay.Handle()));
  ASSERT_NE(server.AcceptWhilePumping(), 0);
  ASSERT_TRUE(PumpUntil([&] { return overlay.BackColor() == RGB(0, 128, 0); }));
  EXPECT_EQ(PixelOf(overlay.Handle()), RGB(0, 128, 0));

  ActionWindow& actionWindow = overlay.ActionPane();
  HWND actions = actionWindow.Handle();
  EXPECT_EQ(Caption(actions), "Player Actions for MOHAA Tavrin Remote");
  EXPECT_TRUE(IsWindowVisible(actions));
  EXPECT_FALSE(Topmost(actions));
  EXPECT_EQ(actionWindow.Width(), 3000);
  EXPECT_EQ(actionWindow.Left(), screenTw - 3000);
  EXPECT_EQ(actionWindow.Top(), 25);
  RECT ar = WindowRect(actions);
  EXPECT_EQ(ar.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(ar.top, TwipsToPixels(25, dpi));
  EXPECT_EQ(actionWindow.MessageLineWidth(), 3000);
  EXPECT_EQ(actionWindow.GridWidth(), 3000);
  EXPECT_EQ(actionWindow.MessageLine(), "Waiting for Status");
  EXPECT_EQ(actionWindow.Grid().Cols(), 2);
  EXPECT_EQ(actionWindow.Grid().Text(0, 0), "Key");
  EXPECT_EQ(actionWindow.Grid().Text(0, 1), "Name");

  std::vector<std::string> lines = actionWindow.ActionLines();
  ASSERT_EQ(lines.size(), 18u);
  EXPECT_EQ(lines[0], "K - Kick");
  EXPECT_EQ(lines[2], "D - Bann for Day");
  EXPECT_EQ(lines[17], "X - Cancel");
  EXPECT_EQ(actionWindow.MapLines(),
            (std::vector<std::string>{"A - obj/obj_team1", "B - obj/obj_team2", "C - dm/mohdm6", "Z - Cancel"}));
}

TEST_F(OverlayWindowTest, AllDataWhenShowAllIsTheTextOne) {
  registry::StoreKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, "Mini ShowAll", std::string("1"),
                             registry::kText);
  OverlayWindow overlay;
  ASSERT_TRUE(overlay.Open());
  PumpFor(50);
  ActionWindow& actionWindow = overlay.ActionPane();
  EXPECT_EQ(actionWindow.Width(), 10300);
  EXPECT_EQ(actionWindow.Left(), ScreenTwips() - 10300);
  EXPECT_EQ(WindowRect(actionWindow.Handle()).right, GetSystemMetrics(SM_CXSCREEN));  // flush with the right edge
  EXPECT_EQ(actionWindow.MessageLineWidth(), 10200);
  EXPECT_EQ(actionWindow.GridWidth(), 10300);
  EXPECT_EQ(actionWindow.MessageLine(), "Waiting for Status     Corvel Version: 1.04");
  ASSERT_EQ(actionWindow.Grid().Cols(), 7);
  EXPECT_EQ(actionWindow.Grid().Text(0, 4), "HackCode");
  EXPECT_EQ(actionWindow.Grid().Text(0, 6), "AxisSkins");
}

TEST_F(OverlayWindowTest, RightButtonEndsTheProgramLeftButtonDoesNot) {
  OverlayWindow overlay;
  ASSERT_TRUE(overlay.Open());
  ASSERT_NE(server.AcceptWhilePumping(), 0);
  HWND square = overlay.Handle();
  HWND actions = overlay.ActionPane().Handle();

  PostMessageA(square, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  PostMessageA(square, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  PumpFor(100);
  EXPECT_FALSE(overlay.Ended());
  EXPECT_TRUE(IsWindow(square));
  EXPECT_FALSE(TakeQuit());

  PostMessageA(square, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(2, 2));
  ASSERT_TRUE(PumpUntil([&] { return overlay.Ended(); }));
  EXPECT_FALSE(IsWindow(square));
  EXPECT_FALSE(IsWindow(actions));
  EXPECT_TRUE(TakeQuit()) << "the program's message loop must end";
  EXPECT_TRUE(PeerClosed(server.client, 2000)) << "the link is closed on the way out";
}

TEST_F(OverlayWindowTest, ClosingTheWindowUnloadsEverything) {
  OverlayWindow overlay;
  ASSERT_TRUE(overlay.Open());
  ASSERT_NE(server.AcceptWhilePumping(), 0);
  HWND actions = overlay.ActionPane().Handle();
  PostMessageA(overlay.Handle(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return overlay.Ended(); }));
  EXPECT_FALSE(IsWindow(actions));
  EXPECT_TRUE(PeerClosed(server.client, 2000));
  EXPECT_TRUE(TakeQuit());
}

// 20,000 datagrams a second from strangers at the remote console's port: the
// overlay still answers and its timers (the keys are read on one) still run.
TEST_F(OverlayWindowTest, AFloodAtTheConsolesPortLeavesTheOverlayItsTimers) {
  settings::Write(settings::OverlayLink::RemoteConsole);
  settings::Write(settings::kRconServer, std::string("127.0.0.1:9"));
  ASSERT_TRUE(settings::Write(settings::kRconPassword, std::string("secret")));
  OverlayWindow overlay;
  ASSERT_TRUE(overlay.Open());
  settings::Write(settings::OverlayLink::InspectionServer);
  const int port = overlay.Console().Link().BoundLocalPort();
  ASSERT_NE(port, 0);
  static int ticks;
  ticks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
  UdpFlood flood(port, "\xFF\xFF\xFF\xFFprint\nflood\n", 20000, 4);
  Sleep(300);  // the thread busy elsewhere: datagrams pile up
  std::atomic<bool> answered{false};
  std::thread asker(
      [&] { answered = SendMessageTimeoutA(overlay.Handle(), WM_NULL, 0, 0, 0, 500, nullptr) != 0; });
  const int ticksBefore = ticks, sentBefore = flood.sent;
  for (const uint32_t start = MillisecondClock(); MillisecondClock() - start < 1000 && ticks < ticksBefore + 3;) {
    WaitKeepingEventsFlowing(10);
  }
  asker.join();
  KillTimer(nullptr, timer);
  EXPECT_GT(flood.sent - sentBefore, 100) << "the flood went on";
  EXPECT_TRUE(answered);
  EXPECT_GE(ticks, ticksBefore + 3);
}
