// Prints how long each program takes to start as a user sees it: from the
// request to start its process until its first window is shown. The launcher
// starts on the game folder that "basepath" names (launcher_startup_probe lays
// out one of 5,000 files); the overlay on a link to a loopback listener here.
#include <winsock2.h>
#include <windows.h>

#include <string>

#include "machine.h"
#include "registry.h"

namespace {

constexpr int kRuns = 5;
constexpr DWORD kGiveUpMs = 20000;

std::string ProgramPath(const char* relative) {
  char self[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string folder = self;
  folder.resize(folder.find_last_of('\\'));
  return folder + "\\..\\" + relative;
}

struct Search {
  DWORD pid;
  const char* windowClass;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
  Search& s = *reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (pid != s.pid || lstrcmpA(cls, s.windowClass) != 0 || !IsWindowVisible(hwnd)) return TRUE;
  s.found = hwnd;
  return FALSE;
}

double Milliseconds(const LARGE_INTEGER& from) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

constexpr double kNotStarted = -2, kNoWindow = -1;

// One start: milliseconds until a visible window of windowClass belongs to the
// new process, or kNotStarted / kNoWindow. The program is closed again.
double TimeOneStart(const std::string& program, const char* windowClass) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + program + "\"";
  const std::string folder = program.substr(0, program.find_last_of('\\'));
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                      &startup, &process)) {
    return kNotStarted;
  }
  Search search{process.dwProcessId, windowClass, nullptr};
  double ms = kNoWindow;
  while (Milliseconds(start) < kGiveUpMs) {
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      ms = Milliseconds(start);
      break;
    }
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;  // ended without a window
  }
  if (search.found) PostMessageA(search.found, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return ms;
}

void Measure(const char* what, const std::string& program, const char* windowClass, const std::string& machine) {
  TimeOneStart(program, windowClass);  // warm: the later starts find the files cached
  double total = 0;
  for (int run = 0; run < kRuns; ++run) {
    const double ms = TimeOneStart(program, windowClass);
    if (ms < 0) {
      BenchRow(what, ms == kNotStarted ? "not started: " + program : std::string("no window"), "report", machine);
      return;
    }
    total += ms;
  }
  BenchRow(what, Figure("%.0f ms", total / kRuns), "report", machine);
}

// A listener the overlay's link connects to, so that it starts as in use.
SOCKET OverlayServer() {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(s, SOMAXCONN);
  int size = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  using namespace registry;
  MakeKey(HKEY_CURRENT_USER, kSettingsKey);
  StoreKeyValue(HKEY_CURRENT_USER, kSettingsKey, "Mini IP", std::string("127.0.0.1"), kText);
  StoreKeyValue(HKEY_CURRENT_USER, kSettingsKey, "Mini Port", std::to_string(ntohs(a.sin_port)), kText);
  return s;
}

}  // namespace

int main() {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  const std::string machine = MachineName();
  Measure("Kestrun.exe start-up: process start to main window (mean of 5)", ProgramPath("launcher\\Kestrun.exe"),
          "KestrunMain", machine);
  SOCKET server = OverlayServer();
  Measure("corvel2.exe start-up: process start to overlay square (mean of 5)", ProgramPath("overlay\\corvel2.exe"),
          "MiniRemote", machine);
  closesocket(server);
  return 0;
}
