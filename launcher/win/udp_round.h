#pragma once
// One round of UDP requests: the same datagram to every row, each row named
// by host and port, over one socket of the round's own. Names are looked up a
// few at a time beside the window thread, each within a limit of its own.
// Requests go out paced, in row order as addresses are known: a list of a
// thousand servers sent at once answers faster than the socket is read, and
// the replies that overflow its buffer are lost. Each row waits for replies
// from its own request on; the round ends when no row waits any more. What
// happens is told through the callbacks, on the window thread.
#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/win/net_layer.h"

struct UdpTarget {
  std::string host;  // a dotted IPv4 address or a name; empty: no address
  int port = 0;      // 1 to 65535, anything else is no address
};

enum class UdpRowChange {
  Sent,        // the request went out: address and time given
  BadAddress,  // no host or port, or a name that did not resolve within its limit
  NoReply,     // the row's wait is over
};

// A datagram from the address and port of rows still waiting.
struct UdpReply {
  const std::vector<size_t>& rows;
  uint32_t address;  // IPv4, host byte order
  int port;
  std::string_view bytes;
  uint32_t atMs;  // MillisecondClock, as the times of Sent
};

class UdpRound : private NetOwner {
 public:
  // replyWaitMs: how long a row waits from its request on; nameLimitMs: how
  // long its name may take to resolve.
  UdpRound(int32_t replyWaitMs, int32_t nameLimitMs);
  ~UdpRound() = default;
  UdpRound(const UdpRound&) = delete;
  UdpRound& operator=(const UdpRound&) = delete;

  std::function<void(size_t row, UdpRowChange change, uint32_t address, uint32_t atMs)> onRowChange;
  // Every datagram from a row's address and port while it waits; the row goes
  // on waiting until Finish or the end of its wait.
  std::function<void(const UdpReply& reply)> onReply;
  // The last row has stopped waiting.
  std::function<void()> onEnd;

  // Drops the running round and starts a new one, on a new socket: replies to
  // an earlier round's requests reach the earlier socket, which is closed, so
  // they never fill this round's rows.
  void Start(std::vector<UdpTarget> targets, std::string request);
  // Ends the round without a word: no more callbacks until the next Start.
  void Stop();
  // The row needs no more replies.
  void Finish(size_t row);

  bool Running() const { return socket_ != INVALID_SOCKET; }
  // The local port of the round's socket, 0 between rounds.
  int LocalPort() const;

 private:
  // Queued: the address is known, the request waits its turn.
  enum class Stage { Resolving, Queued, Waiting, Over };
  struct Row {
    Stage stage = Stage::Over;
    uint32_t address = 0;
    bool inFlight = false;  // sent a moment ago and not answered yet
  };
  struct SentAt {
    uint32_t atMs;
    size_t row;
  };
  struct Lookup {
    uintptr_t id;
    std::string name;
    uint32_t startedMs;
    uint32_t deadlineMs;
  };
  struct Deadline {
    uint32_t atMs;
    size_t row;
  };

  void OnDatagram(SOCKET socket, const Datagram& datagram) override;
  void OnReadTurnEnd(SOCKET socket) override;
  void OnLookupDone(uintptr_t lookup, uint32_t address) override;
  void OnTimer(int timer) override;

  bool OpenSocket();
  size_t LookupsHoldingAPlace(uint32_t nowMs) const;
  void StartLookups();
  // Sends to every row of the name still resolving, or marks it a bad address (address 0).
  void OnNameResolved(const std::string& name, uint32_t address);
  void Queue(size_t row, uint32_t address);
  // Sends queued requests as far as the pace allows, and keeps the pace timer
  // running while any are left.
  void SendQueued();
  void Send(size_t row);
  void OnWaitTimer();
  void SetOver(size_t row);
  void EndIfDone();
  void ArmTimer();
  void Tell(size_t row, UdpRowChange change, uint32_t address, uint32_t atMs);

  int32_t replyWaitMs_;
  int32_t nameLimitMs_;
  NetHandle net_{*this};
  SOCKET socket_ = INVALID_SOCKET;
  // Counts the rounds: a callback that started or stopped one ends the work of the old.
  unsigned generation_ = 0;
  std::string request_;
  std::vector<UdpTarget> targets_;
  std::vector<Row> rows_;
  size_t waitingRows_ = 0;  // rows not over
  // Rows sent within the last moment, in send order, and how many of them still wait.
  std::deque<SentAt> lastSent_;
  size_t rowsInFlight_ = 0;
  // Rows whose address is known, in the order they are to be sent.
  std::deque<size_t> sendQueue_;
  // Sends the pace allows before the clock moves on (fractions kept).
  double sendAllowance_ = 0;
  uint32_t allowanceAtMs_ = 0;
  bool paceTimerSet_ = false;
  // Each name once, in the order of its first row; the next to look up.
  std::vector<std::string> names_;
  std::unordered_map<std::string, std::vector<size_t>> rowsOfName_;
  size_t nextName_ = 0;
  std::vector<Lookup> lookups_;
  // Rows in the order they were sent, which is the order their waits end.
  std::deque<Deadline> waits_;
  // The rows waiting for each address and port.
  std::unordered_map<uint64_t, std::vector<size_t>> waitingAt_;
  bool timerSet_ = false;
  uint32_t timerDueMs_ = 0;
};
