#include "modal.h"

void RunModalLoop(const HWND& window) {
  MSG msg;
  while (window && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (window && IsDialogMessageA(window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (window) PostQuitMessage(static_cast<int>(msg.wParam));  // the quit belongs to the main loop
}

void EndModal(HWND& window, HWND owner) {
  if (!window) return;
  EnableWindow(owner, TRUE);
  HWND closing = window;
  window = nullptr;
  DestroyWindow(closing);
  if (IsWindow(owner)) SetActiveWindow(owner);
}
