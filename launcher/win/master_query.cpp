#include "launcher/win/master_query.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>

#include "common/win/host_lookup.h"
#include "common/win/wait.h"
#include "common/win/window_class.h"

namespace {

constexpr const char* kQueryClass = "KestrunMasterQuery";
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

MasterQuery::MasterQuery() {
  WSADATA data;
  winsockReady_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

MasterQuery::~MasterQuery() {
  Stop();
  if (hwnd_) DestroyWindow(hwnd_);
  if (winsockReady_) WSACleanup();
}

bool MasterQuery::EnsureWindow() {
  if (hwnd_) return true;
  hwnd_ = CreateObjectMessageWindow(kQueryClass, this);
  return hwnd_ != nullptr;
}

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
  if (!winsockReady_ || !EnsureWindow()) {
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
  lookupId_ = host_lookup::Start(master.host, hwnd_, kLookupMessage);
  if (!lookupId_) Finish(MasterResult::NoSuchHost);
}

void MasterQuery::Cancel() { Stop(); }

// Everything of a running query goes; a lookup still under way keeps its
// buffer with host_lookup until its end.
void MasterQuery::Stop() {
  if (lookupId_) {
    host_lookup::Drop(lookupId_);
    ++droppedLookups_;
    lookupId_ = 0;
  }
  if (hwnd_) KillTimer(hwnd_, kQueryTimer);
  if (socket_ != INVALID_SOCKET) {
    closesocket(socket_);
    // Notices of the closed socket may still wait in the queue, and the next
    // socket may get the same handle: they would be taken for its own.
    MSG stale;
    while (hwnd_ && PeekMessageA(&stale, hwnd_, kSocketMessage, kSocketMessage, PM_REMOVE)) {
    }
  }
  socket_ = INVALID_SOCKET;
  outgoing_.clear();
}

void MasterQuery::Finish(MasterResult result) {
  Stop();
  result_ = result;
  if (onDone) onDone(*this);
}

void MasterQuery::OnLookupDone(uintptr_t id, uint32_t address) {
  if (id != lookupId_) return;  // a lookup of an earlier start
  lookupId_ = 0;
  if (address == 0) {
    Finish(MasterResult::NoSuchHost);
    return;
  }
  ConnectTo(address);
}

void MasterQuery::ConnectTo(uint32_t address) {
  address_ = address;
  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET ||
      WSAAsyncSelect(socket_, hwnd_, kSocketMessage, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
    Finish(MasterResult::Unreachable);
    return;
  }
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_addr.s_addr = htonl(address);
  remote.sin_port = htons(static_cast<u_short>(port_));
  if (connect(socket_, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    Finish(MasterResult::Unreachable);
  }
}

void MasterQuery::OnSocketNotice(SOCKET socket, int event, int error) {
  if (socket != socket_ || socket_ == INVALID_SOCKET) return;  // a socket closed since
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
  SetTimer(hwnd_, kQueryTimer, std::max<UINT>(dueInMs, USER_TIMER_MINIMUM), nullptr);
}

// The timer runs on the tick count, which may be a step ahead of the clock
// the limit is measured on: an early tick sets the timer to the time left.
void MasterQuery::OnTimerTick() {
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

LRESULT MasterQuery::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kSocketMessage:
      OnSocketNotice(static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
      return 0;
    case kLookupMessage:
      OnLookupDone(static_cast<uintptr_t>(wParam), static_cast<uint32_t>(lParam));
      return 0;
    case WM_TIMER:
      // A tick of a timer killed since may still be queued: only the time of a
      // query still under way counts, not of one cancelled and left pending.
      if (wParam == kQueryTimer && result_ == MasterResult::Pending && UnderWay()) OnTimerTick();
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
