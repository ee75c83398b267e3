#pragma once
// The remote console's conversation: what goes next and what its answer was.
// One request is open at a time, since a reply carries nothing that names its
// request; the administrator's commands go before the polls; every request
// spends from the rate budget. The window's timer asks NextToSend and Poll,
// the socket hands over datagrams; the Windows side builds each datagram with
// RconRequest (or StatusQueryDatagram) just before it goes.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>

#include "overlay/core/rcon_pacing.h"
#include "overlay/core/rcon_reply.h"
#include "overlay/core/rcon_wire.h"

enum class RequestKind {
  StatusQuery,  // "getstatus", to learn the family: no console command
  Command,      // the administrator's (or a ban's) command
  Poll,         // "status", "cmdlist", "dumpuser N"
};

struct RconRequestItem {
  RequestKind kind = RequestKind::StatusQuery;
  std::optional<ConsoleCommand> command;  // none for the status query
};

struct FinishedRequest {
  RconRequestItem request;
  bool answered = false;
  RconReply reply;                     // the print text, or the status reply's text
  std::optional<ServerFamily> family;  // the family a status reply showed
};

class RconExchange {
 public:
  // How long a request waits for the first datagram of its answer; a poll
  // every two seconds must know before the next one.
  static constexpr uint32_t kAnswerWaitMs = 1500;
  static constexpr size_t kMaxWaiting = 16;

  // Queues a request. One the same as a request already waiting is not
  // queued twice; false when it cannot be queued (the queue is full).
  bool QueueCommand(ConsoleCommand command);
  bool QueuePoll(ConsoleCommand command);
  bool QueueStatusQuery();

  // The request to send now: none while one is open, while the budget is
  // spent, or when nothing waits. Commands come first, then the status query
  // and the polls in their order. The request is open from now.
  std::optional<RconRequestItem> NextToSend(uint32_t now);

  // A datagram from the console's address. False when no open request takes it.
  bool TakeDatagram(std::string_view datagram, uint32_t now);

  // The open request once its answer is whole, or once it waited
  // kAnswerWaitMs for none.
  std::optional<FinishedRequest> Poll(uint32_t now);

  bool Open() const { return open_.has_value(); }
  size_t Waiting() const { return commands_.size() + polls_.size(); }
  size_t Room() const { return Waiting() < kMaxWaiting ? kMaxWaiting - Waiting() : 0; }

  // Forgets the waiting requests and the open one (the link starts again);
  // the budget stays, since the server counts on.
  void Reset();

 private:
  bool Queue(std::deque<RconRequestItem>& queue, RconRequestItem item);

  RequestBudget budget_;
  std::deque<RconRequestItem> commands_;
  std::deque<RconRequestItem> polls_;  // the status query with the polls
  std::optional<RconRequestItem> open_;
  uint32_t sentAt_ = 0;
  RconReplyJoiner joiner_;
  std::optional<FinishedRequest> statusAnswer_;
};
