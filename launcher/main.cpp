// Kestrun: the game launcher. Its main window comes with the launcher's own work;
// for now it opens an empty window titled as the launcher.
#include <windows.h>
#include <commctrl.h>

#include "message_box.h"

namespace {
LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  SetAppTitle("Kestrun");
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  WNDCLASSA wc{};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = "Kestrun";
  RegisterClassA(&wc);
  HWND main = CreateWindowA("Kestrun", "Kestrun Version 1.3", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                            480, nullptr, nullptr, instance, nullptr);
  if (!main) return 1;
  ShowWindow(main, show);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
