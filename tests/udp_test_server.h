#pragma once
// A loopback UDP server on a thread of its own, standing in for a game server:
// it keeps every datagram it gets and answers each with the reply set (none
// when empty) or the datagrams set, then optionally sends a stray datagram
// from another port (of strayAddress).
#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class UdpTestServer {
 public:
  // port 0: any free port.
  explicit UdpTestServer(int port = 0, const char* strayAddress = "127.0.0.1");
  ~UdpTestServer();
  UdpTestServer(const UdpTestServer&) = delete;
  UdpTestServer& operator=(const UdpTestServer&) = delete;

  bool Ok() const { return socket_ != INVALID_SOCKET; }
  int Port() const { return port_; }
  int StrayPort() const { return strayPort_; }

  void SetReply(const std::string& reply, const std::string& stray = "");
  // Several datagrams in this order, as a reply in parts.
  void SetReplies(const std::vector<std::string>& replies, const std::string& stray = "");
  // After the reply, keeps sending it from the server's port for ms milliseconds, as fast as it can.
  void SetFlood(int ms) { floodMs_ = ms; }

  struct Datagram {
    std::string bytes;
    int fromPort;
  };
  std::vector<Datagram> Received();

 private:
  void Serve();

  SOCKET socket_ = INVALID_SOCKET;
  SOCKET stray_ = INVALID_SOCKET;
  int port_ = 0;
  int strayPort_ = 0;
  std::mutex mutex_;
  std::vector<std::string> replies_;
  std::string strayReply_;
  std::vector<Datagram> received_;
  std::atomic<bool> stop_{false};
  std::atomic<int> floodMs_{0};
  std::thread thread_;
};
