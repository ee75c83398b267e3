#pragma once
#include <windows.h>

#include "common/win/dpi.h"

// The resource id of each program's application icon (ICON 1 in its .rc file).
constexpr int kProgramIconId = 1;

// Registers a window class of this program with an arrow cursor and the
// program's icon for the title bar and the taskbar; a class already
// registered is left as it is.
void RegisterWindowClass(const char* name, WNDPROC proc, HBRUSH background = nullptr);

// The window procedure of windows that belong to an object of type T: the
// object is passed as the creation parameter of CreateWindowEx, and every
// message from WM_NCCREATE on goes to its OnMessage, until WM_NCDESTROY.
template <typename T>
LRESULT CALLBACK ObjectWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
  const LRESULT result = self->OnMessage(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  return result;
}

// A message-only window of an object of type T (see ObjectWindowProc): no
// place on the screen, it takes the object's socket notices, timers and
// posted messages on the thread that made it. Null when it cannot be made.
template <typename T>
HWND CreateObjectMessageWindow(const char* className, T* object) {
  RegisterWindowClass(className, ObjectWindowProc<T>);
  return CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), object);
}
