#include "overlay/core/rcon_exchange.h"

#include "common/core/text.h"
#include "overlay/core/rcon_status.h"

namespace {

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The engine ends a status table with a blank line and a command list with
// its count; no line before those ends so. Other replies show no end.
bool ShowsItsEnd(const RconRequestItem& request, const std::string& text) {
  if (!request.command) return false;
  const std::string& verb = request.command->Text();
  if (verb == "status") return EndsWith(text, "\n\n") && ReadRconStatus(text).has_value();
  if (verb != "cmdlist" || !EndsWith(text, " commands\n")) return false;
  const size_t lineStart = text.rfind('\n', text.size() - 2) + 1;  // 0 when it is the first line
  int count = 0;
  return ParseInt32(std::string_view(text).substr(lineStart, text.find(' ', lineStart) - lineStart), count);
}

bool SameRequest(const RconRequestItem& a, const RconRequestItem& b) {
  if (a.kind != b.kind || a.command.has_value() != b.command.has_value()) return false;
  return !a.command || a.command->Text() == b.command->Text();
}

}  // namespace

bool RconExchange::Queue(std::deque<RconRequestItem>& queue, RconRequestItem item) {
  for (const RconRequestItem& waiting : queue) {
    if (SameRequest(waiting, item)) return true;
  }
  if (Waiting() >= kMaxWaiting) return false;
  queue.push_back(std::move(item));
  return true;
}

bool RconExchange::QueueCommand(ConsoleCommand command) {
  return Queue(commands_, {RequestKind::Command, std::move(command)});
}

bool RconExchange::QueuePoll(ConsoleCommand command) { return Queue(polls_, {RequestKind::Poll, std::move(command)}); }

bool RconExchange::QueueStatusQuery() { return Queue(polls_, {RequestKind::StatusQuery, std::nullopt}); }

std::optional<RconRequestItem> RconExchange::NextToSend(uint32_t now) {
  if (open_ || (commands_.empty() && polls_.empty()) || !budget_.Available(now)) return std::nullopt;
  std::deque<RconRequestItem>& queue = commands_.empty() ? polls_ : commands_;
  open_ = std::move(queue.front());
  queue.pop_front();
  budget_.Spend(now);
  sentAt_ = now;
  return open_;
}

bool RconExchange::TakeDatagram(std::string_view datagram, uint32_t now) {
  if (!open_) return false;
  if (open_->kind != RequestKind::StatusQuery) return joiner_.TakeDatagram(datagram, now);
  const ServerDatagram read = ReadServerDatagram(datagram);
  if (read.kind != DatagramKind::StatusResponse || statusAnswer_) return false;
  statusAnswer_ = FinishedRequest{*open_, true, {std::string(read.text), false}, read.form};
  return true;
}

std::optional<FinishedRequest> RconExchange::Poll(uint32_t now) {
  if (!open_) return std::nullopt;
  std::optional<FinishedRequest> finished;
  if (statusAnswer_) {
    finished = std::move(statusAnswer_);
  } else if (auto reply = joiner_.Poll(now, ShowsItsEnd(*open_, joiner_.Text()))) {
    finished = FinishedRequest{*open_, true, std::move(*reply), std::nullopt};
  } else if (!joiner_.Pending() && now - sentAt_ >= kAnswerWaitMs) {
    finished = FinishedRequest{*open_, false, {}, std::nullopt};
  }
  if (finished) {
    open_.reset();
    statusAnswer_.reset();
  }
  return finished;
}

void RconExchange::Reset() {
  commands_.clear();
  polls_.clear();
  open_.reset();
  statusAnswer_.reset();
  joiner_.Reset();
}
