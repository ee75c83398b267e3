// Stand-in for a game server: answers status requests on a UDP port with the
// demo server's status and prints every datagram it gets.
// Options: --port N (default 12203), --quit-after-ms N.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "status_reply.h"

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

}  // namespace

int main(int argc, char** argv) {
  int port = 12203;
  long quitAfterMs = -1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--port") port = std::atoi(argv[i + 1]);
    else if (option == "--quit-after-ms") quitAfterMs = std::atol(argv[i + 1]);
    else {
      std::fprintf(stderr, "usage: game_server [--port N] [--quit-after-ms N]\n");
      return 2;
    }
  }
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
  SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<u_short>(port));
  if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    Say("game server: cannot use UDP port " + std::to_string(port));
    return 1;
  }
  const std::string reply = StatusReply(DemoServer());
  Say("game server: answering status requests on UDP port " + std::to_string(port));
  const DWORD started = GetTickCount();
  char buffer[65536];
  for (;;) {
    if (quitAfterMs >= 0 && static_cast<long>(GetTickCount() - started) > quitAfterMs) break;
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv{0, 100000};
    if (select(0, &set, nullptr, nullptr, &tv) != 1) continue;
    sockaddr_in from{};
    int size = sizeof from;
    const int got = recvfrom(s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
    if (got < 0) continue;
    const std::string datagram(buffer, static_cast<size_t>(got));
    char address[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, address, sizeof address);
    const std::string who = std::string(address) + ":" + std::to_string(ntohs(from.sin_port));
    if (!IsStatusRequest(datagram)) {
      Say("game server: ignored " + std::to_string(got) + " bytes from " + who + ": " + Printable(datagram));
      continue;
    }
    sendto(s, reply.data(), static_cast<int>(reply.size()), 0, reinterpret_cast<sockaddr*>(&from), size);
    Say("game server: status request from " + who + " (" + std::to_string(got) + " bytes: " + Printable(datagram) +
        "), answered with " + std::to_string(reply.size()) + " bytes");
  }
  closesocket(s);
  return 0;
}
