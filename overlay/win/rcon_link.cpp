#include "overlay/win/rcon_link.h"

#include <ws2tcpip.h>

#include <utility>

namespace {
// A status of many players comes in several datagrams at once.
constexpr int kReceiveBuffer = 256 * 1024;
}  // namespace

void RconLink::Open(const std::string& host, int port) {
  Close();
  state_ = RconLinkState::Error;
  if (host.empty() || port < 1 || port > 65535) return;
  socket_ = net_.Open(SOCK_DGRAM, FD_READ, 0, kReceiveBuffer);
  if (socket_ == INVALID_SOCKET) return;
  port_ = port;
  in_addr dotted{};
  if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
    address_ = ntohl(dotted.s_addr);
    state_ = RconLinkState::Ready;
    return;
  }
  state_ = net_.LookUp(host) ? RconLinkState::Resolving : RconLinkState::Error;
}

void RconLink::OnLookupDone(uintptr_t, uint32_t address) {
  address_ = address;
  state_ = address != 0 ? RconLinkState::Ready : RconLinkState::Error;
}

void RconLink::Close() {
  net_.Restart();
  socket_ = INVALID_SOCKET;
  replies_.clear();
  address_ = 0;
  state_ = RconLinkState::Closed;
}

bool RconLink::Send(const std::string& datagram) {
  return state_ == RconLinkState::Ready && SendDatagram(socket_, address_, port_, datagram);
}

// Anyone can send to the port: only the console's own replies count.
void RconLink::OnDatagram(SOCKET, const Datagram& datagram) {
  if (state_ != RconLinkState::Ready || datagram.address != address_ || datagram.port != port_) return;
  if (replies_.size() < kMaxKeptReplies) replies_.emplace_back(datagram.bytes);
}

std::vector<std::string> RconLink::TakeReplies() { return std::exchange(replies_, {}); }

int RconLink::BoundLocalPort() const { return LocalPortOf(socket_); }
