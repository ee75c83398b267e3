#pragma once
// The overlay's one UDP socket towards the game server's remote console, on
// the window thread. It sends the datagrams it is given and takes only those
// from the console's own address and port. The network layer reads the
// socket beside the window thread and hands on what came in turns that leave
// the window its timers; the console's timer takes the replies kept meanwhile.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/win/net_layer.h"

enum class RconLinkState { Closed, Resolving, Ready, Error };

class RconLink : private NetOwner {
 public:
  // Replies kept from one tick to the next; beyond them the console's own
  // datagrams are dropped, so that a flood from its address costs bounded memory.
  static constexpr size_t kMaxKeptReplies = 256;

  RconLink() = default;
  ~RconLink() = default;
  RconLink(const RconLink&) = delete;
  RconLink& operator=(const RconLink&) = delete;

  // Opens the socket and finds the console: a host name is looked up beside
  // the window thread, and the link is Ready when its answer comes.
  void Open(const std::string& host, int port);
  void Close();
  RconLinkState State() const { return state_; }

  // False when the datagram did not go out (not Ready, or the send failed).
  bool Send(const std::string& datagram);

  // The datagrams from the console since the last call, in order.
  std::vector<std::string> TakeReplies();

  // Local port of the socket (0 when none), for tests.
  int BoundLocalPort() const;

 private:
  void OnLookupDone(uintptr_t lookup, uint32_t address) override;
  void OnDatagram(SOCKET socket, const Datagram& datagram) override;

  NetHandle net_{*this};
  SOCKET socket_ = INVALID_SOCKET;
  RconLinkState state_ = RconLinkState::Closed;
  uint32_t address_ = 0;  // host byte order
  int port_ = 0;
  std::vector<std::string> replies_;
};
