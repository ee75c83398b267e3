#include "overlay/win/action_window.h"

#include "common/win/dpi.h"
#include "common/win/list_controls.h"
#include "common/win/window_class.h"
#include "overlay/core/overlay_layout.h"
#include "overlay/win/grid_control.h"
#include "overlay/win/screen_twips.h"

namespace {

constexpr const char* kActionClass = "CorvelActions";
constexpr int kMessageLineLeft = 60;
constexpr int kMessageLineHeight = 225;
constexpr int kMenuLeft = 100;
constexpr int kMenuTop = 300;
constexpr int kMenuWidth = 2800;
constexpr int kMenuHeight = 4300;

HWND MakeChild(HWND parent, const char* cls, DWORD style) {
  return CreateWindowExA(0, cls, "", WS_CHILD | style, 0, 0, 10, 10, parent, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

// For the lists and the message line.
const FontSpec kListFont{"Tahoma", 825, FW_BOLD, DEFAULT_PITCH | FF_SWISS};

void FillList(HWND list, const std::vector<std::string>& lines) {
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const auto& line : lines) AddListLine(list, line);
}

}  // namespace

bool ActionWindow::Create() {
  RegisterWindowClass(kActionClass, ObjectWindowProc<ActionWindow>, GetSysColorBrush(COLOR_BTNFACE));
  hwnd_ = CreateWindowExA(0, kActionClass, kActionCaption, WS_POPUP | WS_CLIPCHILDREN, 0, 0, 10, 10, nullptr,
                          nullptr, GetModuleHandleA(nullptr), this);
  if (!hwnd_) return false;
  dpi_ = WindowDpi(hwnd_);
  font_ = CreateFontForDpi(kListFont, dpi_);
  grid_ = CreateGridControl(hwnd_, &playerGrid_);
  // Both lists may be shown at one place; the action menu, created first, stays on top.
  actionMenu_ = MakeChild(hwnd_, "LISTBOX", WS_BORDER | WS_CLIPSIBLINGS | LBS_NOINTEGRALHEIGHT);
  mapMenu_ = MakeChild(hwnd_, "LISTBOX", WS_BORDER | WS_CLIPSIBLINGS | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY);
  messageLine_ = MakeChild(hwnd_, "STATIC", WS_VISIBLE | SS_NOTIFY | SS_LEFTNOWORDWRAP);
  for (HWND child : {actionMenu_, mapMenu_, messageLine_}) SetControlFont(child, font_);
  // The menus open over the player rows: the grid lies below them, for the eye and the mouse.
  if (grid_) SetWindowPos(grid_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetMessageLine(kWaitingForStatus);
  PlaceWindow();
  PlaceChildren();
  return true;
}

void ActionWindow::Close() {
  if (hwnd_) DestroyWindow(hwnd_);
  hwnd_ = grid_ = actionMenu_ = mapMenu_ = messageLine_ = nullptr;
  if (font_) DeleteObject(font_);
  font_ = nullptr;
}

// The window stays as far from the screen's right edge, in twips, as before,
// beside the square; its font, its grid and its children follow the new DPI.
void ActionWindow::OnDpiChanged(WPARAM dpiPair) {
  const int fromRightEdge = ScreenWidthTwips(dpi_) - left_;
  dpi_ = DpiFromMessage(dpiPair);
  left_ = ScreenWidthTwips(dpi_) - fromRightEdge;
  const HFONT oldFont = font_;
  font_ = CreateFontForDpi(kListFont, dpi_);
  for (HWND child : {actionMenu_, mapMenu_, messageLine_}) SetControlFont(child, font_);
  if (oldFont) DeleteObject(oldFont);
  // A child is not told of the change by Windows.
  if (grid_) SendMessageA(grid_, WM_DPICHANGED, dpiPair, 0);
  PlaceWindow();
  PlaceChildren();
}

void ActionWindow::PlaceWindow() {
  if (!hwnd_) return;
  const PixelRect r = TwipsRectToPixels(left_, top_, width_, height_, dpi_);
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ActionWindow::PlaceChild(HWND child, int leftTw, int topTw, int widthTw, int heightTw) {
  if (!child) return;
  const PixelRect r = TwipsRectToPixels(leftTw, topTw, widthTw, heightTw, dpi_);
  SetWindowPos(child, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ActionWindow::PlaceChildren() {
  PlaceChild(grid_, 0, 0, gridWidth_, gridHeight_);
  PlaceChild(messageLine_, kMessageLineLeft, messageLineTop_, messageLineWidth_ - kMessageLineLeft, kMessageLineHeight);
  PlaceChild(actionMenu_, kMenuLeft, kMenuTop, kMenuWidth, kMenuHeight);
  // In the wide window the map list stands beside the action menu.
  const int mapsLeft = width_ > kMenuWidth + 2 * kMenuLeft + kMenuWidth ? kMenuLeft * 2 + kMenuWidth : kMenuLeft;
  PlaceChild(mapMenu_, mapsLeft, kMenuTop, kMenuWidth, kMenuHeight);
}

void ActionWindow::SetWidth(int twips) { width_ = twips; PlaceWindow(); PlaceChildren(); }
void ActionWindow::SetHeight(int twips) { height_ = twips; PlaceWindow(); }
void ActionWindow::SetLeft(int twips) { left_ = twips; PlaceWindow(); }
void ActionWindow::SetTop(int twips) { top_ = twips; PlaceWindow(); }
void ActionWindow::SetMessageLineWidth(int twips) { messageLineWidth_ = twips; PlaceChildren(); }
void ActionWindow::SetMessageLineTop(int twips) { messageLineTop_ = twips; PlaceChildren(); }
void ActionWindow::SetGridWidth(int twips) { gridWidth_ = twips; PlaceChildren(); }
void ActionWindow::SetGridHeight(int twips) { gridHeight_ = twips; PlaceChildren(); }

int ActionWindow::RoomBelowTop() const {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!hwnd_ || !GetMonitorInfoA(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor)) return 0;
  return PixelsToTwips(monitor.rcWork.bottom, dpi_) - top_;
}

void ActionWindow::SetMessageLine(const std::string& text) {
  if (messageLine_) SetWindowTextA(messageLine_, text.c_str());
}

std::string ActionWindow::MessageLine() const { return messageLine_ ? WindowText(messageLine_) : std::string(); }

void ActionWindow::RefreshGrid() {
  if (grid_) RefreshGridControl(grid_);
}

void ActionWindow::SetActionLines(const std::vector<std::string>& lines) { FillList(actionMenu_, lines); }
void ActionWindow::SetMapLines(const std::vector<std::string>& lines) { FillList(mapMenu_, lines); }
std::vector<std::string> ActionWindow::ActionLines() const { return ListLines(actionMenu_); }
std::vector<std::string> ActionWindow::MapLines() const { return ListLines(mapMenu_); }
void ActionWindow::ShowActions(bool show) { ShowWindow(actionMenu_, show ? SW_SHOWNA : SW_HIDE); }
void ActionWindow::ShowMaps(bool show) { ShowWindow(mapMenu_, show ? SW_SHOWNA : SW_HIDE); }

bool ActionWindow::ActionsShown() const { return actionMenu_ && IsWindowVisible(actionMenu_); }
bool ActionWindow::MapsShown() const { return mapMenu_ && IsWindowVisible(mapMenu_); }

void ActionWindow::OnCommand(HWND control, int code) {
  if (!clicks_) return;
  if (control == messageLine_ && code == STN_CLICKED) {
    clicks_->OnMessageLineClick();
  } else if (control == mapMenu_ && code == LBN_SELCHANGE) {
    // No selection stays behind, so the next click on the same line counts too.
    SendMessageA(mapMenu_, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    clicks_->OnMapListClick();
  }
}

LRESULT ActionWindow::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_LBUTTONDOWN:
      if (clicks_) clicks_->OnWindowClick();
      return 0;
    case WM_COMMAND:
      OnCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(wParam);
      return 0;
    case WM_NCDESTROY:
      // Closed from outside (the task list): the overlay goes on without it.
      hwnd_ = grid_ = actionMenu_ = mapMenu_ = messageLine_ = nullptr;
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void ActionWindow::Show() {
  if (hwnd_) ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
}
