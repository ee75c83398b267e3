#include "common/win/owned_window.h"

#include <utility>

#include "common/win/window_class.h"

namespace {

void DeleteFonts(const std::vector<HFONT>& fonts) {
  for (HFONT font : fonts) {
    if (font) DeleteObject(font);
  }
}

}  // namespace

OwnedWindow::OwnedWindow(OwnerWindow owner) : owner_(owner) {}

OwnedWindow::~OwnedWindow() {
  OwnedWindow::Close();
  DeleteFonts(fonts_);
}

bool OwnedWindow::Create(const OwnedWindowSpec& shape) {
  RegisterWindowClass(shape.className, ObjectWindowProc<OwnedWindow>, GetSysColorBrush(COLOR_BTNFACE));
  // Not the DPI Windows reports for the owner: before Windows 10 1607 that is
  // the system's, whatever monitor the owner is on.
  dpi_ = owner_.dpi > 0 ? owner_.dpi : WindowDpi(owner_.hwnd);
  controls_ = shape.controls;
  fontSpecs_ = shape.fonts;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | shape.extraStyle;
  RECT area{0, 0, Scaled(shape.clientSize96.cx, dpi_), Scaled(shape.clientSize96.cy, dpi_)};
  AdjustWindowRectForDpi(area, style, false, shape.exStyle, dpi_);
  RECT ownerRect{};
  GetWindowRect(owner_.hwnd, &ownerRect);
  const int offset = Scaled(shape.cascadeOffset, dpi_);
  hwnd_ = CreateWindowExA(shape.exStyle, shape.className, shape.caption, style, ownerRect.left + offset,
                          ownerRect.top + offset, area.right - area.left, area.bottom - area.top, owner_.hwnd,
                          nullptr, GetModuleHandleA(nullptr), this);
  if (!hwnd_) return false;
  fonts_ = MakeFonts();
  CreateTableControls(hwnd_, controls_);
  GiveTableFonts(hwnd_, controls_, fonts_);
  LayOut();
  return true;
}

std::vector<HFONT> OwnedWindow::MakeFonts() const {
  if (fontSpecs_.empty()) return {CreateMessageFont(dpi_)};
  std::vector<HFONT> fonts;
  for (const FontSpec& font : fontSpecs_) fonts.push_back(CreateFontForDpi(font, dpi_));
  return fonts;
}

HFONT OwnedWindow::Font(int index) const {
  return index >= 0 && static_cast<size_t>(index) < fonts_.size() ? fonts_[index] : nullptr;
}

void OwnedWindow::ShowModal() {
  if (owner_.hwnd) EnableWindow(owner_.hwnd, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
}

void OwnedWindow::LayOut() { PlaceTableControls(hwnd_, controls_, dpi_); }

// Always from the 96-dpi sizes, so that nothing drifts by rounding. The
// controls take the new fonts before the old ones are deleted; the suggested
// rectangle comes before the layout, which a sizable window takes from it.
void OwnedWindow::OnDpiChanged(int dpi, LPARAM suggestedRect) {
  dpi_ = dpi;
  const std::vector<HFONT> oldFonts = std::exchange(fonts_, MakeFonts());
  GiveTableFonts(hwnd_, controls_, fonts_);
  TakeSuggestedRect(hwnd_, suggestedRect);
  LayOut();
  DeleteFonts(oldFonts);
}

// The handle is cleared before the window goes, so that the modal loop ends.
void OwnedWindow::Close() {
  if (!hwnd_) return;
  if (owner_.hwnd) EnableWindow(owner_.hwnd, TRUE);
  const HWND closing = std::exchange(hwnd_, nullptr);
  DestroyWindow(closing);
  if (owner_.hwnd && IsWindow(owner_.hwnd)) SetActiveWindow(owner_.hwnd);
}

// A quit request seen meanwhile is put back for the main loop.
void OwnedWindow::RunModal() {
  MSG msg{};
  while (hwnd_ && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (hwnd_ && IsDialogMessageA(hwnd_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (hwnd_) PostQuitMessage(static_cast<int>(msg.wParam));
}

LRESULT OwnedWindow::OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT OwnedWindow::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DPICHANGED:
      OnDpiChanged(DpiFromMessage(wParam), lParam);
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_NCDESTROY: {
      const LRESULT result = OnWindowMessage(hwnd, msg, wParam, lParam);
      // Destroyed with its owner rather than closed.
      if (hwnd_ == hwnd) {
        hwnd_ = nullptr;
        if (owner_.hwnd && IsWindow(owner_.hwnd)) EnableWindow(owner_.hwnd, TRUE);
      }
      return result;
    }
  }
  return OnWindowMessage(hwnd, msg, wParam, lParam);
}
