#pragma once
// The overlay's one UDP socket towards the game server's remote console, on
// the window thread. It sends the datagrams it is given and takes only those
// from the console's own address and port. The socket is read on the
// console's timer, never on socket notices: notices are posted messages,
// which come before timers, so a flood of datagrams would stop the timer that
// reads the keys.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/win/net_layer.h"

enum class RconLinkState { Closed, Resolving, Ready, Error };

class RconLink : private NetOwner {
 public:
  // Datagrams taken in one turn; the rest wait for the next tick (or are
  // dropped by the system when its buffer is full), so that a flood costs a
  // bounded share of the window thread.
  static constexpr int kMaxReadsPerTurn = 256;

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

  // One turn of reading: the datagrams from the console, in order.
  std::vector<std::string> ReadTurn();

  // Local port of the socket (0 when none), for tests.
  int BoundLocalPort() const;

 private:
  void OnLookupDone(uintptr_t lookup, uint32_t address) override;

  NetHandle net_{*this};
  SOCKET socket_ = INVALID_SOCKET;
  RconLinkState state_ = RconLinkState::Closed;
  uint32_t address_ = 0;  // host byte order
  int port_ = 0;
  std::vector<char> buffer_;
};
