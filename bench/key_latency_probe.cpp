// Prints the time from a key going down to the command's bytes arriving at
// the inspection server. corvel2.exe runs as a real process linked to a
// loopback server here, and the keys are pressed system-wide as an
// administrator presses them: Print Screen, a player's key, then K. The
// overlay polls the keyboard every 10 ms, so the wait is about one tick.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/loopback_listener.h"
#include "bench/machine.h"
#include "bench/probe_settings.h"
#include "bench/programs.h"
#include "overlay/core/player_actions.h"
#include "tools/inspection_server/demo_records.h"

namespace {

constexpr int kPresses = 20;
// Held over a few of the overlay's ticks: a tap let go before a poll reads as
// "pressed since" without "down now", which does not count. Wine lets another
// process see a key go down up to 50 ms late, hence the long hold.
constexpr DWORD kHoldMs = 200;
constexpr DWORD kGapMs = 30;
constexpr char kPickKey = 'A';  // the first player, client 0
constexpr int kPickedClient = 0;

void SendKey(WORD vk, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof in);
}

void Press(WORD vk) {
  SendKey(vk, true);
  Sleep(kHoldMs);
  SendKey(vk, false);
  Sleep(kGapMs);
}

bool Readable(SOCKET s, int timeoutMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  return select(0, &set, nullptr, nullptr, &tv) == 1;
}

// What arrives until expected bytes have come, the peer closes or timeoutMs pass.
std::string Receive(SOCKET s, size_t expected, int timeoutMs) {
  std::string got;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  while (got.size() < expected) {
    const int left = timeoutMs - static_cast<int>(MillisecondsSince(start));
    if (left <= 0 || !Readable(s, left)) break;
    char buffer[256];
    const int n = recv(s, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    got.append(buffer, static_cast<size_t>(n));
  }
  return got;
}

// Milliseconds from the key's going down until expected has arrived on link,
// or -1 when anything else or nothing came. The key is held a while longer.
double TimeKeyToBytes(SOCKET link, WORD vk, const std::string& expected, std::string& got) {
  LARGE_INTEGER down;
  QueryPerformanceCounter(&down);
  SendKey(vk, true);
  got = Receive(link, expected.size(), 2000);
  const double ms = MillisecondsSince(down);
  Sleep(kHoldMs);
  SendKey(vk, false);
  Sleep(100);  // the reader back at rest
  return got == expected ? ms : -1;
}

// The administrator's presses against the overlay: Print Screen, the player's
// key, then K, whose time is taken.
std::vector<double> TimeOverlayCommands(SOCKET link, std::string& why) {
  const std::string command = ActionCommand('K', kPickedClient);
  std::vector<double> times;
  for (int i = 0; i < kPresses; ++i) {
    Press(VK_SNAPSHOT);
    Press(kPickKey);
    std::string got;
    const double ms = TimeKeyToBytes(link, 'K', command, got);
    if (ms < 0) {
      why = "press " + std::to_string(i + 1) + " brought \"" + got + "\" to the server, not \"" + command + "\"";
      break;
    }
    times.push_back(ms);
  }
  return times;
}

// For comparison, the platform's share: another process that only reads the
// key, every millisecond, and sends one byte for each press it sees.
constexpr WORD kPollerKey = 'Q';

int RunBarePoller(int port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<u_short>(port));
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return 1;
  bool wasDown = false;
  const DWORD start = GetTickCount();
  for (int seen = 0; seen < kPresses && GetTickCount() - start < 60000; Sleep(1)) {
    const bool down = (GetAsyncKeyState(kPollerKey) & 0x8000) != 0;
    if (down && !wasDown && send(s, "Q", 1, 0) == 1) ++seen;
    wasDown = down;
  }
  closesocket(s);
  return 0;
}

std::vector<double> TimeBarePoller(SOCKET listener, int port, std::string& why) {
  char self[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string commandLine = "\"" + std::string(self) + "\" --poller " + std::to_string(port);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION poller{};
  if (!CreateProcessA(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &poller)) {
    why = "could not start the bare poller";
    return {};
  }
  std::vector<double> times;
  SOCKET link = INVALID_SOCKET;
  if (!Readable(listener, 10000) || (link = accept(listener, nullptr, nullptr)) == INVALID_SOCKET) {
    why = "the bare poller did not connect";
  } else {
    Sleep(300);  // polling
    for (int i = 0; i < kPresses; ++i) {
      std::string got;
      const double ms = TimeKeyToBytes(link, kPollerKey, "Q", got);
      if (ms < 0) {
        why = "the bare poller missed press " + std::to_string(i + 1);
        break;
      }
      times.push_back(ms);
    }
    closesocket(link);
  }
  if (WaitForSingleObject(poller.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(poller.hProcess, 1);
  CloseHandle(poller.hThread);
  CloseHandle(poller.hProcess);
  return times;
}

// "median | worst" rows of one series of kPresses times.
void LatencyRows(const std::string& what, std::vector<double> times, const char* target, const std::string& machine) {
  std::sort(times.begin(), times.end());
  const double median = (times[kPresses / 2 - 1] + times[kPresses / 2]) / 2;
  BenchRow(what + ", median of 20", Figure("%.1f ms", median), target, machine);
  BenchRow("  the same, worst of 20", Figure("%.1f ms", times.back()), target, machine);
}

}  // namespace

int main(int argc, char** argv) {
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  if (argc == 3 && std::string(argv[1]) == "--poller") return RunBarePoller(std::atoi(argv[2]));
  int port = 0;
  SOCKET listener = LoopbackListener(port);
  StoreOverlaySettings(port);

  RunningProgram overlay;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!StartProgram(ProgramPath("overlay\\corvel2.exe"), overlay)) {
    return MeasuredNothing("could not start corvel2.exe");
  }
  std::string why;
  SOCKET link = INVALID_SOCKET;
  if (!WaitForShownWindow(overlay, "MiniRemote", start, 20000)) {
    why = "corvel2.exe showed no overlay square";
  } else if (!Readable(listener, 10000) || (link = accept(listener, nullptr, nullptr)) == INVALID_SOCKET) {
    why = "corvel2.exe did not connect to the server";
  }
  std::vector<double> overlayTimes;
  if (why.empty()) {
    const std::string record = StatusRecord(DemoPlayers());
    send(link, record.data(), static_cast<int>(record.size()), 0);
    Sleep(500);  // the players shown
    overlayTimes = TimeOverlayCommands(link, why);
  }
  EndProgram(overlay);
  if (link != INVALID_SOCKET) closesocket(link);
  if (overlayTimes.size() != kPresses) return MeasuredNothing(why);
  const std::vector<double> pollerTimes = TimeBarePoller(listener, port, why);
  closesocket(listener);
  if (pollerTimes.size() != kPresses) return MeasuredNothing(why);

  const std::string machine = MachineName();
  LatencyRows("key down (SendInput) to the command on the server", overlayTimes, "<= 20 ms (two ticks)", machine);
  LatencyRows("  for comparison: to a 1 ms key poller's byte, another process", pollerTimes, "-", machine);
  return 0;
}
