#include "common/win/dpi.h"

namespace {

int ScreenDpi() {
  HDC dc = GetDC(nullptr);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

// Looked up at run time: the programs still start on Windows 7 and 8, which lack it.
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

GetDpiForWindowFunction GetDpiForWindowIfPresent() {
  static const auto function = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  return function;
}

// Windows 8.1 on, where per-monitor DPI began; in shcore.dll, which Windows 7
// lacks. MDT_EFFECTIVE_DPI is 0.
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

GetDpiForMonitorFunction GetDpiForMonitorIfPresent() {
  static const auto function = [] {
    const HMODULE shcore = LoadLibraryExA("shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return shcore ? reinterpret_cast<GetDpiForMonitorFunction>(
                        reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                  : nullptr;
  }();
  return function;
}

// Windows 10 1607 on, like GetDpiForWindow.
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);

AdjustWindowRectExForDpiFunction AdjustWindowRectExForDpiIfPresent() {
  static const auto function = reinterpret_cast<AdjustWindowRectExForDpiFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
  return function;
}

}  // namespace

int WindowDpi(HWND hwnd) {
  const GetDpiForWindowFunction getDpiForWindow = GetDpiForWindowIfPresent();
  if (hwnd && getDpiForWindow) {
    const UINT dpi = getDpiForWindow(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  const GetDpiForMonitorFunction getDpiForMonitor = GetDpiForMonitorIfPresent();
  if (hwnd && getDpiForMonitor) {
    UINT dpiX = 0, dpiY = 0;
    const HMONITOR monitor = MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
    if (SUCCEEDED(getDpiForMonitor(monitor, 0, &dpiX, &dpiY)) && dpiY > 0) return static_cast<int>(dpiY);
  }
  return ScreenDpi();
}

void TakeSuggestedRect(HWND hwnd, LPARAM lParam) {
  const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
  if (!suggested) return;
  SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
               suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void AdjustWindowRectForDpi(RECT& area, DWORD style, bool hasMenu, DWORD exStyle, int dpi) {
  const AdjustWindowRectExForDpiFunction adjustForDpi = AdjustWindowRectExForDpiIfPresent();
  if (adjustForDpi && adjustForDpi(&area, style, hasMenu, exStyle, static_cast<UINT>(dpi))) return;
  AdjustWindowRectEx(&area, style, hasMenu, exStyle);
}

void PlaceScaled(HWND control, int x, int y, int w, int h, int dpi) {
  SetWindowPos(control, nullptr, Scaled(x, dpi), Scaled(y, dpi), Scaled(w, dpi), Scaled(h, dpi),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// The system's metrics are those of the system DPI (the screen's), whatever
// the monitor; the font is scaled from there.
HFONT CreateMessageFont(int dpi) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  const int systemDpi = ScreenDpi();
  metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi);
  metrics.lfMessageFont.lfWidth = MulDiv(metrics.lfMessageFont.lfWidth, dpi, systemDpi);
  return CreateFontIndirectA(&metrics.lfMessageFont);
}

HFONT CreateFontForDpi(const FontSpec& font, int dpi) {
  if (!font.face) return CreateMessageFont(dpi);
  return CreateFontA(-MulDiv(font.centipoints, dpi, 7200), 0, 0, 0, font.weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, font.pitchAndFamily, font.face);
}
