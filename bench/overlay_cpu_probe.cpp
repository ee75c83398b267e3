// Prints how much CPU the overlay uses while idle with its link up, and how
// much a dump's pause burns while it waits. Run under Wine or on Windows.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench/loopback_listener.h"
#include "bench/machine.h"
#include "bench/probe_settings.h"
#include "common/win/wait.h"
#include "overlay/win/overlay_window.h"
#include "tools/inspection_server/demo_records.h"

namespace {

// CPU share of a program's message loop over ms milliseconds.
double LoopShare(DWORD ms) {
  const double cpu0 = ProcessCpuSeconds();
  const DWORD wall0 = GetTickCount();
  SetTimer(nullptr, 0, ms, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostQuitMessage(0);
  });
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 100.0 * (ProcessCpuSeconds() - cpu0) / ((GetTickCount() - wall0) / 1000.0);
}

// What the platform itself spends on a bare 10 ms timer, for comparison.
double BareTimerShare() {
  HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  SetTimer(window, 1, 10, nullptr);
  const double share = LoopShare(10000);
  DestroyWindow(window);
  return share;
}

void Row(const char* what, double figure, const char* target, const std::string& machine) {
  std::printf("| %-44s | %7.2f %% | %-16s | %s |\n", what, figure, target, machine.c_str());
}

}  // namespace

int main() {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  const std::string machine = MachineName();
  int port = 0;
  SOCKET listener = LoopbackListener(port);
  StoreOverlaySettings(port);

  OverlayWindow overlay;
  if (!overlay.Open()) return MeasuredNothing("the overlay's window could not be made");
  SOCKET server = accept(listener, nullptr, nullptr);
  WaitKeepingEventsFlowing(1000);  // settle: connected, painted
  if (!overlay.LinkWatchdog().linkUp) return MeasuredNothing("the overlay's link did not come up");

  // The program's own message loop, for ten seconds.
  const double idle = LoopShare(10000);

  // One refresh tick with no key pressed: key queries and the window-order call.
  constexpr int kTicks = 5000;
  const double tick0 = ProcessCpuSeconds();
  for (int i = 0; i < kTicks; ++i) overlay.OnRefreshTick();
  const double tickMicros = (ProcessCpuSeconds() - tick0) * 1e6 / kTicks;

  // The dump pause: ten dumps of players on the grid, each waiting 500 ms
  // while the overlay's timer keeps ticking.
  const std::vector<DemoPlayer> players = DemoPlayers();
  overlay.ShowInspectionRecord(InspectionRecord(players).substr(2));
  const double cpu0 = ProcessCpuSeconds();
  const DWORD wall0 = GetTickCount();
  for (int i = 0; i < 10; ++i) overlay.ShowDumpVerdict(DumpRecord(players[static_cast<size_t>(i) % players.size()]).substr(2));
  const DWORD pausedMs = GetTickCount() - wall0;
  const double waiting = 100.0 * (ProcessCpuSeconds() - cpu0) / (pausedMs / 1000.0);
  // Ten pauses of 500 ms; far less means the dumps did not pause at all.
  if (pausedMs < 4500) {
    return MeasuredNothing("ten dumps took " + std::to_string(pausedMs) + " ms: they did not pause");
  }
  overlay.Close();
  PumpPendingEvents();
  MSG quit;
  PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);  // the overlay's end asks to quit
  const double bare = BareTimerShare();

  std::printf("| %-44s | %9s | %-16s | %s |\n", "measure", "CPU", "target", "machine");
  Row("overlay idle, timer running, link up (10 s)", idle, "< 1 % of a core", machine);
  Row("ten dumps, each with its 500 ms pause", waiting, "< 5 % of wall", machine);
  Row("for comparison: a bare 10 ms timer loop", bare, "-", machine);
  std::printf("| %-44s | %6.1f us | %-16s | %s |\n", "refresh tick, no key pressed (CPU per tick)", tickMicros,
              "< 20 us", machine.c_str());
  closesocket(server);
  closesocket(listener);
  return 0;
}
