#pragma once
// The inspection server's side of a probe: a listener on a free loopback port.
#include <winsock2.h>

// Listens on 127.0.0.1 at a port the system picks, written to port.
inline SOCKET LoopbackListener(int& port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(s, 1);
  int size = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  port = ntohs(a.sin_port);
  return s;
}
