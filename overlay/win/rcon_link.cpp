#include "overlay/win/rcon_link.h"

#include <ws2tcpip.h>

namespace {
constexpr int kMaxDatagram = 65536;
// A status of many players comes in several datagrams at once.
constexpr int kReceiveBuffer = 256 * 1024;
}  // namespace

void RconLink::Open(const std::string& host, int port) {
  Close();
  state_ = RconLinkState::Error;
  if (host.empty() || port < 1 || port > 65535) return;
  // Read on the console's timer, never on notices.
  socket_ = net_.Open(SOCK_DGRAM, 0, 0, kReceiveBuffer);
  if (socket_ == INVALID_SOCKET) return;
  buffer_.resize(kMaxDatagram);
  port_ = port;
  in_addr dotted{};
  if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
    address_ = dotted.s_addr;
    state_ = RconLinkState::Ready;
    return;
  }
  state_ = net_.LookUp(host) ? RconLinkState::Resolving : RconLinkState::Error;
}

void RconLink::OnLookupDone(uintptr_t, uint32_t address) {
  address_ = htonl(address);
  state_ = address != 0 ? RconLinkState::Ready : RconLinkState::Error;
}

void RconLink::Close() {
  net_.Restart();
  socket_ = INVALID_SOCKET;
  address_ = 0;
  state_ = RconLinkState::Closed;
}

bool RconLink::Send(const std::string& datagram) {
  if (state_ != RconLinkState::Ready) return false;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<u_short>(port_));
  to.sin_addr.s_addr = address_;
  const int sent = sendto(socket_, datagram.data(), static_cast<int>(datagram.size()), 0,
                          reinterpret_cast<sockaddr*>(&to), sizeof to);
  return sent == static_cast<int>(datagram.size());
}

std::vector<std::string> RconLink::ReadTurn() {
  std::vector<std::string> datagrams;
  if (socket_ == INVALID_SOCKET) return datagrams;
  for (int reads = 0; reads < kMaxReadsPerTurn; ++reads) {
    sockaddr_in from{};
    int fromSize = sizeof from;
    const int got = recvfrom(socket_, buffer_.data(), kMaxDatagram, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (got < 0) {
      // A stopped server answers an earlier request with a reset.
      if (WSAGetLastError() == WSAECONNRESET) continue;
      break;
    }
    // Anyone can send to the port: only the console's own replies count.
    if (state_ != RconLinkState::Ready || from.sin_addr.s_addr != address_ || ntohs(from.sin_port) != port_) continue;
    datagrams.emplace_back(buffer_.data(), static_cast<size_t>(got));
  }
  return datagrams;
}

int RconLink::BoundLocalPort() const {
  if (socket_ == INVALID_SOCKET) return 0;
  sockaddr_in local{};
  int size = sizeof local;
  if (getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &size) != 0) return 0;
  return ntohs(local.sin_port);
}
