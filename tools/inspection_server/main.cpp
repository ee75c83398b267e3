// Stand-in for the inspection server: serves one overlay at a time over TCP,
// pushes demo inspection and dump records, prints every command the overlay
// sends and carries it out on its demo game (the next inspection record shows
// the effect), and can close the link and connect back the way the real
// server does. Console input drives it by hand or from a test: status, dump N,
// split, close, quit.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/inspection_server/demo_records.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

// The overlay joins pieces that arrive within 30 ms into one record.
constexpr Ms kRecordGap{100};
constexpr Ms kSplitGap{5};
constexpr Ms kCloseBackDelay{500};

struct Options {
  int port = 4000;
  std::string overlayHost = "127.0.0.1";
  int overlayPort = 930;
  int intervalMs = 2000;
  std::optional<int> closeAfterMs;  // counted from the first overlay connection
  std::optional<int> quitAfterMs;   // counted from start-up
};

// One record to send, in one piece or (for "split") in several.
struct Outgoing {
  std::vector<std::string> pieces;
  std::string event;
};

struct Server {
  Options opt;
  DemoGame game{DemoPlayers()};
  SOCKET listener = INVALID_SOCKET;
  SOCKET link = INVALID_SOCKET;
  std::deque<Outgoing> queue;
  Clock::time_point started = Clock::now();
  Clock::time_point lastSend{};
  Clock::time_point nextInspectionRecord{};
  std::optional<Clock::time_point> firstLink;
  bool closedOnce = false;
  bool quit = false;
};

// Lines typed on the console, handed from the reader thread to the loop.
struct ConsoleQueue {
  std::mutex mutex;
  std::deque<std::string> lines;
};

void Say(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

bool ParseOptions(int argc, char** argv, Options& opt) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (i + 1 >= argc) return false;
    const char* value = argv[++i];
    if (arg == "--port") opt.port = std::atoi(value);
    else if (arg == "--overlay-host") opt.overlayHost = value;
    else if (arg == "--overlay-port") opt.overlayPort = std::atoi(value);
    else if (arg == "--interval-ms") opt.intervalMs = std::atoi(value);
    else if (arg == "--close-after-ms") opt.closeAfterMs = std::atoi(value);
    else if (arg == "--quit-after-ms") opt.quitAfterMs = std::atoi(value);
    else return false;
  }
  return opt.port > 0 && opt.overlayPort > 0 && opt.intervalMs > 0;
}

void ReadConsoleLines(ConsoleQueue* console) {
  std::string line;
  while (std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::lock_guard lock(console->mutex);
    console->lines.push_back(line);
  }
}

std::optional<std::string> NextConsoleLine(ConsoleQueue& console) {
  std::lock_guard lock(console.mutex);
  if (console.lines.empty()) return std::nullopt;
  std::string line = console.lines.front();
  console.lines.pop_front();
  return line;
}

std::string AddressText(const sockaddr_in& addr) {
  char ip[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &addr.sin_addr, ip, sizeof ip);
  return std::string(ip) + ":" + std::to_string(ntohs(addr.sin_port));
}

bool OpenListener(Server& s) {
  s.listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s.listener == INVALID_SOCKET) return false;
  sockaddr_in addr = {};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  addr.sin_port = htons(static_cast<u_short>(s.opt.port));
  if (bind(s.listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return false;
  return listen(s.listener, 1) == 0;
}

Outgoing InspectionRecordOutgoing(const Server& s) {
  return {{InspectionRecord(s.game.players, s.game.map)},
          "sent inspection record (" + std::to_string(s.game.players.size()) + " players, map " + s.game.map + ")"};
}

Outgoing DumpOutgoing(const DemoPlayer& p) { return {{DumpRecord(p)}, "sent dump for " + p.name}; }

// Two pieces whose second does not itself look like the start of a record.
Outgoing SplitInspectionRecordOutgoing(const Server& s) {
  std::string record = InspectionRecord(s.game.players, s.game.map);
  size_t cut = record.size() / 2;
  while (cut + 2 < record.size() &&
         (record.compare(cut, 2, "SD") == 0 || record.compare(cut, 2, "DU") == 0)) {
    ++cut;
  }
  return {{record.substr(0, cut), record.substr(cut)},
          "sent inspection record (" + std::to_string(s.game.players.size()) + " players) in two pieces"};
}

// A new link starts with an inspection record at once, then one dump per
// player; the periodic inspection records follow from there.
void StartServing(Server& s, SOCKET link) {
  // Each record must leave as its own segment, not wait to be coalesced.
  BOOL noDelay = TRUE;
  setsockopt(link, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
             sizeof noDelay);
  s.link = link;
  s.queue.clear();
  s.queue.push_back(InspectionRecordOutgoing(s));
  for (const DemoPlayer& p : s.game.players) s.queue.push_back(DumpOutgoing(p));
  s.nextInspectionRecord = Clock::now() + Ms(s.opt.intervalMs);
  if (!s.firstLink) s.firstLink = Clock::now();
}

void CloseLink(Server& s) {
  if (s.link == INVALID_SOCKET) return;
  closesocket(s.link);
  s.link = INVALID_SOCKET;
  s.queue.clear();
  Say("link closed");
}

// The overlay listens on its own port once the server has closed the link.
void ConnectBack(Server& s) {
  std::this_thread::sleep_for(kCloseBackDelay);
  std::string target = s.opt.overlayHost + ":" + std::to_string(s.opt.overlayPort);
  addrinfo hints = {};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  std::string port = std::to_string(s.opt.overlayPort);
  if (getaddrinfo(s.opt.overlayHost.c_str(), port.c_str(), &hints, &found) != 0) {
    Say("cannot resolve " + s.opt.overlayHost);
    return;
  }
  SOCKET sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  bool ok = sock != INVALID_SOCKET &&
            connect(sock, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0;
  freeaddrinfo(found);
  if (!ok) {
    if (sock != INVALID_SOCKET) closesocket(sock);
    Say("connect back to " + target + " failed");
    return;
  }
  Say("connected back to overlay at " + target);
  StartServing(s, sock);
}

void CloseAndConnectBack(Server& s) {
  CloseLink(s);
  ConnectBack(s);
}

const DemoPlayer* FindPlayer(const Server& s, int client) {
  for (const DemoPlayer& p : s.game.players) {
    if (p.client == client) return &p;
  }
  return nullptr;
}

void QueueDump(Server& s, const std::string& arg) {
  char* end = nullptr;
  long client = std::strtol(arg.c_str(), &end, 10);
  const DemoPlayer* p = end != arg.c_str() ? FindPlayer(s, static_cast<int>(client)) : nullptr;
  if (!p) {
    Say("no client " + arg);
    return;
  }
  s.queue.push_back(DumpOutgoing(*p));
}

void HandleConsoleLine(Server& s, const std::string& line) {
  if (line == "quit") {
    s.quit = true;
  } else if (line == "close") {
    CloseAndConnectBack(s);
  } else if (s.link == INVALID_SOCKET && (line == "status" || line == "split" ||
                                          line.starts_with("dump "))) {
    Say("no link");
  } else if (line == "status") {
    s.queue.push_back(InspectionRecordOutgoing(s));
  } else if (line == "split") {
    s.queue.push_back(SplitInspectionRecordOutgoing(s));
  } else if (line.starts_with("dump ")) {
    QueueDump(s, line.substr(5));
  } else if (!line.empty()) {
    Say("unknown input \"" + line + "\"");
  }
}

bool SendAll(SOCKET sock, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    int n = send(sock, data.data() + done, static_cast<int>(data.size() - done), 0);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Sends the next queued record once the gap since the last one has passed.
void SendDueRecord(Server& s, Clock::time_point now) {
  if (s.link == INVALID_SOCKET || s.queue.empty() || now - s.lastSend < kRecordGap) return;
  Outgoing out = std::move(s.queue.front());
  s.queue.pop_front();
  for (size_t i = 0; i < out.pieces.size(); ++i) {
    if (i > 0) std::this_thread::sleep_for(kSplitGap);
    if (!SendAll(s.link, out.pieces[i])) {
      CloseLink(s);
      return;
    }
  }
  s.lastSend = Clock::now();
  Say(out.event);
}

void RunTimers(Server& s, Clock::time_point now) {
  if (s.opt.quitAfterMs && now - s.started >= Ms(*s.opt.quitAfterMs)) s.quit = true;
  if (s.opt.closeAfterMs && !s.closedOnce && s.firstLink &&
      now - *s.firstLink >= Ms(*s.opt.closeAfterMs)) {
    s.closedOnce = true;
    CloseAndConnectBack(s);
    return;
  }
  if (s.link == INVALID_SOCKET || now < s.nextInspectionRecord) return;
  s.queue.push_back(InspectionRecordOutgoing(s));
  s.nextInspectionRecord = now + Ms(s.opt.intervalMs);
}

void AcceptLink(Server& s) {
  sockaddr_in peer = {};
  int len = sizeof peer;
  SOCKET sock = accept(s.listener, reinterpret_cast<sockaddr*>(&peer), &len);
  if (sock == INVALID_SOCKET) return;
  Say("overlay connected from " + AddressText(peer));
  StartServing(s, sock);
}

void ReceiveCommand(Server& s) {
  char buf[4096];
  int n = recv(s.link, buf, sizeof buf, 0);
  if (n <= 0) {
    CloseLink(s);
    return;
  }
  std::string text(buf, static_cast<size_t>(n));
  Say("command \"" + text + "\": " + DescribeCommand(text));
  const std::string effect = ApplyCommand(s.game, text);
  if (effect.empty()) return;
  Say("  " + effect);
  s.queue.push_back(InspectionRecordOutgoing(s));
}

// Waits up to 50 ms for a connection or for data, then handles what came.
void PollSockets(Server& s) {
  fd_set readable;
  FD_ZERO(&readable);
  SOCKET watched = s.link != INVALID_SOCKET ? s.link : s.listener;
  FD_SET(watched, &readable);
  timeval timeout = {0, 50 * 1000};
  if (select(0, &readable, nullptr, nullptr, &timeout) <= 0) return;
  if (s.link != INVALID_SOCKET) ReceiveCommand(s);
  else AcceptLink(s);
}

}  // namespace

int main(int argc, char** argv) {
  Server s;
  if (!ParseOptions(argc, argv, s.opt)) {
    Say("usage: inspection_server [--port N] [--overlay-host H] [--overlay-port P]"
        " [--interval-ms N] [--close-after-ms N] [--quit-after-ms N]");
    return 2;
  }
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
  if (!OpenListener(s)) {
    Say("cannot listen on port " + std::to_string(s.opt.port));
    return 1;
  }
  Say("listening on port " + std::to_string(s.opt.port));

  ConsoleQueue console;
  std::thread(ReadConsoleLines, &console).detach();
  while (!s.quit) {
    while (auto line = NextConsoleLine(console)) HandleConsoleLine(s, *line);
    Clock::time_point now = Clock::now();
    RunTimers(s, now);
    SendDueRecord(s, now);
    PollSockets(s);
  }
  CloseLink(s);
  closesocket(s.listener);
  WSACleanup();
  std::fflush(stdout);
  // Leave without the runtime's exit clean-up: the console reader may hold
  // the lock of stdin while it waits for a line.
  std::_Exit(0);
}
