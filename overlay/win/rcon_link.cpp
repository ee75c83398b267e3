#include "overlay/win/rcon_link.h"

#include <ws2tcpip.h>

namespace {
constexpr int kMaxDatagram = 65536;
// A status of many players comes in several datagrams at once.
constexpr int kReceiveBuffer = 256 * 1024;
// A turn is bounded by its count of datagrams alone.
constexpr uint32_t kWholeTurn = UINT32_MAX;
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
  address_ = 0;
  state_ = RconLinkState::Closed;
}

bool RconLink::Send(const std::string& datagram) {
  return state_ == RconLinkState::Ready && SendDatagram(socket_, address_, port_, datagram);
}

// A stopped server answers an earlier request with a reset, which is read past.
std::vector<std::string> RconLink::ReadTurn() {
  std::vector<std::string> datagrams;
  if (socket_ == INVALID_SOCKET) return datagrams;
  ReadDatagrams(socket_, buffer_, kMaxReadsPerTurn, kWholeTurn, [&](const Datagram& datagram) {
    // Anyone can send to the port: only the console's own replies count.
    if (state_ == RconLinkState::Ready && datagram.address == address_ && datagram.port == port_) {
      datagrams.emplace_back(datagram.bytes);
    }
    return true;
  });
  return datagrams;
}

int RconLink::BoundLocalPort() const { return LocalPortOf(socket_); }
