#include "window_class.h"

void RegisterWindowClass(const char* name, WNDPROC proc, HBRUSH background) {
  WNDCLASSA wc{};
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  if (GetClassInfoA(instance, name, &wc)) return;
  wc = WNDCLASSA{};
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  RegisterClassA(&wc);
}

void RunModalLoop(const HWND& window) {
  MSG msg;
  while (window && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (window && IsDialogMessageA(window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (window) PostQuitMessage(static_cast<int>(msg.wParam));  // the quit belongs to the main loop
}

void CloseModalWindow(HWND& window, HWND owner) {
  if (!window) return;
  if (owner) EnableWindow(owner, TRUE);
  HWND closing = window;
  window = nullptr;
  DestroyWindow(closing);
  if (owner && IsWindow(owner)) SetActiveWindow(owner);
}

int WindowDpi(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
  if (dc) ReleaseDC(hwnd, dc);
  return dpi > 0 ? dpi : 96;
}
