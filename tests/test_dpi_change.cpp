// Every window of both programs, moved to a 150 % monitor and back by
// WM_DPICHANGED as Windows sends it: controls scale from their unscaled sizes,
// fonts are made anew, and the way back restores the first layout exactly.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "launcher/win/disable_list_window.h"
#include "launcher/win/list_editor.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/overlay_starter.h"
#include "launcher/win/server_list_window.h"
#include "overlay/core/overlay_layout.h"
#include "overlay/win/overlay_window.h"
#include "tests/launcher_fixture.h"
#include "tests/wine_test_util.h"

#include <commctrl.h>

namespace {

constexpr int kBaseDpi = 96;
constexpr int kHighDpi = 144;

std::array<LONG, 4> Edges(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

RECT ScreenRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return r;
}

std::string ClassOf(HWND hwnd) {
  char name[64] = {};
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

// A child as placed: its rectangle in the parent's client area and its font.
struct PlacedChild {
  std::string cls;
  RECT place;
  HFONT font;
  LONG fontHeight;  // pixels, without the sign
};

PlacedChild Measure(HWND child) {
  RECT place = ScreenRect(child);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&place), 2);
  const auto font = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
  LOGFONTA logFont{};
  if (font) GetObjectA(font, sizeof logFont, &logFont);
  return {ClassOf(child), place, font, logFont.lfHeight < 0 ? -logFont.lfHeight : logFont.lfHeight};
}

std::vector<PlacedChild> Children(HWND parent) {
  std::vector<PlacedChild> children;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(Measure(c));
  return children;
}

void SendDpi(HWND hwnd, int dpi, const RECT& suggested) {
  SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

// Each child at 1.5 times its 96-dpi place (within a pixel of rounding), with
// a font of its own at 1.5 times the height; the old fonts are gone.
void ExpectScaledByHalfAgain(const std::vector<PlacedChild>& before, const std::vector<PlacedChild>& after) {
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); ++i) {
    SCOPED_TRACE("child " + std::to_string(i) + " (" + before[i].cls + ")");
    const RECT& was = before[i].place;
    const RECT& is = after[i].place;
    EXPECT_NEAR(is.left, was.left * 1.5, 1);
    EXPECT_NEAR(is.top, was.top * 1.5, 1);
    EXPECT_NEAR(is.right - is.left, (was.right - was.left) * 1.5, 1);
    // A drop-down combo box is as high as its font makes it.
    if (before[i].cls != "ComboBox") {
      EXPECT_NEAR(is.bottom - is.top, (was.bottom - was.top) * 1.5, 1);
    }
    ASSERT_NE(before[i].font, nullptr) << "every control has a font of the window's";
    EXPECT_NE(after[i].font, before[i].font);
    EXPECT_EQ(GetObjectType(before[i].font), 0u) << "the old font is deleted";
    EXPECT_NEAR(after[i].fontHeight, before[i].fontHeight * 1.5, 1);
  }
}

void ExpectSameLayout(const std::vector<PlacedChild>& before, const std::vector<PlacedChild>& after) {
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); ++i) {
    SCOPED_TRACE("child " + std::to_string(i) + " (" + before[i].cls + ")");
    EXPECT_EQ(Edges(after[i].place), Edges(before[i].place));
    EXPECT_EQ(after[i].fontHeight, before[i].fontHeight);
    EXPECT_NE(GetObjectType(after[i].font), 0u);
  }
}

// To 144 dpi with a suggested rectangle half again as large and moved, then
// back to 96 with the first rectangle.
void CheckRoundTrip(HWND window) {
  ASSERT_NE(window, nullptr);
  const RECT first = ScreenRect(window);
  const std::vector<PlacedChild> original = Children(window);
  ASSERT_FALSE(original.empty());
  const LONG width = first.right - first.left;
  const LONG height = first.bottom - first.top;
  const RECT suggested{first.left + 30, first.top + 20, first.left + 30 + width * 3 / 2,
                       first.top + 20 + height * 3 / 2};

  SendDpi(window, kHighDpi, suggested);
  EXPECT_EQ(Edges(ScreenRect(window)), Edges(suggested));
  ExpectScaledByHalfAgain(original, Children(window));

  SendDpi(window, kBaseDpi, first);
  EXPECT_EQ(Edges(ScreenRect(window)), Edges(first));
  ExpectSameLayout(original, Children(window));
}

int IconWidth(HWND button) {
  const auto icon = reinterpret_cast<HICON>(SendMessageA(button, BM_GETIMAGE, IMAGE_ICON, 0));
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

class DpiChangeTest : public LauncherFixture {
 protected:
  void SetUp() override {
    LauncherFixture::SetUp();
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpi != kBaseDpi) GTEST_SKIP() << "the layouts are checked from a 96-dpi screen";
  }
};

struct LauncherWindowCase {
  const char* name;
  std::function<HWND(MainWindow&)> open;
};

}  // namespace

TEST_F(DpiChangeTest, EveryLauncherWindowScalesAndComesBackExactly) {
  const LauncherWindowCase cases[] = {
      {"Kestrun", [](MainWindow& main) { return main.Handle(); }},
      {"Remove Players", [](MainWindow& main) { return main.OpenPlayersEditor()->Handle(); }},
      {"Disable PK3 Files", [](MainWindow& main) { return main.OpenDisableWindow()->Handle(); }},
      {"Corvel Setup", [](MainWindow& main) { return main.LaunchCorvel()->Handle(); }},
  };
  for (const LauncherWindowCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto main = Start();
    CheckRoundTrip(c.open(*main));
  }
}

// The server list is resizable: its lists fill the client area and the
// buttons keep to its bottom right corner, so sizes and margins scale, not places.
TEST_F(DpiChangeTest, ServerListScalesMarginsButtonsColumnsAndFontAndComesBackExactly) {
  auto main = Start();
  ServerListWindow* window = main->OpenServerList();
  ASSERT_NE(window, nullptr);
  const HWND hwnd = window->Handle();
  const RECT first = ScreenRect(hwnd);
  const std::vector<PlacedChild> original = Children(hwnd);
  // The source, the search and its label, three filters, the two lists, the
  // summary line, "Add to Saved", "Refresh" and "Close".
  ASSERT_EQ(original.size(), 12u);
  const auto columnWidth = [&] { return static_cast<int>(SendMessageA(window->List(), LVM_GETCOLUMNWIDTH, 0, 0)); };
  const int firstColumn = columnWidth();
  const auto rightGap = [&](const RECT& place) {
    RECT client{};
    GetClientRect(hwnd, &client);
    return client.right - place.right;
  };
  std::vector<LONG> originalGaps;
  for (const PlacedChild& child : original) originalGaps.push_back(rightGap(child.place));
  const RECT suggested{first.left + 30, first.top + 20, first.left + 30 + (first.right - first.left) * 3 / 2,
                       first.top + 20 + (first.bottom - first.top) * 3 / 2};

  SendDpi(hwnd, kHighDpi, suggested);
  EXPECT_EQ(Edges(ScreenRect(hwnd)), Edges(suggested));
  const std::vector<PlacedChild> high = Children(hwnd);
  ASSERT_EQ(high.size(), 12u);
  EXPECT_NEAR(high[0].place.left, original[0].place.left * 1.5, 1);
  EXPECT_NEAR(high[0].place.top, original[0].place.top * 1.5, 1);
  // The top row keeps to the left edge, the rest to the right one.
  const size_t firstOnTheRight = 6;
  for (size_t i = 0; i < high.size(); ++i) {
    SCOPED_TRACE(i);
    if (i < firstOnTheRight) {
      EXPECT_NEAR(high[i].place.left, original[i].place.left * 1.5, 1);
    } else {
      EXPECT_NEAR(rightGap(high[i].place), originalGaps[i] * 1.5, 1);
    }
    EXPECT_NEAR(high[i].fontHeight, original[i].fontHeight * 1.5, 1);
    EXPECT_EQ(GetObjectType(original[i].font), 0u) << "the old font is deleted";
  }
  for (size_t button : {9u, 10u, 11u}) {
    EXPECT_NEAR(high[button].place.right - high[button].place.left,
                (original[button].place.right - original[button].place.left) * 1.5, 1);
    EXPECT_NEAR(high[button].place.bottom - high[button].place.top,
                (original[button].place.bottom - original[button].place.top) * 1.5, 1);
  }
  EXPECT_NEAR(columnWidth(), firstColumn * 1.5, 1);

  SendDpi(hwnd, kBaseDpi, first);
  EXPECT_EQ(Edges(ScreenRect(hwnd)), Edges(first));
  ExpectSameLayout(original, Children(hwnd));
  EXPECT_EQ(columnWidth(), firstColumn);
}

namespace {

// A window as laid out: its client size, its children's places and font
// heights, and the width of a list view's first column (0 for none).
struct Layout {
  SIZE client;
  std::vector<PlacedChild> children;
  int firstColumn;
};

Layout LayoutOf(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  int firstColumn = 0;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (ClassOf(c) == WC_LISTVIEWA) firstColumn = static_cast<int>(SendMessageA(c, LVM_GETCOLUMNWIDTH, 0, 0));
  }
  return {{client.right, client.bottom}, Children(window), firstColumn};
}

}  // namespace

// An owned window opens at the DPI its owner last laid itself out at, not at
// the one Windows reports for the owner: on a per-monitor system before
// Windows 10 1607 that is the system DPI, whatever the owner's monitor.
TEST_F(DpiChangeTest, OwnedWindowsOpenAtTheirOwnersDpi) {
  const LauncherWindowCase cases[] = {
      {"Server List", [](MainWindow& main) { return main.OpenServerList()->Handle(); }},
      {"Remove Players", [](MainWindow& main) { return main.OpenPlayersEditor()->Handle(); }},
      {"Remove Server IP", [](MainWindow& main) { return main.OpenServerEditor()->Handle(); }},
      {"Disable PK3 Files", [](MainWindow& main) { return main.OpenDisableWindow()->Handle(); }},
      {"Corvel Setup", [](MainWindow& main) { return main.LaunchCorvel()->Handle(); }},
  };
  for (const LauncherWindowCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto main = Start();
    HWND window = c.open(*main);
    ASSERT_NE(window, nullptr);
    const Layout at96 = LayoutOf(window);
    SendMessageA(window, WM_CLOSE, 0, 0);
    const RECT first = ScreenRect(main->Handle());
    SendDpi(main->Handle(), kHighDpi,
            {first.left, first.top, first.left + (first.right - first.left) * 3 / 2,
             first.top + (first.bottom - first.top) * 3 / 2});

    window = c.open(*main);
    ASSERT_NE(window, nullptr);
    RECT frame = ScreenRect(window), client{};
    GetClientRect(window, &client);
    EXPECT_GE(client.right, at96.client.cx * 3 / 2);
    EXPECT_GE(client.bottom, at96.client.cy * 3 / 2);
    // Wine draws the frame of a window at the system DPI, so its client area
    // comes out larger by the caption's growth. Sized to exactly half again,
    // a sizable window lays itself out for that size.
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left - client.right + at96.client.cx * 3 / 2,
                 frame.bottom - frame.top - client.bottom + at96.client.cy * 3 / 2,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const Layout opened = LayoutOf(window);
    EXPECT_NEAR(opened.firstColumn, at96.firstColumn * 1.5, 1);
    ASSERT_EQ(opened.children.size(), at96.children.size());
    for (size_t i = 0; i < at96.children.size(); ++i) {
      SCOPED_TRACE("child " + std::to_string(i) + " (" + at96.children[i].cls + ")");
      const RECT& was = at96.children[i].place;
      const RECT& is = opened.children[i].place;
      EXPECT_NEAR(is.left, was.left * 1.5, 2);
      EXPECT_NEAR(is.top, was.top * 1.5, 2);
      EXPECT_NEAR(is.right - is.left, (was.right - was.left) * 1.5, 2);
      // A drop-down list's height follows its font's.
      if (at96.children[i].cls != "ComboBox") {
        EXPECT_NEAR(is.bottom - is.top, (was.bottom - was.top) * 1.5, 2);
      }
      EXPECT_NEAR(opened.children[i].fontHeight, at96.children[i].fontHeight * 1.5, 1);
    }
    main->Close();
  }
}

TEST_F(DpiChangeTest, StartButtonIconsAreDrawnAtTheNewDpi) {
  auto main = Start();
  const HWND button = main->Control(alliedAssaultButton);
  EXPECT_EQ(IconWidth(button), 32);
  const RECT first = ScreenRect(main->Handle());
  SendDpi(main->Handle(), kHighDpi, first);
  EXPECT_EQ(IconWidth(button), 48);
  SendDpi(main->Handle(), kBaseDpi, first);
  EXPECT_EQ(IconWidth(button), 32);
}

namespace {

int ScreenTwips(int dpi) { return PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi); }

RECT SquareAt(int dpi) {
  const PixelRect r = TwipsRectToPixels(ScreenTwips(dpi) - kSquareRightGap, kSquareTop, kSquareSize, kSquareSize, dpi);
  return {r.left, r.top, r.left + r.width, r.top + r.height};
}

// True when the grid's row separator (light grey) crosses x at y.
bool RowLineAt(HWND grid, int x, int y) {
  UpdateWindow(grid);
  HDC dc = GetDC(grid);
  const COLORREF pixel = GetPixel(dc, x, y);
  ReleaseDC(grid, dc);
  return pixel == RGB(192, 192, 192);
}

class OverlayDpiChangeTest : public ::testing::Test {
 protected:
  TestServer server;
  void SetUp() override {
    TakeQuit();
    StoreOverlaySettings("127.0.0.1", std::to_string(server.port), 0);
  }
  void TearDown() override { TakeQuit(); }
};

}  // namespace

// Both overlay windows are placed from the screen's top right corner in twips:
// they keep that corner and their sizes in twips, whatever rectangle is suggested.
TEST_F(OverlayDpiChangeTest, SquareKeepsItsCornerActionWindowAndGridFollow) {
  OverlayWindow overlay;
  ASSERT_TRUE(overlay.Open());
  PumpFor(50);
  const HWND square = overlay.Handle();
  const HWND actions = overlay.ActionPane().Handle();
  const HWND grid = overlay.ActionPane().GridHandle();
  ASSERT_EQ(Edges(ScreenRect(square)), Edges(SquareAt(kBaseDpi)));
  const RECT squareFirst = ScreenRect(square);
  const RECT actionsFirst = ScreenRect(actions);
  const std::vector<PlacedChild> original = Children(actions);
  ASSERT_EQ(original.size(), 4u) << "grid, action menu, map menu, message line";
  RECT client{};
  GetClientRect(grid, &client);
  const int probeX = client.right - 4;  // in the name column, clear of its text
  const int rowAt96 = TwipsToPixels(kGridRowTwips, kBaseDpi) - 1;
  const int rowAt144 = TwipsToPixels(kGridRowTwips, kHighDpi) - 1;
  ASSERT_TRUE(RowLineAt(grid, probeX, rowAt96));
  ASSERT_FALSE(RowLineAt(grid, probeX, rowAt144));

  const RECT elsewhere{10, 10, 400, 400};
  SendDpi(square, kHighDpi, elsewhere);
  SendDpi(actions, kHighDpi, elsewhere);
  EXPECT_EQ(Edges(ScreenRect(square)), Edges(SquareAt(kHighDpi)));
  EXPECT_EQ(ScreenRect(square).right, squareFirst.right) << "still at the screen's right edge";
  const RECT actionsHigh = ScreenRect(actions);
  EXPECT_EQ(actionsHigh.right, actionsFirst.right);
  EXPECT_NEAR(actionsHigh.right - actionsHigh.left, (actionsFirst.right - actionsFirst.left) * 1.5, 1);
  EXPECT_NEAR(actionsHigh.bottom - actionsHigh.top, (actionsFirst.bottom - actionsFirst.top) * 1.5, 1);
  EXPECT_NEAR(actionsHigh.top, actionsFirst.top * 1.5, 1);
  ExpectScaledByHalfAgain(original, Children(actions));
  EXPECT_TRUE(RowLineAt(grid, probeX * 3 / 2, rowAt144)) << "rows measured at the new DPI";
  EXPECT_FALSE(RowLineAt(grid, probeX * 3 / 2, rowAt96));

  SendDpi(square, kBaseDpi, elsewhere);
  SendDpi(actions, kBaseDpi, elsewhere);
  EXPECT_EQ(Edges(ScreenRect(square)), Edges(squareFirst));
  EXPECT_EQ(Edges(ScreenRect(actions)), Edges(actionsFirst));
  ExpectSameLayout(original, Children(actions));
  EXPECT_TRUE(RowLineAt(grid, probeX, rowAt96));
  overlay.Close();
}
