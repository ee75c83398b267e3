#include "common/win/wait.h"

#include <windows.h>

uint32_t MillisecondClock() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return f.QuadPart > 0 ? f.QuadPart : 1;
  }();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<uint32_t>(now.QuadPart / frequency * 1000 + now.QuadPart % frequency * 1000 / frequency);
}

bool PumpPendingEvents() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return true;
}

void WaitKeepingEventsFlowing(int32_t ms) {
  const uint32_t start = MillisecondClock();
  MSG msg;
  for (;;) {
    // The clock is read after every event: events that keep coming (a flood of
    // datagrams) must not hold the wait past its end.
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      if (TickWaitOver(start, MillisecondClock(), ms)) return;
    }
    const uint32_t now = MillisecondClock();
    if (TickWaitOver(start, now, ms)) return;
    // Sleep until an event arrives or the wait is nearly over; never spin.
    const int64_t left = static_cast<int64_t>(ms) - static_cast<int32_t>(now - start) + 1;
    const DWORD timeout = left > 0 ? static_cast<DWORD>(left) : 1;
    MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}
