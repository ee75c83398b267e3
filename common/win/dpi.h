#pragma once
// Per-monitor DPI. Each window reads its own DPI and, when Windows moves it to
// a monitor of another scale, gets WM_DPICHANGED. A window handles it in three
// steps, always from its unscaled sizes so that nothing drifts by rounding:
//
//   case WM_DPICHANGED:
//     dpi_ = DpiFromMessage(wParam);
//     TakeSuggestedRect(hwnd, lParam);    // top-level windows only
//     HFONT old = font_;
//     font_ = CreateMessageFont(dpi_);    // new fonts first ...
//     ... WM_SETFONT to the controls, PlaceScaled(...) for each control ...
//     DeleteObject(old);                  // ... the old ones only after
//     return 0;
//
// A child window is not sent the message: its parent passes it on.
#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The DPI of the window's monitor: GetDpiForWindow (Windows 10 1607 on), else
// GetDpiForMonitor (Windows 8.1 on); on Windows 7 and 8, and for nullptr,
// the screen's.
int WindowDpi(HWND hwnd);

// Pixels laid out at 96 dpi, scaled to dpi.
inline int Scaled(int px, int dpi) { return MulDiv(px, dpi, 96); }

// The new DPI carried by WM_DPICHANGED (x and y are always the same).
inline int DpiFromMessage(WPARAM wParam) { return HIWORD(wParam); }

// Moves and sizes a top-level window to the rectangle WM_DPICHANGED suggests
// (lParam points at it): Windows chose it so that the window stays under the
// mouse while it is dragged between monitors.
void TakeSuggestedRect(HWND hwnd, LPARAM lParam);

// AdjustWindowRectEx with the frame, caption and menu bar sizes of dpi
// (AdjustWindowRectExForDpi where Windows has it, else the system DPI's).
void AdjustWindowRectForDpi(RECT& area, DWORD style, bool hasMenu, DWORD exStyle, int dpi);

// Places a control from its place at 96 dpi (left, top, width, height).
void PlaceScaled(HWND control, int x, int y, int w, int h, int dpi);

// The system's message-box font at dpi; the caller deletes it.
HFONT CreateMessageFont(int dpi);

// A font as a window's design names it: face and size in hundredths of a
// point ("Tahoma", 825 for 8.25 pt). Without a face it is the system's
// message-box font.
struct FontSpec {
  const char* face = nullptr;
  int centipoints = 0;
  int weight = FW_NORMAL;
  BYTE pitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;  // the fallback where the face is missing
};

// The font at dpi; the caller deletes it.
HFONT CreateFontForDpi(const FontSpec& font, int dpi);

// Gives a font to a window and redraws it.
inline void SetControlFont(HWND control, HFONT font) {
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}
