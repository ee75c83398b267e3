#include "launcher/win/udp_round.h"

#include <algorithm>

#include "common/win/wait.h"
#include "launcher/core/server_list.h"

namespace {

enum Timer : int { kWaitTimer, kPaceTimer };

// The pace, measured under Wine against a thousand servers on loopback with
// replies in three parts: a burst loses most replies, and so does reading
// few datagrams per notice, since each notice comes late; read to the end
// per notice, 8 requests a millisecond and 512 in flight lost none. Half of
// each is kept: 1,000 servers are asked within a quarter of a second.
constexpr double kSendsPerMs = 4;
constexpr double kSendBurst = 32;
// Bounds the replies on their way at once: 256 rows of three parts of up to
// 1.4 KB fill about 1 MiB, the receive buffer asked for (Windows gives 64 KiB).
// A row counts as in flight for a moment only: a server that has not
// answered by then is far away or gone, and holding its place would let a
// list of dead servers take as many reply waits as it has places.
constexpr size_t kMaxInFlight = 256;
constexpr uint32_t kInFlightMs = 250;
constexpr int kReceiveBuffer = 1 << 20;
constexpr UINT kPaceStepMs = 10;
// Names looked up at once; the others wait for a free place. A lookup holds
// its place for a moment only: a name that has not resolved by then is slow
// or dead, and four of them must not hold up every name behind them until
// their limit. So at most this many start per moment, and no more than the
// limit allows run at all.
constexpr size_t kMaxLookups = 4;
constexpr uint32_t kLookupPlaceMs = 500;

uint64_t Endpoint(uint32_t address, int port) { return (uint64_t{address} << 16) | static_cast<uint16_t>(port); }

// The distance is taken as signed, so that the clock's wrap does not matter.
bool Reached(uint32_t nowMs, uint32_t dueMs) { return static_cast<int32_t>(nowMs - dueMs) >= 0; }

}  // namespace

UdpRound::UdpRound(int32_t replyWaitMs, int32_t nameLimitMs) : replyWaitMs_(replyWaitMs), nameLimitMs_(nameLimitMs) {}

// The buffer holds the replies that come while the window thread is busy elsewhere.
bool UdpRound::OpenSocket() {
  socket_ = net_.Open(SOCK_DGRAM, FD_READ, 0, kReceiveBuffer);
  return socket_ != INVALID_SOCKET;
}

void UdpRound::Start(std::vector<UdpTarget> targets, std::string request) {
  Stop();
  const unsigned generation = generation_;
  targets_ = std::move(targets);
  request_ = std::move(request);
  rows_.assign(targets_.size(), Row{});
  if (!OpenSocket()) {
    if (onEnd) onEnd();
    return;
  }
  for (size_t i = 0; i < targets_.size() && generation == generation_; ++i) {
    const UdpTarget& target = targets_[i];
    if (target.host.empty() || target.port < 1 || target.port > 65535) {
      Tell(i, UdpRowChange::BadAddress, 0, MillisecondClock());
      continue;
    }
    rows_[i].stage = Stage::Resolving;
    ++waitingRows_;
    uint32_t address = 0;
    if (ParseDottedIPv4(target.host, address)) {
      Queue(i, address);
      continue;
    }
    std::vector<size_t>& rowsOfName = rowsOfName_[target.host];
    if (rowsOfName.empty()) names_.push_back(target.host);
    rowsOfName.push_back(i);
  }
  if (generation != generation_) return;
  sendAllowance_ = kSendBurst;
  allowanceAtMs_ = MillisecondClock();
  SendQueued();
  if (generation != generation_) return;
  StartLookups();
  EndIfDone();
  ArmTimer();
}

void UdpRound::Stop() {
  ++generation_;
  net_.Restart();
  lookups_.clear();
  timerSet_ = false;
  paceTimerSet_ = false;
  socket_ = INVALID_SOCKET;
  rows_.clear();
  waitingRows_ = 0;
  rowsInFlight_ = 0;
  lastSent_.clear();
  sendQueue_.clear();
  names_.clear();
  rowsOfName_.clear();
  nextName_ = 0;
  waits_.clear();
  waitingAt_.clear();
}

void UdpRound::Finish(size_t row) {
  if (row >= rows_.size() || rows_[row].stage == Stage::Over) return;
  SetOver(row);
  EndIfDone();
  ArmTimer();
}

void UdpRound::Tell(size_t row, UdpRowChange change, uint32_t address, uint32_t atMs) {
  if (onRowChange) onRowChange(row, change, address, atMs);
}

void UdpRound::SetOver(size_t row) {
  Row& r = rows_[row];
  if (r.stage == Stage::Over) return;
  if (r.stage == Stage::Waiting) {
    const auto at = waitingAt_.find(Endpoint(r.address, targets_[row].port));
    if (at != waitingAt_.end()) {
      std::vector<size_t>& rows = at->second;
      rows.erase(std::remove(rows.begin(), rows.end(), row), rows.end());
      if (rows.empty()) waitingAt_.erase(at);
    }
    if (r.inFlight) --rowsInFlight_;
    r.inFlight = false;
  }
  r.stage = Stage::Over;
  --waitingRows_;
}

void UdpRound::Queue(size_t row, uint32_t address) {
  rows_[row].stage = Stage::Queued;
  rows_[row].address = address;
  sendQueue_.push_back(row);
}

// A budget that refills with the clock sets how far apart requests go, so the
// pace is the same whether the timer comes every 10 ms (Wine) or 15.6 ms
// (Windows); the rows in flight bound the replies that can be on their way at
// once, which is what must fit into the socket's buffer.
void UdpRound::SendQueued() {
  const unsigned generation = generation_;
  const uint32_t now = MillisecondClock();
  sendAllowance_ = std::min<double>(kSendBurst, sendAllowance_ + kSendsPerMs * static_cast<int32_t>(now - allowanceAtMs_));
  allowanceAtMs_ = now;
  while (!lastSent_.empty() && now - lastSent_.front().atMs >= kInFlightMs) {
    Row& r = rows_[lastSent_.front().row];
    if (r.inFlight) --rowsInFlight_;
    r.inFlight = false;
    lastSent_.pop_front();
  }
  while (!sendQueue_.empty() && sendAllowance_ >= 1 && rowsInFlight_ < kMaxInFlight && generation == generation_) {
    const size_t row = sendQueue_.front();
    sendQueue_.pop_front();
    if (rows_[row].stage != Stage::Queued) continue;  // finished before its turn
    sendAllowance_ -= 1;
    Send(row);
  }
  if (generation != generation_ || !Running()) return;
  if (sendQueue_.empty()) {
    if (paceTimerSet_) net_.KillTimer(kPaceTimer);
    paceTimerSet_ = false;
  } else if (!paceTimerSet_) {
    net_.SetTimer(kPaceTimer, kPaceStepMs);
    paceTimerSet_ = true;
  }
}

// The time is taken before the datagram goes, so that a ping counts the whole way.
void UdpRound::Send(size_t row) {
  const int port = targets_[row].port;
  const uint32_t address = rows_[row].address;
  rows_[row].stage = Stage::Waiting;
  const uint32_t now = MillisecondClock();
  rows_[row].inFlight = true;
  ++rowsInFlight_;
  lastSent_.push_back({now, row});
  waits_.push_back({now + static_cast<uint32_t>(replyWaitMs_), row});
  waitingAt_[Endpoint(address, port)].push_back(row);
  // A failed send is a server that does not answer: the row waits, then has no reply.
  SendDatagram(socket_, address, port, request_);
  Tell(row, UdpRowChange::Sent, address, now);
}

size_t UdpRound::LookupsHoldingAPlace(uint32_t nowMs) const {
  return static_cast<size_t>(std::count_if(lookups_.begin(), lookups_.end(), [&](const Lookup& lookup) {
    return !Reached(nowMs, lookup.startedMs + kLookupPlaceMs);
  }));
}

void UdpRound::StartLookups() {
  const unsigned generation = generation_;
  while (nextName_ < names_.size() && LookupsHoldingAPlace(MillisecondClock()) < kMaxLookups &&
         generation == generation_) {
    const std::string name = names_[nextName_++];
    const uintptr_t id = net_.LookUp(name);
    if (id) {
      const uint32_t now = MillisecondClock();
      lookups_.push_back({id, name, now, now + static_cast<uint32_t>(nameLimitMs_)});
    } else {
      OnNameResolved(name, 0);
    }
  }
}

void UdpRound::OnNameResolved(const std::string& name, uint32_t address) {
  const unsigned generation = generation_;
  const auto found = rowsOfName_.find(name);
  if (found == rowsOfName_.end()) return;
  const std::vector<size_t> rows = found->second;  // a callback may end the round
  for (size_t row : rows) {
    if (generation != generation_) return;
    if (rows_[row].stage != Stage::Resolving) continue;
    if (address != 0) {
      Queue(row, address);
    } else {
      SetOver(row);
      Tell(row, UdpRowChange::BadAddress, 0, MillisecondClock());
    }
  }
}

void UdpRound::OnLookupDone(uintptr_t id, uint32_t address) {
  const auto found = std::find_if(lookups_.begin(), lookups_.end(), [&](const Lookup& l) { return l.id == id; });
  if (found == lookups_.end()) return;
  const std::string name = found->name;
  lookups_.erase(found);
  const unsigned generation = generation_;
  OnNameResolved(name, address);
  if (generation != generation_) return;
  SendQueued();
  if (generation != generation_) return;
  StartLookups();
  if (generation != generation_) return;
  EndIfDone();
  ArmTimer();
}

void UdpRound::OnDatagram(SOCKET, const Datagram& datagram) {
  const auto waiting = waitingAt_.find(Endpoint(datagram.address, datagram.port));
  if (waiting == waitingAt_.end()) return;
  const std::vector<size_t> rows = waiting->second;  // Finish changes the original
  if (onReply) onReply(UdpReply{rows, datagram.address, datagram.port, datagram.bytes, datagram.atMs});
}

// Rows answered free their places for the next requests.
void UdpRound::OnReadTurnEnd(SOCKET) { SendQueued(); }

void UdpRound::OnWaitTimer() {
  net_.KillTimer(kWaitTimer);
  timerSet_ = false;
  const unsigned generation = generation_;
  const uint32_t now = MillisecondClock();
  while (!waits_.empty() && generation == generation_) {
    const Deadline next = waits_.front();
    const bool waiting = rows_[next.row].stage == Stage::Waiting;
    if (waiting && !Reached(now, next.atMs)) break;
    waits_.pop_front();
    if (!waiting) continue;
    SetOver(next.row);
    Tell(next.row, UdpRowChange::NoReply, rows_[next.row].address, now);
  }
  for (size_t i = 0; i < lookups_.size() && generation == generation_;) {
    if (!Reached(now, lookups_[i].deadlineMs)) {
      ++i;
      continue;
    }
    net_.DropLookup(lookups_[i].id);
    const std::string name = lookups_[i].name;
    lookups_.erase(lookups_.begin() + static_cast<std::ptrdiff_t>(i));
    OnNameResolved(name, 0);
  }
  if (generation != generation_) return;
  SendQueued();
  if (generation != generation_) return;
  StartLookups();
  if (generation != generation_) return;
  EndIfDone();
  ArmTimer();
}

void UdpRound::EndIfDone() {
  if (!Running() || waitingRows_ > 0) return;
  Stop();
  if (onEnd) onEnd();
}

// One timer, due at the earliest wait or name limit. It is set anew only when
// something falls due sooner: a wait ending later finds the timer early and
// sets it again then.
void UdpRound::ArmTimer() {
  if (!Running()) return;
  while (!waits_.empty() && rows_[waits_.front().row].stage != Stage::Waiting) waits_.pop_front();
  bool any = !waits_.empty();
  uint32_t due = any ? waits_.front().atMs : 0;
  const bool namesLeft = nextName_ < names_.size();
  for (const Lookup& lookup : lookups_) {
    // While names wait for a place, the moment one frees by age counts too.
    const uint32_t next = namesLeft && !Reached(MillisecondClock(), lookup.startedMs + kLookupPlaceMs)
                              ? lookup.startedMs + kLookupPlaceMs
                              : lookup.deadlineMs;
    if (!any || static_cast<int32_t>(next - due) < 0) due = next;
    any = true;
  }
  if (!any || (timerSet_ && !(static_cast<int32_t>(due - timerDueMs_) < 0))) return;
  const int32_t left = static_cast<int32_t>(due - MillisecondClock());
  net_.SetTimer(kWaitTimer, left > 0 ? static_cast<UINT>(left) + 1 : USER_TIMER_MINIMUM);
  timerSet_ = true;
  timerDueMs_ = due;
}

int UdpRound::LocalPort() const { return LocalPortOf(socket_); }

void UdpRound::OnTimer(int timer) {
  switch (timer) {
    case kWaitTimer:
      OnWaitTimer();
      return;
    case kPaceTimer:
      SendQueued();
      return;
  }
}
