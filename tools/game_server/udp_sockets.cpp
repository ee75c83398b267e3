#include "tools/game_server/udp_sockets.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using NativeSocket = SOCKET;
using PollEntry = WSAPOLLFD;
#define CLOSE_SOCKET closesocket
#define POLL_SOCKETS WSAPoll
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using NativeSocket = int;
using PollEntry = pollfd;
#define CLOSE_SOCKET close
#define POLL_SOCKETS poll
#endif

namespace {

NativeSocket Native(std::uintptr_t handle) { return static_cast<NativeSocket>(handle); }

bool MakeNonBlocking(NativeSocket s) {
#ifdef _WIN32
  u_long on = 1;
  return ioctlsocket(s, FIONBIO, &on) == 0;
#else
  const int flags = fcntl(s, F_GETFL, 0);
  return flags >= 0 && fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
#endif
}

}  // namespace

void UdpStartup() {
#ifdef _WIN32
  WSADATA wsa;
  WSAStartup(MAKEWORD(2, 2), &wsa);
#endif
}

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
  if (this != &other) {
    if (handle_ != kNone) CLOSE_SOCKET(Native(handle_));
    handle_ = other.handle_;
    other.handle_ = kNone;
  }
  return *this;
}

UdpSocket::~UdpSocket() {
  if (handle_ != kNone) CLOSE_SOCKET(Native(handle_));
}

bool UdpSocket::BindLoopback(int port, bool anyAddress) {
  const NativeSocket s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (static_cast<std::uintptr_t>(s) == kNone || s == static_cast<NativeSocket>(-1)) return false;
  handle_ = static_cast<std::uintptr_t>(s);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(anyAddress ? INADDR_ANY : INADDR_LOOPBACK);
  local.sin_port = htons(static_cast<uint16_t>(port));
  return bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 && MakeNonBlocking(s);
}

void UdpSocket::SendTo(uint32_t address, int port, const std::string& bytes) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(address);
  to.sin_port = htons(static_cast<uint16_t>(port));
  sendto(Native(handle_), bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<sockaddr*>(&to),
         sizeof to);
}

bool UdpSocket::Receive(Datagram& datagram) {
  static char buffer[65536];
  sockaddr_in from{};
  socklen_t size = sizeof from;
  const int got = static_cast<int>(
      recvfrom(Native(handle_), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size));
  if (got < 0) return false;
  datagram.address = ntohl(from.sin_addr.s_addr);
  datagram.port = ntohs(from.sin_port);
  datagram.bytes.assign(buffer, static_cast<size_t>(got));
  return true;
}

std::vector<size_t> WaitReadable(const std::vector<UdpSocket*>& sockets, int timeoutMs) {
  std::vector<PollEntry> entries(sockets.size());
  for (size_t i = 0; i < sockets.size(); ++i) {
    entries[i].fd = Native(sockets[i]->Handle());
    entries[i].events = POLLIN;
  }
  std::vector<size_t> ready;
  if (POLL_SOCKETS(entries.data(), static_cast<unsigned long>(entries.size()), timeoutMs) <= 0) return ready;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].revents & POLLIN) ready.push_back(i);
  }
  return ready;
}
