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
