#include "launcher/win/master_query.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>

#include "common/win/wait.h"

namespace {

constexpr int kQueryTimer = 0;
constexpr int kReadSize = 16384;
// Reads per notice: a master streaming garbage cannot hold the window thread;
// more waiting raise the notice again.
constexpr int kReadsPerNotice = 16;

const std::vector<ListedServer> kNoServers;

MasterResult ResultOf(MasterOutcome outcome) {
  switch (outcome) {
    case MasterOutcome::List:
      return MasterResult::Listed;
    case MasterOutcome::NotAList:
      return MasterResult::NotAList;
    case MasterOutcome::ClosedEarly:
      return MasterResult::ClosedEarly;
    case MasterOutcome::Refused:
      return MasterResult::Refused;
    case MasterOutcome::Pending:
      break;
  }
  return MasterResult::Pending;
}

}  // namespace

const std::vector<ListedServer>& MasterQuery::Servers() const {
  return result_ == MasterResult::Listed && exchange_ ? exchange_->Servers() : kNoServers;
}

size_t MasterQuery::DroppedLookups() const { return droppedLookups_; }

void MasterQuery::Start(const MasterAddress& master, const GameSpyGame& game) {
  Stop();
  ++startCount_;
  result_ = MasterResult::Pending;
  address_ = 0;
  port_ = master.port;
  exchange_ = std::make_unique<MasterExchange>(game);
  if (!net_.Ready()) {
    Finish(MasterResult::Unreachable);
    return;
  }
  startedMs_ = MillisecondClock();
  ArmTimer();
  in_addr dotted{};
  if (inet_pton(AF_INET, master.host.c_str(), &dotted) == 1) {
    ConnectTo(ntohl(dotted.s_addr));
    return;
  }
  lookupId_ = net_.LookUp(master.host);
  if (!lookupId_) Finish(MasterResult::NoSuchHost);
}

void MasterQuery::Cancel() { Stop(); }

// Everything of a running query goes, and whatever of it is still on its way
// reaches nobody; a lookup still under way keeps its buffer until its end.
void MasterQuery::Stop() {
  if (lookupId_) ++droppedLookups_;
  lookupId_ = 0;
  net_.Restart();
  socket_ = INVALID_SOCKET;
  outgoing_.clear();
}

void MasterQuery::Finish(MasterResult result) {
  Stop();
  result_ = result;
  if (onDone) onDone(*this);
}

void MasterQuery::OnLookupDone(uintptr_t, uint32_t address) {
  lookupId_ = 0;
  if (address == 0) {
    Finish(MasterResult::NoSuchHost);
    return;
  }
  ConnectTo(address);
}

void MasterQuery::ConnectTo(uint32_t address) {
  address_ = address;
  socket_ = net_.Open(SOCK_STREAM, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE);
  if (socket_ == INVALID_SOCKET) {
    Finish(MasterResult::Unreachable);
    return;
  }
  if (!StartConnect(socket_, address, port_)) Finish(MasterResult::Unreachable);
}

void MasterQuery::OnSocketNotice(SOCKET, int event, int error) {
  switch (event) {
    case FD_CONNECT:
      if (error != 0) Finish(MasterResult::Unreachable);
      return;
    case FD_WRITE:
      FlushSend();
      return;
    case FD_READ:
      ReadWaiting(false);
      return;
    case FD_CLOSE: {
      // What came before the close is still to be read, all of it: no more
      // notices come. The socket's buffer bounds it.
      const unsigned start = startCount_;
      ReadWaiting(true);
      if (start != startCount_ || result_ != MasterResult::Pending) return;
      exchange_->Closed();
      Finish(ResultOf(exchange_->Outcome()));
      return;
    }
  }
}

void MasterQuery::ReadWaiting(bool toTheEnd) {
  char buffer[kReadSize];
  const unsigned start = startCount_;
  for (int i = 0; (toTheEnd || i < kReadsPerNotice) && start == startCount_ && result_ == MasterResult::Pending; ++i) {
    const int got = recv(socket_, buffer, sizeof buffer, 0);
    if (got <= 0) return;  // nothing more now; a close comes as its own notice
    const std::string request = exchange_->Take(std::string_view(buffer, static_cast<size_t>(got)), MillisecondClock());
    Send(request);
    if (start != startCount_ || result_ != MasterResult::Pending) return;
    if (exchange_->Done()) {
      Finish(ResultOf(exchange_->Outcome()));
      return;
    }
    // More of the greeting moves its end on.
    if (exchange_->GreetingEndsAtMs()) ArmTimer();
  }
}

void MasterQuery::Send(const std::string& bytes) {
  if (bytes.empty()) return;
  outgoing_ += bytes;
  FlushSend();
}

void MasterQuery::FlushSend() {
  while (!outgoing_.empty() && socket_ != INVALID_SOCKET) {
    const int sent = send(socket_, outgoing_.data(), static_cast<int>(outgoing_.size()), 0);
    if (sent <= 0) {
      // The rest goes with the next FD_WRITE; anything but a full buffer ends the query.
      if (WSAGetLastError() != WSAEWOULDBLOCK) Finish(MasterResult::Unreachable);
      return;
    }
    outgoing_.erase(0, static_cast<size_t>(sent));
  }
}

// One timer serves the time limit and the end of a greeting that has no end
// marker, set to whichever comes first.
void MasterQuery::ArmTimer() {
  const uint32_t now = MillisecondClock();
  uint32_t dueInMs = kTimeLimitMs - std::min<uint32_t>(now - startedMs_, kTimeLimitMs);
  if (const std::optional<uint32_t> greetingEnds = exchange_->GreetingEndsAtMs()) {
    const int32_t greetingDueInMs = static_cast<int32_t>(*greetingEnds - now);
    dueInMs = std::min<uint32_t>(dueInMs, static_cast<uint32_t>(std::max(greetingDueInMs, 0)));
  }
  net_.SetTimer(kQueryTimer, std::max<UINT>(dueInMs, USER_TIMER_MINIMUM));
}

// The timer runs on the tick count, which may be a step ahead of the clock
// the limit is measured on: an early tick sets the timer to the time left.
void MasterQuery::OnTimer(int) {
  const uint32_t now = MillisecondClock();
  if (now - startedMs_ >= kTimeLimitMs) {
    Finish(MasterResult::TimedOut);
    return;
  }
  const unsigned start = startCount_;
  Send(exchange_->Tick(now));
  if (start != startCount_ || result_ != MasterResult::Pending) return;
  ArmTimer();
}
