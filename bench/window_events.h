#pragma once
// The clock and the event loop of the probes that drive a window under Wine.
#include <windows.h>

// A steady clock in seconds.
inline double Seconds() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Runs window events until done() holds or timeoutMs passes; true when it held.
// done() changes only when an event has run, so the wait needs no short
// timeout: waking up for nothing would be counted as the window's CPU.
template <typename Done>
bool PumpUntil(Done done, double timeoutMs) {
  const double start = Seconds();
  while (!done()) {
    if ((Seconds() - start) * 1000 > timeoutMs) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      if (done()) return true;
    }
  }
  return true;
}
