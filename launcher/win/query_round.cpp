#include "launcher/win/query_round.h"

#include "common/win/wait.h"

namespace {

constexpr int kTickTimer = 0;
// Holds the replies that come while the window thread is busy elsewhere:
// 256 rows in flight of three parts of up to 1.4 KB fill about 1 MiB.
constexpr int kReceiveBuffer = 1 << 20;

}  // namespace

QueryRound::QueryRound(int32_t replyWaitMs, int32_t nameLimitMs, QueryPace pace)
    : pipeline_(replyWaitMs, nameLimitMs, pace) {}

// Without the larger buffer the round still works, on a smaller one.
bool QueryRound::OpenSocket(bool broadcasts) {
  socket_ = net_.Open(SOCK_DGRAM, FD_READ, 0, kReceiveBuffer);
  if (socket_ == INVALID_SOCKET) return false;
  // Without it the broadcasts fail to go, as sends to a dead server do.
  const BOOL on = TRUE;
  if (broadcasts) setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
  return true;
}

// Without a socket the rows are there all the same, without a reply.
void QueryRound::Start(std::vector<QueryTarget> targets, std::string statusRequest) {
  Stop();
  const bool opened = OpenSocket();
  pipeline_.Start(std::move(targets), std::move(statusRequest), MillisecondClock());
  if (!opened) pipeline_.End();
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

void QueryRound::Stop() {
  CloseSocket();
  pipeline_.Stop();
}

// The network layer drops whatever of the round is still on its way.
void QueryRound::CloseSocket() {
  ++generation_;
  net_.Restart();
  lookups_.clear();
  tickTimerSet_ = false;
  socket_ = INVALID_SOCKET;
}

// A failed send is a server that does not answer: its row waits, then has no reply.
void QueryRound::Follow() {
  const unsigned generation = generation_;
  for (const QueryPipeline::Send& send : pipeline_.TakeSends()) {
    SendDatagram(socket_, send.to.address, send.to.port, send.request);
  }
  StartLookups();
  for (const std::string& name : pipeline_.TakeLookupsToDrop()) DropLookup(name);
  const std::vector<RowChange> changes = pipeline_.TakeChanges();
  if (!changes.empty() && onChanges) onChanges(changes);
  if (generation != generation_) return;
  if (!pipeline_.Running()) {
    CloseSocket();
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

int QueryRound::LocalPort() const { return LocalPortOf(socket_); }

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
