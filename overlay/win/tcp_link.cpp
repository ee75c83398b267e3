#include "overlay/win/tcp_link.h"

#include <ws2tcpip.h>

namespace {
constexpr size_t kMaxArrival = 1u << 20;
constexpr size_t kMaxOutgoing = 1u << 20;
}  // namespace

void TcpLink::SetRemote(const std::string& host, int port) {
  remoteHost_ = host;
  remotePort_ = port;
}

bool TcpLink::OpenSocket(long events) {
  Close();
  socket_ = net_.Open(SOCK_STREAM, events, localPort_);
  if (socket_ == INVALID_SOCKET) state_ = LinkState::Error;
  return socket_ != INVALID_SOCKET;
}

void TcpLink::Connect() {
  Close();
  in_addr dotted{};
  if (remoteHost_.empty() || remotePort_ <= 0 || remotePort_ > 65535) {
    state_ = LinkState::Error;
  } else if (inet_pton(AF_INET, remoteHost_.c_str(), &dotted) == 1) {
    ConnectTo(ntohl(dotted.s_addr));
  } else {
    // A slow or failing name server must not hold the keyboard polling and
    // the window order: the lookup runs beside the window thread. Its buffer
    // is not ours: a retry must not hand the same one out while the earlier
    // lookup may still write into it.
    lookup_ = net_.LookUp(remoteHost_);
    state_ = lookup_ ? LinkState::Connecting : LinkState::Error;
  }
}

void TcpLink::OnLookupDone(uintptr_t, uint32_t address) {
  lookup_ = 0;
  if (address == 0) {
    state_ = LinkState::Error;
    return;
  }
  ConnectTo(address);
}

void TcpLink::ConnectTo(uint32_t address) {
  // Only this address may connect back once the server has closed the link.
  allowedPeer_ = address;
  if (!OpenSocket(FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE)) return;
  state_ = LinkState::Connecting;
  if (!StartConnect(socket_, address, remotePort_)) state_ = LinkState::Error;
}

void TcpLink::Close() {
  net_.Restart();
  lookup_ = 0;
  socket_ = INVALID_SOCKET;
  state_ = LinkState::Closed;
  outgoing_.clear();
}

void TcpLink::Listen() {
  if (!OpenSocket(FD_ACCEPT)) return;
  state_ = listen(socket_, SOMAXCONN) == 0 ? LinkState::Listening : LinkState::Error;
}

bool TcpLink::Send(const std::string& text) {
  if (state_ != LinkState::Connected) return false;
  if (outgoing_.size() + text.size() > kMaxOutgoing) return false;
  outgoing_ += text;
  return FlushSend();
}

bool TcpLink::FlushSend() {
  while (!outgoing_.empty()) {
    int sent = send(socket_, outgoing_.data(), static_cast<int>(outgoing_.size()), 0);
    if (sent > 0) {
      outgoing_.erase(0, static_cast<size_t>(sent));
      continue;
    }
    // Would block: FD_WRITE resumes. Any other error: the link is broken.
    return sent < 0 && WSAGetLastError() == WSAEWOULDBLOCK;
  }
  return true;
}

std::string TcpLink::ReadWaiting() {
  std::string data;
  char buffer[16384];
  while (data.size() < kMaxArrival) {
    int got = recv(socket_, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    data.append(buffer, static_cast<size_t>(got));
  }
  return data;
}

LinkNotice TcpLink::AcceptPending() {
  sockaddr_in peer{};
  int size = sizeof peer;
  SOCKET accepted = accept(socket_, reinterpret_cast<sockaddr*>(&peer), &size);
  if (accepted == INVALID_SOCKET) return {};
  if (allowedPeer_ == 0 || ntohl(peer.sin_addr.s_addr) != allowedPeer_) {
    // Only the inspection server may take over the command channel.
    closesocket(accepted);
    return {LinkEvent::Refused, {}};
  }
  net_.Close(socket_);
  socket_ = net_.Adopt(accepted, FD_READ | FD_WRITE | FD_CLOSE) ? accepted : INVALID_SOCKET;
  if (socket_ == INVALID_SOCKET) {
    state_ = LinkState::Error;
    return {};
  }
  state_ = LinkState::Connected;
  return {LinkEvent::Accepted, {}};
}

// Nothing is touched after the handler: it may close the link or start it again.
void TcpLink::OnSocketNotice(SOCKET, int event, int error) {
  const LinkNotice notice = NoticeOf(event, error);
  if (notice.event != LinkEvent::None && onNotice) onNotice(notice);
}

LinkNotice TcpLink::NoticeOf(int event, int error) {
  switch (event) {
    case FD_CONNECT:
      if (error != 0) {
        state_ = LinkState::Error;
        return {};
      }
      state_ = LinkState::Connected;
      return {LinkEvent::Connected, {}};
    case FD_READ: {
      std::string data = ReadWaiting();
      if (data.empty()) return {};
      return {LinkEvent::Data, std::move(data)};
    }
    case FD_WRITE:
      FlushSend();
      return {};
    case FD_CLOSE: {
      // Whatever the peer sent before closing is still a record.
      LinkNotice notice{LinkEvent::Closed, ReadWaiting()};
      return notice;
    }
    case FD_ACCEPT:
      return AcceptPending();
    default:
      return {};
  }
}

int TcpLink::BoundLocalPort() const { return LocalPortOf(socket_); }
