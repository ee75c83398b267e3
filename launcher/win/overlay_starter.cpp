#include "launcher/win/overlay_starter.h"

#include <shellapi.h>

#include "common/win/list_controls.h"
#include "common/win/message_box.h"
#include "common/win/settings.h"
#include "common/win/window_class.h"

const char* const kOverlayStarterHelp =
    "To use, enter Tavrin info, then apply. In Game you will have a small green square (connected) in upper right "
    "corner. It will turn red if connection lost.\r\n"
    "To use the remote, hit the Print Screen key to bring up the remote, or the Scroll Lock if you selected it.\r\n"
    "Only use the KEYBOARD, do not click on the remote with the mouse. Select the letter next to the players name, "
    "then the action.\r\n"
    "For other than player actions, just hit the A key then select your action, such as maps.\r\n";

namespace {

constexpr const char* kStarterClass = "KestrunCorvelSetup";

struct StarterControl {
  int id;
  const char* cls;
  const char* text;
  DWORD style;
  DWORD exStyle;
  int x, y, w, h;  // pixels at 96 DPI
};

const StarterControl kStarterControls[] = {
    {OverlayStarterWindow::introLabel, "STATIC", "Corvel is a ingame version of Tavrin remote and requires a password.",
     SS_LEFT, 0, 12, 10, 300, 32},
    {OverlayStarterWindow::addressLabel, "STATIC", "Tavrin IP", SS_LEFT, 0, 12, 50, 100, 16},
    {OverlayStarterWindow::addressField, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 12, 68, 190, 22},
    {OverlayStarterWindow::portLabel, "STATIC", "Port/Password", SS_LEFT, 0, 212, 50, 100, 16},
    {OverlayStarterWindow::portField, "EDIT", "", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 212, 68, 100, 22},
    {OverlayStarterWindow::showAllCheck, "BUTTON", "Show All Data vs Name Only", WS_TABSTOP | BS_AUTOCHECKBOX, 0, 12,
     100, 300, 20},
    {OverlayStarterWindow::scrollLockCheck, "BUTTON", "Use Scroll Lock vs PrntScrn", WS_TABSTOP | BS_AUTOCHECKBOX, 0,
     12, 124, 300, 20},
    {OverlayStarterWindow::applyButton, "BUTTON", "Apply", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 76, 156, 80, 28},
    {OverlayStarterWindow::cancelButton, "BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, 168, 156, 80, 28},
};

}  // namespace

OverlayStarterWindow::OverlayStarterWindow(HWND owner, std::string appFolder)
    : owner_(owner), appFolder_(std::move(appFolder)) {}

OverlayStarterWindow::~OverlayStarterWindow() {
  Close();
  if (font_) DeleteObject(font_);
}

bool OverlayStarterWindow::Open() {
  ShowMessage(kOverlayStarterHelp, MB_OK);
  RegisterWindowClass(kStarterClass, ObjectWindowProc<OverlayStarterWindow>, GetSysColorBrush(COLOR_BTNFACE));
  dpi_ = WindowDpi(owner_);
  hwnd_ = CreateOwnedWindow(kStarterClass, "Corvel Setup", WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, owner_, 324, 196,
                            dpi_, 60, this);
  if (!hwnd_) return false;
  CreateControls();
  LoadSettings();
  ShowModalWindow(hwnd_, owner_);
  return true;
}

void OverlayStarterWindow::CreateControls() {
  for (const StarterControl& c : kStarterControls) {
    CreateWindowExA(c.exStyle, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0, hwnd_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), GetModuleHandleA(nullptr), nullptr);
  }
  ScaleControls();
}

// The font and the places at the window's DPI, from the places at 96 dpi.
void OverlayStarterWindow::ScaleControls() {
  const HFONT oldFont = font_;
  font_ = CreateMessageFont(dpi_);
  for (const StarterControl& c : kStarterControls) {
    SetControlFont(Control(c.id), font_);
    PlaceScaled(Control(c.id), c.x, c.y, c.w, c.h, dpi_);
  }
  if (oldFont) DeleteObject(oldFont);
}

void OverlayStarterWindow::OnDpiChanged(int dpi, LPARAM suggestedRect) {
  dpi_ = dpi;
  TakeSuggestedRect(hwnd_, suggestedRect);
  ScaleControls();
}

void OverlayStarterWindow::LoadSettings() {
  SetWindowTextA(Control(addressField), settings::Read(settings::kInspectionServerAddress).c_str());
  SetWindowTextA(Control(portField), settings::Read(settings::kInspectionServerPort).c_str());
  const std::pair<int, bool> checks[] = {{showAllCheck, settings::Read(settings::kShowAllPlayerData)},
                                         {scrollLockCheck, settings::Read(settings::kUseScrollLock)}};
  for (const auto& [id, on] : checks) {
    SendMessageA(Control(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void OverlayStarterWindow::OnApplyClicked() {
  auto checked = [&](int id) { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; };
  settings::Write(settings::kInspectionServerAddress, WindowText(Control(addressField)));
  settings::Write(settings::kInspectionServerPort, WindowText(Control(portField)));
  settings::Write(settings::kShowAllPlayerData, checked(showAllCheck));
  settings::Write(settings::kUseScrollLock, checked(scrollLockCheck));
  // The overlay reads the values above at its start; its result is not looked at.
  const std::string program = appFolder_ + "\\corvel2.exe";
  ShellExecuteA(hwnd_, "open", program.c_str(), "", appFolder_.c_str(), SW_SHOWNORMAL);
  Close();
}

void OverlayStarterWindow::OnCancelClicked() { Close(); }

void OverlayStarterWindow::Close() { CloseModalWindow(hwnd_, owner_); }

void OverlayStarterWindow::RunModal() { RunModalLoop(hwnd_); }

LRESULT OverlayStarterWindow::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == applyButton) OnApplyClicked();
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == cancelButton) OnCancelClicked();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(DpiFromMessage(wParam), lParam);
      return 0;
    case WM_CLOSE:
      OnCancelClicked();  // the close box acts as Cancel
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
