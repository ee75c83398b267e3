#include "launcher/win/query_round.h"

#include "common/win/wait.h"

namespace {

constexpr int kTickTimer = 0;
constexpr int kReadTimer = 1;
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
    : pipeline_(replyWaitMs, nameLimitMs, pace) {}

// Bound and selected before the first send, so that no reply can come before
// its notice; without the larger buffer the round still works, on a smaller one.
bool QueryRound::OpenSocket(bool broadcasts) {
  socket_ = net_.Open(SOCK_DGRAM, FD_READ, 0, kReceiveBuffer);
  if (socket_ == INVALID_SOCKET) return false;
  // Without it the broadcasts fail to go, as sends to a dead server do.
  const BOOL on = TRUE;
  if (broadcasts) setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
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

void QueryRound::StartHeard(std::vector<Subnet> networks, const std::vector<int>& ports, size_t maxRows) {
  Stop();
  if (!OpenSocket(true)) {
    if (onEnd) onEnd();
    return;
  }
  pipeline_.StartHeard(std::move(networks), ports, maxRows, MillisecondClock());
  Follow();
}

// The network layer drops whatever of the round is still on its way.
void QueryRound::Stop() {
  ++generation_;
  pipeline_.Stop();
  net_.Restart();
  lookups_.clear();
  tickTimerSet_ = false;
  readsDeferred_ = false;
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
      if (const uintptr_t id = net_.LookUp(name)) {
        lookups_.emplace(id, name);
      } else {
        pipeline_.TakeLookupAnswer(name, 0, MillisecondClock());
      }
    }
  }
}

void QueryRound::DropLookup(const std::string& name) {
  for (auto it = lookups_.begin(); it != lookups_.end(); ++it) {
    if (it->second != name) continue;
    net_.DropLookup(it->first);
    lookups_.erase(it);
    return;
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
    net_.DropQueuedNotices(socket_);
    net_.SetTimer(kReadTimer, USER_TIMER_MINIMUM);
  }
}

// One timer, due when the pipeline next needs the clock. It is set anew only
// when something falls due sooner: a tick that comes early finds little to do
// and sets it again.
void QueryRound::ArmTickTimer() {
  const std::optional<uint32_t> due = pipeline_.NextTickAt();
  if (!due || (tickTimerSet_ && static_cast<int32_t>(*due - tickDueMs_) >= 0)) return;
  const int32_t left = static_cast<int32_t>(*due - MillisecondClock());
  net_.SetTimer(kTickTimer, left > 0 ? static_cast<UINT>(left) : USER_TIMER_MINIMUM);
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

// Wine posts a notice for every datagram read while more are waiting. Those
// in the queue now are all answered by the next turn of reading; left there,
// a flood's thousands would keep the thread's timers and painting from ever
// coming (both wait for an empty queue).
void QueryRound::OnSocketNotice(SOCKET, int event, int) {
  if (event != FD_READ) return;
  net_.DropQueuedNotices(socket_);
  if (!readsDeferred_) TakeReadTurn();
}

void QueryRound::OnLookupDone(uintptr_t lookup, uint32_t address) {
  const auto found = lookups_.find(lookup);
  if (found == lookups_.end()) return;  // over its limit already
  const std::string name = found->second;
  lookups_.erase(found);
  pipeline_.TakeLookupAnswer(name, address, MillisecondClock());
  Follow();
}

void QueryRound::OnTimer(int timer) {
  if (timer == kTickTimer) {
    net_.KillTimer(kTickTimer);
    tickTimerSet_ = false;
    pipeline_.Tick(MillisecondClock());
    Follow();
  } else if (timer == kReadTimer) {
    net_.KillTimer(kReadTimer);
    readsDeferred_ = false;
    TakeReadTurn();
  }
}
