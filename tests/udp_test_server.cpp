#include "tests/udp_test_server.h"

namespace {

SOCKET BoundUdp(int port, int& boundPort, const char* address = "127.0.0.1") {
  SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = inet_addr(address);
  a.sin_port = htons(static_cast<u_short>(port));
  if (s == INVALID_SOCKET || bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    if (s != INVALID_SOCKET) closesocket(s);
    return INVALID_SOCKET;
  }
  int size = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  boundPort = ntohs(a.sin_port);
  return s;
}

struct WinsockUp {
  WinsockUp() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
};

}  // namespace

UdpTestServer::UdpTestServer(int port, const char* strayAddress) {
  static WinsockUp winsock;
  socket_ = BoundUdp(port, port_);
  stray_ = BoundUdp(0, strayPort_, strayAddress);
  if (Ok()) thread_ = std::thread([this] { Serve(); });
}

UdpTestServer::~UdpTestServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  if (stray_ != INVALID_SOCKET) closesocket(stray_);
}

void UdpTestServer::SetReply(const std::string& reply, const std::string& stray) {
  SetReplies(reply.empty() ? std::vector<std::string>{} : std::vector<std::string>{reply}, stray);
}

void UdpTestServer::SetReplies(const std::vector<std::string>& replies, const std::string& stray) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_ = replies;
  strayReply_ = stray;
}

std::vector<UdpTestServer::Datagram> UdpTestServer::Received() {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

void UdpTestServer::Serve() {
  std::vector<char> buffer(65536);
  while (!stop_) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket_, &set);
    timeval tv{0, 20000};
    if (select(0, &set, nullptr, nullptr, &tv) != 1) continue;
    sockaddr_in from{};
    int size = sizeof from;
    const int got = recvfrom(socket_, buffer.data(), static_cast<int>(buffer.size()), 0,
                             reinterpret_cast<sockaddr*>(&from), &size);
    if (got < 0) continue;
    std::vector<std::string> replies;
    std::string stray;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      received_.push_back({std::string(buffer.data(), static_cast<size_t>(got)), ntohs(from.sin_port)});
      replies = replies_;
      stray = strayReply_;
    }
    auto to = reinterpret_cast<const sockaddr*>(&from);
    for (const std::string& reply : replies) sendto(socket_, reply.data(), static_cast<int>(reply.size()), 0, to, size);
    const std::string reply = replies.empty() ? std::string() : replies.back();
    if (const int flood = floodMs_; flood > 0 && !reply.empty()) {
      const DWORD start = GetTickCount();
      while (!stop_ && GetTickCount() - start < static_cast<DWORD>(flood)) {
        sendto(socket_, reply.data(), static_cast<int>(reply.size()), 0, to, size);
      }
    }
    if (!stray.empty()) {
      Sleep(50);  // after the reply, so that taking it would replace the reply
      sendto(stray_, stray.data(), static_cast<int>(stray.size()), 0, to, size);
    }
  }
}
