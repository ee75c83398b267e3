// Prints how long each program takes to start as a user sees it, from the
// request to start its process until its first window is shown, and the
// memory it then holds while idle, next to that of a bare window program.
// The launcher starts on a game folder of 5,000 files; the overlay on a link
// to a loopback listener here.
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <string>

#include "bench/files.h"
#include "bench/machine.h"
#include "bench/probe_settings.h"
#include "bench/programs.h"

namespace {

constexpr int kRuns = 5;
constexpr double kGiveUpMs = 20000;
// Long enough for what start-up leaves to do after the window shows (first
// paint, the overlay's link) to be done.
constexpr DWORD kSettleMs = 2000;

struct Program {
  std::string name;
  std::string path;
  const char* windowClass;
  const char* windowName;
  std::string arguments;
};

// One start, closed again once its window is shown: false (with why) when
// the program did not start or showed no window.
bool TimeOneStart(const Program& p, double& ms, std::string& why) {
  RunningProgram running;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!StartProgram(p.path, running, p.arguments)) {
    why = "could not start " + p.path;
    return false;
  }
  const bool shown = WaitForShownWindow(running, p.windowClass, start, kGiveUpMs);
  ms = MillisecondsSince(start);
  EndProgram(running);
  if (!shown) why = p.name + " showed no " + p.windowName;
  return shown;
}

// The working set once the window is shown and the program has sat idle.
// Private bytes would be the better figure, but Wine reports them as 0.
bool IdleWorkingSet(const Program& p, double& megabytes, std::string& why) {
  RunningProgram running;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!StartProgram(p.path, running, p.arguments)) {
    why = "could not start " + p.path;
    return false;
  }
  if (!WaitForShownWindow(running, p.windowClass, start, kGiveUpMs)) {
    EndProgram(running);
    why = p.name + " showed no " + p.windowName;
    return false;
  }
  Sleep(kSettleMs);
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  const bool read = GetProcessMemoryInfo(running.process.hProcess, &counters, sizeof counters) &&
                    counters.WorkingSetSize > 0;
  EndProgram(running);
  if (!read) {
    why = "the working set of " + p.name + " could not be read";
    return false;
  }
  megabytes = static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
  return true;
}

// The program's rows; false (with why) when any start measured nothing.
bool Measure(const Program& p, const std::string& machine, std::string& why) {
  double ms = 0;
  if (!TimeOneStart(p, ms, why)) return false;  // warm: the later starts find the files cached
  double total = 0;
  for (int run = 0; run < kRuns; ++run) {
    if (!TimeOneStart(p, ms, why)) return false;
    total += ms;
  }
  double megabytes = 0;
  if (!IdleWorkingSet(p, megabytes, why)) return false;
  BenchRow(p.name + " start-up: process start to " + p.windowName + " (mean of 5)", Figure("%.0f ms", total / kRuns),
           "report", machine);
  BenchRow(p.name + " idle working set, 2 s after its window showed", Figure("%.1f MiB", megabytes),
           "report", machine);
  return true;
}

// For comparison: what any program with one window holds on this platform.
// This probe started with --bare-window shows a window of kBareClass until closed.
constexpr const char* kBareClass = "BareWindowProbe";

int RunBareWindow() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  };
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = kBareClass;
  RegisterClassA(&wc);
  HWND window = CreateWindowA(kBareClass, "bare", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                              wc.hInstance, nullptr);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}

std::string SelfPath() {
  char self[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  return self;
}

// A listener the overlay's link connects to, so that it starts as in use.
SOCKET OverlayServer(int& port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(s, SOMAXCONN);
  int size = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  port = ntohs(a.sin_port);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--bare-window") return RunBareWindow();
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  const std::string machine = MachineName();
  StoreGameFolder(LayOutGameFolder());
  int port = 0;
  SOCKET server = OverlayServer(port);
  StoreOverlaySettings(port);
  std::string why;
  const bool measured =
      Measure({"Kestrun.exe", ProgramPath("launcher\\Kestrun.exe"), "KestrunMain", "main window", ""}, machine, why) &&
      Measure({"corvel2.exe", ProgramPath("overlay\\corvel2.exe"), "MiniRemote", "overlay square", ""}, machine, why);
  closesocket(server);
  if (!measured) return MeasuredNothing(why);
  double bareMegabytes = 0;
  if (!IdleWorkingSet({"a bare window program", SelfPath(), kBareClass, "window", "--bare-window"}, bareMegabytes,
                      why)) {
    return MeasuredNothing(why);
  }
  BenchRow("  for comparison: a bare one-window program's working set", Figure("%.1f MiB", bareMegabytes), "-",
           machine);
  return 0;
}
