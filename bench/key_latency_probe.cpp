// Prints the time from a key going down to the command's bytes arriving at
// the inspection server, and in the same run at a game server's remote
// console. corvel2.exe runs as a real process linked to a loopback server
// here, and the keys are pressed system-wide as an administrator presses
// them: Print Screen, a player's key, then K. The overlay polls the keyboard
// every 10 ms, so the wait is about one tick; on the console a command also
// waits for the reply it may find open, and for the request rate. Last, the
// CPU corvel2.exe burns while it only polls the console.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
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

// A Quake III family game server's remote console on a loopback UDP port:
// it answers the status query, cmdlist, status and dumpuser as such a server
// does, notes when each kick arrives, and counts every request.
class ConsoleStandIn {
 public:
  static constexpr const char* kPassword = "secret";

  bool Open() {
    socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(socket_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return false;
    int size = sizeof a;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(a.sin_port);
    kicked_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    thread_ = std::thread([this] { Serve(); });
    return true;
  }

  void Close() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    closesocket(socket_);
    CloseHandle(kicked_);
  }

  int Port() const { return port_; }
  int Requests() const { return requests_; }
  // Waits for the next kick: its command and when it came, or false after timeoutMs.
  bool WaitForKick(DWORD timeoutMs, std::string& command, LARGE_INTEGER& at) {
    if (WaitForSingleObject(kicked_, timeoutMs) != WAIT_OBJECT_0) return false;
    command = lastKick_;
    at = kickedAt_;
    return true;
  }

 private:
  void Serve() {
    while (!stop_) {
      if (!Readable(socket_, 50)) continue;
      char buffer[2048];
      sockaddr_in from{};
      int fromSize = sizeof from;
      const int n = recvfrom(socket_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
      if (n <= 4) continue;
      ++requests_;
      const std::string reply = "\xFF\xFF\xFF\xFF" + Answer(std::string(buffer + 4, static_cast<size_t>(n - 4)));
      sendto(socket_, reply.data(), static_cast<int>(reply.size()), 0, reinterpret_cast<sockaddr*>(&from), fromSize);
    }
  }

  std::string Answer(const std::string& request) {
    // The status query comes with the direction byte and a blank, which this family reads as blanks.
    if (request.substr(std::min(request.find_first_not_of("\x02 "), request.size())).rfind("getstatus", 0) == 0) return "statusResponse\n\\sv_hostname\\probe\\mapname\\oa_dm1\n";
    const std::string prefix = "rcon " + std::string(kPassword) + " ";
    if (request.rfind(prefix, 0) != 0) return "print\nBad rconpassword.\n";
    const std::string command = request.substr(prefix.size());
    if (command == "cmdlist") return "print\ncmdlist\nclientkick\nstatus\ndumpuser\nmap\nbanaddr\n";
    if (command == "status") return "print\n" + StatusText();
    if (command.rfind("dumpuser", 0) == 0) return "print\nuserinfo\n--------\nmodel sarge\n";
    if (command.rfind("clientkick", 0) == 0) {
      QueryPerformanceCounter(&kickedAt_);
      lastKick_ = command;
      SetEvent(kicked_);
    }
    return "print\n";
  }

  // The layout of ioquake3's status: the name padded to 16, then "^7", and
  // a blank line after the table.
  static std::string StatusText() {
    std::string text =
        "map: oa_dm1\n"
        "cl score ping name            address                                 rate \n"
        "-- ----- ---- --------------- --------------------------------------- -----\n";
    const char* names[] = {"Alice", "Bruno", "Carla"};
    for (int client = 0; client < 3; ++client) {
      char row[160];
      const std::string address = "127.0.0." + std::to_string(client + 2);
      std::snprintf(row, sizeof row, "%2i %5i %4i %-16s^7%-39s %5i\n", client, 3 - client, 48 + client, names[client],
                    address.c_str(), 25000);
      text += row;
    }
    return text + "\n";
  }

  SOCKET socket_ = INVALID_SOCKET;
  int port_ = 0;
  HANDLE kicked_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::string lastKick_;
  LARGE_INTEGER kickedAt_{};
};

// The administrator's presses against the overlay on the console, as
// TimeOverlayCommands does on the inspection server, but spaced so that the
// kicks and the status polls together stay within the request rate (one a
// second): faster, the figure would be the rate's wait, not corvel2's.
constexpr DWORD kConsolePressGapMs = 1700;
std::vector<double> TimeConsoleCommands(ConsoleStandIn& console, std::string& why) {
  const std::string expected = "clientkick " + std::to_string(kPickedClient);
  std::vector<double> times;
  for (int i = 0; i < kPresses; ++i) {
    Press(VK_SNAPSHOT);
    Press(kPickKey);
    LARGE_INTEGER down{}, at{};
    QueryPerformanceCounter(&down);
    SendKey('K', true);
    std::string got;
    const bool kicked = console.WaitForKick(3000, got, at);
    Sleep(kHoldMs);
    SendKey('K', false);
    Sleep(100);
    if (!kicked || got != expected) {
      why = "press " + std::to_string(i + 1) + " brought \"" + got + "\" to the console, not \"" + expected + "\"";
      break;
    }
    times.push_back(MillisecondsSince(down) - MillisecondsSince(at));
    Sleep(kConsolePressGapMs);
  }
  return times;
}

// CPU seconds a process has used so far.
double CpuSecondsOf(HANDLE process) {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(process, &created, &exited, &kernel, &user);
  return CpuTimeSeconds(kernel) + CpuTimeSeconds(user);
}

struct ConsoleFigures {
  std::vector<double> times;
  double idleCpuPercent = 0;
  double requestsPerSecond = 0;
};

constexpr DWORD kIdleMs = 10000;

// corvel2.exe on the console stand-in: the key presses, then its CPU and its
// requests over kIdleMs while it only polls.
bool MeasureConsole(ConsoleFigures& figures, std::string& why) {
  ConsoleStandIn console;
  if (!console.Open() || !StoreRconSettings(console.Port(), ConsoleStandIn::kPassword)) {
    why = "could not open the console stand-in or store its settings";
    return false;
  }
  RunningProgram overlay;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!StartProgram(ProgramPath("overlay\\corvel2.exe"), overlay)) {
    why = "could not start corvel2.exe on the console";
  } else if (!WaitForShownWindow(overlay, "MiniRemote", start, 20000)) {
    why = "corvel2.exe on the console showed no overlay square";
  } else {
    Sleep(3000);  // the family, the command list and the first status in
    figures.times = TimeConsoleCommands(console, why);
    Sleep(2000);  // the kicks' replies done
    const double cpu0 = CpuSecondsOf(overlay.process.hProcess);
    const int requests0 = console.Requests();
    Sleep(kIdleMs);
    figures.idleCpuPercent = 100.0 * (CpuSecondsOf(overlay.process.hProcess) - cpu0) / (kIdleMs / 1000.0);
    figures.requestsPerSecond = (console.Requests() - requests0) / (kIdleMs / 1000.0);
  }
  if (overlay.process.hProcess) EndProgram(overlay);
  console.Close();
  return figures.times.size() == kPresses;
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
    const std::string record = InspectionRecord(DemoPlayers());
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

  ConsoleFigures console;
  if (!MeasureConsole(console, why)) return MeasuredNothing(why);

  const std::string machine = MachineName();
  LatencyRows("key down (SendInput) to the command on the server", overlayTimes, "<= 20 ms (two ticks)", machine);
  LatencyRows("  the same on a game server's remote console (UDP)", console.times, "report", machine);
  LatencyRows("  for comparison: to a 1 ms key poller's byte, another process", pollerTimes, "-", machine);
  BenchRow("corvel2.exe's CPU while it polls the remote console, 10 s", Figure("%.2f %%", console.idleCpuPercent),
           "report", machine);
  BenchRow("  its requests to the console meanwhile", Figure("%.2f a second", console.requestsPerSecond), "<= 1",
           machine);
  return 0;
}
