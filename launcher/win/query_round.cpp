#include "launcher/win/query_round.h"

#include "common/win/host_lookup.h"
#include "common/win/wait.h"
#include "common/win/window_class.h"

namespace {

constexpr const char* kRoundClass = "KestrunQueryRound";
constexpr UINT_PTR kTickTimer = 1;
constexpr UINT_PTR kReadTimer = 2;
constexpr int kMaxDatagram = 65536;
// Holds the replies that come while the window thread is busy elsewhere:
// 256 rows in flight of three parts of up to 1.4 KB fill about 1 MiB.
constexpr int kReceiveBuffer = 1 << 20;
// A notice reads everything waiting, but a flood does not hold the window
// thread for more than this many datagrams or milliseconds at a time.
constexpr int kMaxReadsPerTurn = 256;
constexpr uint32_t kReadSliceMs = 30;

}  // namespace

QueryRound::QueryRound(int32_t replyWaitMs, int32_t nameLimitMs, QueryPace pace)
    : pipeline_(replyWaitMs, nameLimitMs, pace) {
  WSADATA data;
  winsockReady_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

QueryRound::~QueryRound() {
  Stop();
  if (hwnd_) DestroyWindow(hwnd_);
  if (winsockReady_) WSACleanup();
}

bool QueryRound::OpenSocket() {
  if (!winsockReady_) return false;
  if (!hwnd_) hwnd_ = CreateObjectMessageWindow(kRoundClass, this);
  if (!hwnd_) return false;
  socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (socket_ == INVALID_SOCKET) return false;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  // Without the larger buffer the round still works, on a smaller one.
  setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&kReceiveBuffer), sizeof kReceiveBuffer);
  // Bound and selected before the first send, so that no reply can come before the notices.
  if (bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      WSAAsyncSelect(socket_, hwnd_, kSocketMessage, FD_READ) != 0) {
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
    return false;
  }
  datagram_.resize(kMaxDatagram);
  return true;
}

void QueryRound::Start(std::vector<QueryTarget> targets, std::string statusRequest) {
  Stop();
  if (!OpenSocket()) {
    if (onEnd) onEnd();
    return;
  }
  pipeline_.Start(std::move(targets), std::move(statusRequest), MillisecondClock());
  Follow();
}

void QueryRound::Stop() {
  ++generation_;
  pipeline_.Stop();
  for (const auto& [id, name] : lookups_) host_lookup::Drop(id);
  lookups_.clear();
  if (hwnd_ && tickTimerSet_) KillTimer(hwnd_, kTickTimer);
  tickTimerSet_ = false;
  if (hwnd_ && readsDeferred_) KillTimer(hwnd_, kReadTimer);
  readsDeferred_ = false;
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

// A failed send is a server that does not answer: its row waits, then has no reply.
void QueryRound::Follow() {
  const unsigned generation = generation_;
  for (const QueryPipeline::Send& send : pipeline_.TakeSends()) {
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = htonl(send.to.address);
    remote.sin_port = htons(static_cast<u_short>(send.to.port));
    sendto(socket_, send.request.data(), static_cast<int>(send.request.size()), 0,
           reinterpret_cast<const sockaddr*>(&remote), sizeof remote);
  }
  StartLookups();
  for (const std::string& name : pipeline_.TakeLookupsToDrop()) DropLookup(name);
  const std::vector<RowChange> changes = pipeline_.TakeChanges();
  if (!changes.empty() && onChanges) onChanges(changes);
  if (generation != generation_) return;
  if (!pipeline_.Running()) {
    Stop();
    if (onEnd) onEnd();
    return;
  }
  ArmTickTimer();
}

// A lookup that cannot start is a name that does not resolve, which may free a place for the next.
void QueryRound::StartLookups() {
  for (std::vector<std::string> names = pipeline_.TakeLookupsToStart(); !names.empty();
       names = pipeline_.TakeLookupsToStart()) {
    for (const std::string& name : names) {
      if (const uintptr_t id = host_lookup::Start(name, hwnd_, kLookupMessage)) {
        lookups_.emplace(id, name);
      } else {
        pipeline_.TakeLookupAnswer(name, 0, MillisecondClock());
      }
    }
  }
}

// Left to run: its buffer is kept until Windows is done with it.
void QueryRound::DropLookup(const std::string& name) {
  for (auto it = lookups_.begin(); it != lookups_.end(); ++it) {
    if (it->second != name) continue;
    host_lookup::Drop(it->first);
    lookups_.erase(it);
    return;
  }
}

// Wine posts a notice for every datagram read while more are waiting. Those
// in the queue now are all answered by the next turn of reading; left there,
// a flood's thousands would keep the thread's timers and painting from ever
// coming (both wait for an empty queue).
void QueryRound::DropQueuedNotices() {
  MSG stale;
  while (PeekMessageA(&stale, hwnd_, kSocketMessage, kSocketMessage, PM_REMOVE)) {
  }
}

bool QueryRound::ReadWaiting() {
  const unsigned generation = generation_;
  const uint32_t startMs = MillisecondClock();
  for (int reads = 1; generation == generation_; ++reads) {
    if (reads > kMaxReadsPerTurn || (reads % 32 == 0 && MillisecondClock() - startMs > kReadSliceMs)) return false;
    sockaddr_in from{};
    int fromSize = sizeof from;
    const int got = recvfrom(socket_, datagram_.data(), kMaxDatagram, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (got < 0) {
      // A port nobody listens on answers an earlier request with a reset.
      if (WSAGetLastError() == WSAECONNRESET) continue;
      return true;
    }
    const Endpoint sender{ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)};
    pipeline_.TakeDatagram(sender, std::string_view(datagram_.data(), static_cast<size_t>(got)), MillisecondClock());
    Follow();
  }
  return true;
}

// Posted notices come before input, painting and timers: a notice raised by
// every datagram of a flood would keep them from ever coming. So when a turn
// leaves datagrams behind, or any of those wait, the notices are let go and
// the next turn comes on a timer, which comes after them.
void QueryRound::TakeReadTurn() {
  const unsigned generation = generation_;
  const bool drained = ReadWaiting();
  if (generation != generation_ || !Running()) return;
  readsDeferred_ = !drained || HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER)) != 0;
  if (readsDeferred_) {
    DropQueuedNotices();
    SetTimer(hwnd_, kReadTimer, USER_TIMER_MINIMUM, nullptr);
  }
}

// One timer, due when the pipeline next needs the clock. It is set anew only
// when something falls due sooner: a tick that comes early finds little to do
// and sets it again.
void QueryRound::ArmTickTimer() {
  const std::optional<uint32_t> due = pipeline_.NextTickAt();
  if (!due || (tickTimerSet_ && static_cast<int32_t>(*due - tickDueMs_) >= 0)) return;
  const int32_t left = static_cast<int32_t>(*due - MillisecondClock());
  SetTimer(hwnd_, kTickTimer, left > 0 ? static_cast<UINT>(left) : USER_TIMER_MINIMUM, nullptr);
  tickTimerSet_ = true;
  tickDueMs_ = *due;
}

int QueryRound::LocalPort() const {
  if (socket_ == INVALID_SOCKET) return 0;
  sockaddr_in local{};
  int size = sizeof local;
  if (getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &size) != 0) return 0;
  return ntohs(local.sin_port);
}

LRESULT QueryRound::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kSocketMessage:
      // Notices of a socket closed meanwhile are stale.
      if (Running() && static_cast<SOCKET>(wParam) == socket_ && WSAGETSELECTEVENT(lParam) == FD_READ) {
        DropQueuedNotices();
        if (!readsDeferred_) TakeReadTurn();
      }
      return 0;
    case kLookupMessage: {
      // Over its limit already, or of an earlier round: not among those running.
      const auto found = lookups_.find(static_cast<uintptr_t>(wParam));
      if (found == lookups_.end()) return 0;
      const std::string name = found->second;
      lookups_.erase(found);
      pipeline_.TakeLookupAnswer(name, static_cast<uint32_t>(lParam), MillisecondClock());
      Follow();
      return 0;
    }
    case WM_TIMER:
      if (wParam == kTickTimer) {
        KillTimer(hwnd_, kTickTimer);
        tickTimerSet_ = false;
        if (Running()) {
          pipeline_.Tick(MillisecondClock());
          Follow();
        }
      }
      if (wParam == kReadTimer) {
        KillTimer(hwnd_, kReadTimer);
        readsDeferred_ = false;
        if (Running()) TakeReadTurn();
      }
      return 0;
    case WM_NCDESTROY:
      hwnd_ = nullptr;
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
