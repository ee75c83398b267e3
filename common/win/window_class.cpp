#include "common/win/window_class.h"

namespace {

// The program's application icon at the size of a system metric; nullptr in
// a program without one (the tests), whose windows then show the system's.
HICON ProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(kProgramIconId), IMAGE_ICON,
                                       GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), LR_SHARED));
}

}  // namespace

void RegisterWindowClass(const char* name, WNDPROC proc, HBRUSH background) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  if (GetClassInfoExA(instance, name, &wc)) return;
  wc = WNDCLASSEXA{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = ProgramIcon(instance, SM_CXICON, SM_CYICON);
  wc.hIconSm = ProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  RegisterClassExA(&wc);
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

void ShowModalWindow(HWND window, HWND owner) {
  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(window, SW_SHOW);
}

void CloseModalWindow(HWND& window, HWND owner) {
  if (!window) return;
  if (owner) EnableWindow(owner, TRUE);
  HWND closing = window;
  window = nullptr;
  DestroyWindow(closing);
  if (owner && IsWindow(owner)) SetActiveWindow(owner);
}

HWND CreateOwnedWindow(const char* cls, const char* caption, DWORD exStyle, HWND owner, int width, int height,
                       int dpi, int offset, void* self, DWORD extraStyle) {
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | extraStyle;
  RECT area{0, 0, Scaled(width, dpi), Scaled(height, dpi)};
  AdjustWindowRectForDpi(area, style, false, exStyle, dpi);
  RECT ownerRect{};
  GetWindowRect(owner, &ownerRect);
  return CreateWindowExA(exStyle, cls, caption, style, ownerRect.left + offset, ownerRect.top + offset,
                         area.right - area.left, area.bottom - area.top, owner, nullptr, GetModuleHandleA(nullptr),
                         self);
}
