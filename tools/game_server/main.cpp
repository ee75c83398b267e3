// Stand-in for a game server: answers status requests on a UDP port with the
// demo server's status (and "getinfo" with its short information, as server
// browsers ask) and prints every datagram it gets.
// Options: --port N (default 12203), --quit-after-ms N; for many servers at
// once, --count N (ports N in a row from --port, at most 64) and --silent N
// (the last N of them take requests but never answer).
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/game_server/status_reply.h"

namespace {

void Say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::string Printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

SOCKET BoundUdp(int port) {
  SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<u_short>(port));
  if (s != INVALID_SOCKET && bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    closesocket(s);
    s = INVALID_SOCKET;
  }
  return s;
}

// Reads one datagram of s and answers it unless silent.
void Serve(SOCKET s, int port, bool silent, const std::string& reply, const std::string& info) {
  static char buffer[65536];
  sockaddr_in from{};
  int size = sizeof from;
  const int got = recvfrom(s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
  if (got < 0) return;
  const std::string datagram(buffer, static_cast<size_t>(got));
  char address[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &from.sin_addr, address, sizeof address);
  const std::string who = std::string(address) + ":" + std::to_string(ntohs(from.sin_port));
  const std::string at = " on port " + std::to_string(port);
  const bool wantsInfo = IsInfoRequest(datagram);
  if (!IsStatusRequest(datagram) && !wantsInfo) {
    Say("game server: ignored " + std::to_string(got) + " bytes from " + who + at + ": " + Printable(datagram));
    return;
  }
  if (silent) {
    Say("game server: status request from " + who + at + ", left unanswered");
    return;
  }
  const std::string& answer = wantsInfo ? info : reply;
  sendto(s, answer.data(), static_cast<int>(answer.size()), 0, reinterpret_cast<sockaddr*>(&from), size);
  Say(std::string("game server: ") + (wantsInfo ? "info" : "status") + " request from " + who + at + " (" +
      std::to_string(got) + " bytes: " + Printable(datagram) + "), answered with " + std::to_string(answer.size()) +
      " bytes");
}

}  // namespace

int main(int argc, char** argv) {
  int port = 12203;
  int count = 1;
  int silentCount = 0;
  long quitAfterMs = -1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--port") port = std::atoi(argv[i + 1]);
    else if (option == "--quit-after-ms") quitAfterMs = std::atol(argv[i + 1]);
    else if (option == "--count") count = std::atoi(argv[i + 1]);
    else if (option == "--silent") silentCount = std::atoi(argv[i + 1]);
    else {
      std::fprintf(stderr, "usage: game_server [--port N] [--count N] [--silent N] [--quit-after-ms N]\n");
      return 2;
    }
  }
  // One select() watches them all, and a set holds at most FD_SETSIZE sockets.
  if (count < 1 || count > FD_SETSIZE || silentCount < 0 || silentCount > count) {
    std::fprintf(stderr, "game server: --count takes 1 to %d, --silent 0 to the count\n", FD_SETSIZE);
    return 2;
  }
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  std::vector<SOCKET> sockets;
  for (int i = 0; i < count; ++i) {
    sockets.push_back(BoundUdp(port + i));
    if (sockets.back() == INVALID_SOCKET) {
      Say("game server: cannot use UDP port " + std::to_string(port + i));
      return 1;
    }
  }
  const std::string reply = StatusReply(DemoServer());
  const std::string info = InfoReply(DemoServer());
  if (count == 1) {
    Say("game server: answering status requests on UDP port " + std::to_string(port));
  } else {
    Say("game server: answering status requests on UDP ports " + std::to_string(port) + " to " +
        std::to_string(port + count - 1) + ", the last " + std::to_string(silentCount) + " of them silent");
  }
  const DWORD started = GetTickCount();
  for (;;) {
    if (quitAfterMs >= 0 && static_cast<long>(GetTickCount() - started) > quitAfterMs) break;
    fd_set set;
    FD_ZERO(&set);
    for (SOCKET s : sockets) FD_SET(s, &set);
    timeval tv{0, 100000};
    if (select(0, &set, nullptr, nullptr, &tv) < 1) continue;
    for (int i = 0; i < count; ++i) {
      if (FD_ISSET(sockets[i], &set)) Serve(sockets[i], port + i, i >= count - silentCount, reply, info);
    }
  }
  for (SOCKET s : sockets) closesocket(s);
  return 0;
}
