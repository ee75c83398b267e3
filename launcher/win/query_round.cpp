#include "launcher/win/query_round.h"

#include <algorithm>

#include "common/win/wait.h"

namespace {

constexpr int kTickTimer = 0;
// Holds the replies that come while the window thread is busy elsewhere:
// 256 rows in flight of three parts of up to 1.4 KB fill about 1 MiB.
constexpr int kReceiveBuffer = 1 << 20;
constexpr size_t kRowsPerSocket = 256;
constexpr size_t kMaxSockets = 3;

// Under Wine a read waits on a round trip to the Wine server, and the reads
// of one socket come one after another: a big round's replies are read on a
// few sockets at once, each with its own reading thread, its endpoints spread
// over them, each endpoint always on the same one.
size_t SocketsFor(size_t rows) { return std::clamp<size_t>((rows + kRowsPerSocket - 1) / kRowsPerSocket, 1, kMaxSockets); }

}  // namespace

QueryRound::QueryRound(int32_t replyWaitMs, int32_t nameLimitMs, QueryPace pace)
    : pipeline_(replyWaitMs, nameLimitMs, pace) {}

// Without the larger buffer the round still works, on a smaller one; with
// fewer sockets than wanted, on those it has.
bool QueryRound::OpenSockets(size_t count, bool broadcasts) {
  for (size_t i = 0; i < count; ++i) {
    const SOCKET socket = net_.Open(SOCK_DGRAM, FD_READ, 0, kReceiveBuffer);
    if (socket == INVALID_SOCKET) break;
    // Without it the broadcasts fail to go, as sends to a dead server do.
    const BOOL on = TRUE;
    if (broadcasts) setsockopt(socket, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
    sockets_.push_back(socket);
  }
  return !sockets_.empty();
}

SOCKET QueryRound::SocketFor(Endpoint endpoint) const {
  const uint64_t key = (uint64_t{endpoint.address} << 16) ^ static_cast<uint64_t>(endpoint.port);
  return sockets_[(key * 0x9E3779B97F4A7C15ull >> 32) % sockets_.size()];
}

// Without a socket the rows are there all the same, without a reply.
void QueryRound::Start(std::vector<QueryTarget> targets, std::string statusRequest) {
  Stop();
  const bool opened = OpenSockets(SocketsFor(targets.size()));
  pipeline_.Start(std::move(targets), std::move(statusRequest), MillisecondClock());
  if (!opened) pipeline_.End();
  Follow();
}

void QueryRound::StartHeard(std::vector<Subnet> networks, const std::vector<int>& ports, size_t maxRows) {
  Stop();
  if (!OpenSockets(1, true)) {
    if (onEnd) onEnd();
    return;
  }
  pipeline_.StartHeard(std::move(networks), ports, maxRows, MillisecondClock());
  Follow();
}

void QueryRound::Stop() {
  CloseSockets();
  pipeline_.Stop();
}

// The network layer drops whatever of the round is still on its way.
void QueryRound::CloseSockets() {
  ++generation_;
  net_.Restart();
  lookups_.clear();
  tickTimerSet_ = false;
  sockets_.clear();
}

// A failed send is a server that does not answer: its row waits, then has no reply.
void QueryRound::Follow() {
  const unsigned generation = generation_;
  for (const QueryPipeline::Send& send : pipeline_.TakeSends()) {
    SendDatagram(SocketFor(send.to), send.to.address, send.to.port, send.request);
  }
  StartLookups();
  for (const std::string& name : pipeline_.TakeLookupsToDrop()) DropLookup(name);
  const std::vector<RowChange> changes = pipeline_.TakeChanges();
  if (!changes.empty() && onChanges) onChanges(changes);
  if (generation != generation_) return;
  if (!pipeline_.Running()) {
    CloseSockets();
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

int QueryRound::LocalPort() const { return sockets_.empty() ? 0 : LocalPortOf(sockets_.front()); }

void QueryRound::OnDatagram(SOCKET, const Datagram& datagram) {
  pipeline_.TakeDatagram({datagram.address, datagram.port}, datagram.bytes, datagram.atMs);
  Follow();
}

void QueryRound::OnLookupDone(uintptr_t lookup, uint32_t address) {
  const auto found = lookups_.find(lookup);
  if (found == lookups_.end()) return;  // over its limit already
  const std::string name = found->second;
  lookups_.erase(found);
  pipeline_.TakeLookupAnswer(name, address, MillisecondClock());
  Follow();
}

void QueryRound::OnTimer(int) {
  net_.KillTimer(kTickTimer);
  tickTimerSet_ = false;
  pipeline_.Tick(MillisecondClock());
  Follow();
}
