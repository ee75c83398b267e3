#include "overlay/win/rcon_link.h"

#include <ws2tcpip.h>

#include "common/win/host_lookup.h"

namespace {
constexpr int kMaxDatagram = 65536;
// A status of many players comes in several datagrams at once.
constexpr int kReceiveBuffer = 256 * 1024;
}  // namespace

RconLink::RconLink() {
  WSADATA data;
  winsockReady_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

RconLink::~RconLink() {
  Close();
  if (winsockReady_) WSACleanup();
}

bool RconLink::OpenSocket() {
  socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (socket_ == INVALID_SOCKET) return false;
  setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&kReceiveBuffer), sizeof kReceiveBuffer);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  u_long nonBlocking = 1;
  if (bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      ioctlsocket(socket_, FIONBIO, &nonBlocking) != 0) {
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
    return false;
  }
  buffer_.resize(kMaxDatagram);
  return true;
}

void RconLink::Open(const std::string& host, int port) {
  Close();
  state_ = RconLinkState::Error;
  if (!winsockReady_ || host.empty() || port < 1 || port > 65535 || !OpenSocket()) return;
  port_ = port;
  in_addr dotted{};
  if (inet_pton(AF_INET, host.c_str(), &dotted) == 1) {
    address_ = dotted.s_addr;
    state_ = RconLinkState::Ready;
    return;
  }
  lookup_ = host_lookup::Start(host, window_, kLookupMessage);
  state_ = lookup_ ? RconLinkState::Resolving : RconLinkState::Error;
}

void RconLink::OnLookupDone(WPARAM wParam, LPARAM lParam) {
  if (!lookup_ || static_cast<uintptr_t>(wParam) != lookup_) return;  // a lookup dropped since
  lookup_ = 0;
  const auto address = static_cast<uint32_t>(lParam);
  address_ = htonl(address);
  state_ = address != 0 ? RconLinkState::Ready : RconLinkState::Error;
}

void RconLink::DropLookup() {
  if (lookup_) host_lookup::Drop(lookup_);
  lookup_ = 0;
}

void RconLink::Close() {
  DropLookup();
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
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
