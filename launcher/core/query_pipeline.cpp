#include "launcher/core/query_pipeline.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/core/text.h"
#include "launcher/core/server_status.h"

namespace {

uint64_t KeyOf(Endpoint endpoint) {
  return (uint64_t{endpoint.address} << 16) | static_cast<uint16_t>(endpoint.port);
}

// The distance is taken as signed, so that the clock's wrap does not matter.
bool Reached(uint32_t nowMs, uint32_t dueMs) { return static_cast<int32_t>(nowMs - dueMs) >= 0; }

void KeepEarliest(std::optional<uint32_t>& due, uint32_t atMs) {
  if (!due || static_cast<int32_t>(atMs - *due) < 0) due = atMs;
}

bool UsableTarget(const QueryTarget& target) {
  return !TrimBlanksView(target.host).empty() && target.port >= 1 && target.port <= 65535;
}

int BelievedCount(int count) { return std::clamp(count, 0, kMaxServerPlayers); }

ServerPlayer KeptPlayer(std::string_view name, int score, int pingMs) {
  return {std::string(name.substr(0, kMaxPlayerNameText)), score, pingMs};
}

int NonEmptyLines(const std::vector<std::string>& lines) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return !l.empty(); }));
}

// The last reply counts whole: a row listening until its deadline is filled anew by each.
void FillFromStatusReply(ServerRow& row, std::string_view reply) {
  const ServerStatus status = ParseStatusReply(reply);
  row.name = status.hostName;
  row.map = status.mapName;
  row.maxPlayers = status.maxPlayers;
  row.playerCount = BelievedCount(NonEmptyLines(status.playerLines));
  row.players = PlayersOfStatusLines(status.playerLines);
}

void FillFromQueryReply(ServerRow& row, std::string_view reply) {
  const QueryReplyServer status = ParseQueryReply(reply);
  row.name = status.hostName;
  row.map = status.mapName;
  row.maxPlayers = std::to_string(BelievedCount(status.maxPlayers));
  row.playerCount = BelievedCount(status.numPlayers > 0 ? status.numPlayers : static_cast<int>(status.players.size()));
  row.password = status.password;
  row.players.clear();
  for (const QueryReplyPlayer& player : status.players) {
    if (row.players.size() == kMaxRowPlayers) break;
    row.players.push_back(KeptPlayer(player.name, player.frags, player.ping));
  }
  if (status.hostPort == 0) return;
  row.server = row.target.host + ":" + std::to_string(status.hostPort);
  row.gamePortKnown = true;
}

}  // namespace

std::string DottedIPv4(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::vector<ServerPlayer> PlayersOfStatusLines(const std::vector<std::string>& lines) {
  std::vector<ServerPlayer> players;
  for (const std::string& line : lines) {
    if (players.size() == kMaxRowPlayers) break;
    if (TrimBlanksView(line).empty()) continue;
    int score = 0, pingMs = 0;
    const std::vector<std::string> words = SplitKeepEmpty(line, ' ');
    if (words.size() >= 1 && !ParseInt32(words[0], score)) score = 0;
    if (words.size() >= 2 && !ParseInt32(words[1], pingMs)) pingMs = 0;
    const size_t open = line.find('"');
    const size_t close = line.rfind('"');
    const bool quoted = open != std::string::npos && close > open;
    const std::string_view name = quoted ? std::string_view(line).substr(open + 1, close - open - 1) : "";
    players.push_back(KeptPlayer(name, score, pingMs));
  }
  return players;
}

bool ParseDottedIPv4(std::string_view text, uint32_t& address) {
  uint8_t parts[4] = {};
  size_t at = 0;
  for (int i = 0; i < 4; ++i) {
    if (i > 0 && (at >= text.size() || text[at++] != '.')) return false;
    int value = 0;
    size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4; ++at, ++digits) {
      value = value * 10 + (text[at] - '0');
    }
    if (digits == 0 || digits > 3 || value > 255) return false;
    parts[i] = static_cast<uint8_t>(value);
  }
  if (at != text.size()) return false;
  address = 0;
  for (uint8_t part : parts) address = (address << 8) | part;
  return address != 0;  // "any" is no server
}

QueryPipeline::QueryPipeline(int32_t replyWaitMs, int32_t nameLimitMs, QueryPace pace)
    : replyWaitMs_(replyWaitMs), nameLimitMs_(nameLimitMs), pace_(pace) {}

QueryPipeline::~QueryPipeline() = default;

void QueryPipeline::Start(std::vector<QueryTarget> targets, std::string statusRequest, uint32_t nowMs) {
  Stop();
  nowMs_ = nowMs;
  running_ = true;
  statusRequest_ = std::move(statusRequest);
  for (size_t i = 0; i < targets.size(); ++i) {
    AddRow(std::move(targets[i]));
    const QueryTarget& target = rows_[i].target;
    if (!UsableTarget(target)) {
      Change(i, QueryStage::BadAddress);
      continue;
    }
    rows_[i].stage = QueryStage::Resolving;
    ++rowsLeft_;
    uint32_t address = 0;
    if (ParseDottedIPv4(target.host, address)) {
      Queue(i, address);
      continue;
    }
    std::vector<size_t>& rowsOfName = rowsOfName_[target.host];
    if (rowsOfName.empty()) names_.push_back(target.host);
    rowsOfName.push_back(i);
  }
  allowance_ = pace_.burst;
  allowanceAtMs_ = nowMs;
  SendQueued(nowMs);
  StartLookups(nowMs);
  EndIfDone();
}

// The few broadcasts go out at once, beside the pace: they are no rows.
void QueryPipeline::StartHeard(std::vector<Subnet> networks, const std::vector<int>& ports, size_t maxRows,
                               uint32_t nowMs) {
  Start({}, {}, nowMs);
  if (networks.empty() || ports.empty() || maxRows == 0) return;
  running_ = true;
  hearing_ = {std::move(networks), maxRows, nowMs};
  for (const Subnet& network : hearing_.networks) {
    for (int port : ports) sends_.push_back({{network.Broadcast(), port}, kQueryRequest});
  }
}

void QueryPipeline::Stop() {
  running_ = false;
  hearing_ = {};
  heard_.clear();
  lookups_.clear();
  lookupsToDrop_.clear();
  rows_.clear();
  waits_.clear();
  rowsLeft_ = 0;
  waitingAt_.clear();
  sendQueue_.clear();
  sentLately_.clear();
  rowsInFlight_ = 0;
  deadlines_.clear();
  names_.clear();
  rowsOfName_.clear();
  nextName_ = 0;
  partialBytes_ = 0;
  changes_.clear();
  sends_.clear();
  lookupsToStart_.clear();
}

void QueryPipeline::End() {
  for (size_t row = 0; row < rows_.size(); ++row) {
    const QueryStage stage = rows_[row].stage;
    if (stage == QueryStage::Resolving || stage == QueryStage::Queued || stage == QueryStage::Waiting) {
      Change(row, QueryStage::NoReply);
    }
  }
  running_ = false;
  sends_.clear();
  lookupsToStart_.clear();
}

void QueryPipeline::AddRow(QueryTarget target) {
  ServerRow& row = rows_.emplace_back();
  row.number = rows_.size() - 1;
  row.server = target.server;
  row.gamePortKnown = target.form == ReplyForm::Status;
  row.target = std::move(target);
  waits_.emplace_back();
}

void QueryPipeline::Change(size_t row, QueryStage stage, std::string_view reply) {
  rows_[row].stage = stage;
  changes_.push_back({row, stage, nowMs_, reply});
}

bool QueryPipeline::HearsMore(uint32_t nowMs) const {
  return !hearing_.networks.empty() && !Reached(nowMs, hearing_.askedAtMs + static_cast<uint32_t>(replyWaitMs_));
}

// A sender outside the networks asked did not answer the broadcast, nor did
// one whose datagram is no query reply part; one heard before keeps its row,
// even once that is over.
bool QueryPipeline::AddHeardRow(Endpoint from, std::string_view bytes) {
  const auto holdsSender = [&](const Subnet& network) { return network.Holds(from.address); };
  if (!HearsMore(nowMs_) || rows_.size() >= hearing_.maxRows ||
      std::none_of(hearing_.networks.begin(), hearing_.networks.end(), holdsSender) ||
      heard_.count(KeyOf(from)) != 0 || !IsQueryReplyPart(bytes)) {
    return false;
  }
  heard_.insert(KeyOf(from));
  const size_t row = rows_.size();
  const std::string host = DottedIPv4(from.address);
  AddRow({host, from.port, ReplyForm::Query, RowListens::UntilFirstReply, host + ":" + std::to_string(from.port)});
  rows_[row].address = from.address;
  waits_[row].sentAtMs = hearing_.askedAtMs;
  ++rowsLeft_;
  deadlines_.push_back({hearing_.askedAtMs + static_cast<uint32_t>(replyWaitMs_), row});
  waitingAt_.emplace(KeyOf(from), row);
  Change(row, QueryStage::Waiting);
  return true;
}

void QueryPipeline::Queue(size_t row, uint32_t address) {
  rows_[row].stage = QueryStage::Queued;
  rows_[row].address = address;
  sendQueue_.push_back(row);
}

// A budget that refills with the clock sets how far apart requests go, so the
// pace is the same whatever the timer's grain; the rows in flight bound the
// replies that can be on their way at once.
void QueryPipeline::SendQueued(uint32_t nowMs) {
  const int32_t elapsed = std::max<int32_t>(0, static_cast<int32_t>(nowMs - allowanceAtMs_));
  allowance_ = std::min(pace_.burst, allowance_ + pace_.sendsPerMs * elapsed);
  allowanceAtMs_ = nowMs;
  while (!sentLately_.empty() && Reached(nowMs, sentLately_.front().atMs + pace_.inFlightMs)) {
    Wait& wait = waits_[sentLately_.front().row];
    if (wait.inFlight) --rowsInFlight_;
    wait.inFlight = false;
    sentLately_.pop_front();
  }
  while (!sendQueue_.empty() && allowance_ >= 1 && rowsInFlight_ < pace_.maxInFlight) {
    const size_t row = sendQueue_.front();
    sendQueue_.pop_front();
    allowance_ -= 1;
    SendRow(row, nowMs);
  }
}

void QueryPipeline::SendRow(size_t row, uint32_t nowMs) {
  const ServerRow& r = rows_[row];
  Wait& wait = waits_[row];
  wait.sentAtMs = nowMs;
  wait.inFlight = true;
  ++rowsInFlight_;
  sentLately_.push_back({nowMs, row});
  deadlines_.push_back({nowMs + static_cast<uint32_t>(replyWaitMs_), row});
  const Endpoint to{r.address, r.target.port};
  // Pushed to the front: the chain is walked whole for every datagram anyway.
  auto [at, fresh] = waitingAt_.try_emplace(KeyOf(to), row);
  if (!fresh) {
    wait.nextAtEndpoint = at->second;
    at->second = row;
  }
  const std::string_view request = r.target.form == ReplyForm::Query ? kQueryRequest : statusRequest_;
  sends_.push_back({to, request});
  Change(row, QueryStage::Waiting);
}

// Parsed only for a row that waits for it: a flood from strangers or of
// repeated replies costs a lookup, not a parse.
void QueryPipeline::TakeDatagram(Endpoint from, std::string_view bytes, uint32_t readAtMs) {
  // Read before a tick taken already, it moves the clock no further back than that.
  const uint32_t nowMs = Reached(readAtMs, nowMs_) ? readAtMs : nowMs_;
  nowMs_ = nowMs;
  if (!running_) return;
  auto at = waitingAt_.find(KeyOf(from));
  if (at == waitingAt_.end()) {
    if (!AddHeardRow(from, bytes)) return;
    at = waitingAt_.find(KeyOf(from));
  }
  // Rows in the order they were given, as the list shows them.
  endpointRows_.clear();
  for (size_t row = at->second; row != kNone; row = waits_[row].nextAtEndpoint) endpointRows_.push_back(row);
  std::sort(endpointRows_.begin(), endpointRows_.end());
  for (size_t row : endpointRows_) TakeFor(row, bytes, readAtMs);
  DropSpentDeadlines();
  SendQueued(nowMs);  // rows answered free their places for the next requests
  EndIfDone();
}

// The row's cells are filled here, where its reply is whole.
void QueryPipeline::TakeFor(size_t row, std::string_view bytes, uint32_t readAtMs) {
  ServerRow& r = rows_[row];
  Wait& wait = waits_[row];
  const bool status = r.target.form == ReplyForm::Status;
  if (status) {
    FillFromStatusReply(r, bytes);
  } else if (const std::optional<std::string> joined = TakePart(wait, bytes)) {
    FillFromQueryReply(r, *joined);
  } else {
    return;
  }
  if (wait.inFlight) --rowsInFlight_;
  wait.inFlight = false;
  r.pingMs = static_cast<int>(std::min<uint32_t>(readAtMs - wait.sentAtMs, 999999));
  Change(row, QueryStage::Answered, status ? bytes : std::string_view());
  // A row listening until its deadline is over only then.
  if (r.target.listens == RowListens::UntilFirstReply) {
    Unlink(row);
    --rowsLeft_;
  }
}

// A reply in one datagram is never kept; parts are, within
// kMaxPartialReplyBytes over all rows: a row whose parts would go beyond loses them all.
std::optional<std::string> QueryPipeline::TakePart(Wait& wait, std::string_view bytes) {
  if (!wait.parts) wait.parts = std::make_unique<QueryReplyJoiner>();
  QueryReplyJoiner& parts = *wait.parts;
  const size_t keptBefore = parts.BytesKept();
  if (parts.Take(bytes)) {
    std::string joined = parts.Joined();
    partialBytes_ -= keptBefore;
    wait.parts.reset();
    return joined;
  }
  if (partialBytes_ - keptBefore + parts.BytesKept() > kMaxPartialReplyBytes) {
    DropParts(wait);
    return std::nullopt;
  }
  partialBytes_ += parts.BytesKept() - keptBefore;
  return std::nullopt;
}

void QueryPipeline::DropParts(Wait& wait) {
  if (!wait.parts) return;
  partialBytes_ -= std::min(partialBytes_, wait.parts->BytesKept());
  wait.parts.reset();
}

void QueryPipeline::Unlink(size_t row) {
  const ServerRow& r = rows_[row];
  Wait& wait = waits_[row];
  const auto at = waitingAt_.find(KeyOf({r.address, r.target.port}));
  if (at == waitingAt_.end()) return;
  if (at->second == row) {
    if (wait.nextAtEndpoint == kNone) {
      waitingAt_.erase(at);
    } else {
      at->second = wait.nextAtEndpoint;
    }
  } else {
    size_t before = at->second;
    while (before != kNone && waits_[before].nextAtEndpoint != row) before = waits_[before].nextAtEndpoint;
    if (before != kNone) waits_[before].nextAtEndpoint = wait.nextAtEndpoint;
  }
  wait.nextAtEndpoint = kNone;
  if (wait.inFlight) --rowsInFlight_;
  wait.inFlight = false;
}

void QueryPipeline::Over(size_t row, QueryStage stage) {
  if (rows_[row].stage == QueryStage::Waiting) {
    Unlink(row);
    DropParts(waits_[row]);
  }
  Change(row, stage);
  --rowsLeft_;
}

size_t QueryPipeline::LookupsHoldingAPlace(uint32_t nowMs) const {
  return static_cast<size_t>(std::count_if(lookups_.begin(), lookups_.end(), [&](const Lookup& lookup) {
    return !Reached(nowMs, lookup.startedMs + pace_.lookupPlaceMs);
  }));
}

// A lookup holds its place for a moment only: a name that has not resolved by
// then is slow or dead, and a few of them must not hold up every name behind
// them until their limit.
void QueryPipeline::StartLookups(uint32_t nowMs) {
  while (nextName_ < names_.size() && LookupsHoldingAPlace(nowMs) < pace_.maxLookups) {
    const std::string& name = names_[nextName_++];
    lookups_.push_back({name, nowMs});
    lookupsToStart_.push_back(name);
  }
}

void QueryPipeline::NameResolved(const std::string& name, uint32_t address) {
  const auto found = rowsOfName_.find(name);
  if (found == rowsOfName_.end()) return;
  for (size_t row : found->second) {
    if (rows_[row].stage != QueryStage::Resolving) continue;
    if (address != 0) {
      Queue(row, address);
    } else {
      Over(row, QueryStage::BadAddress);
    }
  }
}

void QueryPipeline::TakeLookupAnswer(const std::string& name, uint32_t address, uint32_t nowMs) {
  nowMs_ = nowMs;
  const auto found = std::find_if(lookups_.begin(), lookups_.end(), [&](const Lookup& l) { return l.name == name; });
  if (!running_ || found == lookups_.end()) return;  // over its limit already, or of an earlier round
  lookups_.erase(found);
  NameResolved(name, address);
  SendQueued(nowMs);
  StartLookups(nowMs);
  EndIfDone();
}

void QueryPipeline::Tick(uint32_t nowMs) {
  nowMs_ = nowMs;
  if (!running_) return;
  while (!deadlines_.empty()) {
    const Due next = deadlines_.front();
    const bool listening = Listening(next.row);
    if (listening && !Reached(nowMs, next.atMs)) break;
    deadlines_.pop_front();
    if (!listening) continue;
    if (rows_[next.row].stage == QueryStage::Waiting) {
      Over(next.row, QueryStage::NoReply);
    } else {
      Unlink(next.row);  // answered, and done listening
      --rowsLeft_;
    }
  }
  if (!HearsMore(nowMs)) hearing_.networks.clear();  // its tick may come late
  for (size_t i = 0; i < lookups_.size();) {
    if (!Reached(nowMs, lookups_[i].startedMs + static_cast<uint32_t>(nameLimitMs_))) {
      ++i;
      continue;
    }
    std::string name = std::move(lookups_[i].name);
    lookups_.erase(lookups_.begin() + static_cast<std::ptrdiff_t>(i));
    NameResolved(name, 0);
    lookupsToDrop_.push_back(std::move(name));
  }
  SendQueued(nowMs);
  StartLookups(nowMs);
  EndIfDone();
}

bool QueryPipeline::Listening(size_t row) const {
  const ServerRow& r = rows_[row];
  return r.stage == QueryStage::Waiting ||
         (r.stage == QueryStage::Answered && r.target.listens == RowListens::UntilDeadline);
}

void QueryPipeline::DropSpentDeadlines() {
  while (!deadlines_.empty() && !Listening(deadlines_.front().row)) deadlines_.pop_front();
}

void QueryPipeline::EndIfDone() {
  if (running_ && rowsLeft_ == 0 && !HearsMore(nowMs_)) running_ = false;
}

std::optional<uint32_t> QueryPipeline::NextTickAt() const {
  std::optional<uint32_t> due;
  if (!running_) return due;
  if (!hearing_.networks.empty()) due = hearing_.askedAtMs + static_cast<uint32_t>(replyWaitMs_);
  for (const Due& next : deadlines_) {
    if (!Listening(next.row)) continue;
    KeepEarliest(due, next.atMs);
    break;
  }
  const bool namesLeft = nextName_ < names_.size();
  for (const Lookup& lookup : lookups_) {
    // While names wait for a place, the moment one frees by age counts too.
    KeepEarliest(due, lookup.startedMs + static_cast<uint32_t>(nameLimitMs_));
    const uint32_t placeFreeMs = lookup.startedMs + pace_.lookupPlaceMs;
    if (namesLeft && !Reached(allowanceAtMs_, placeFreeMs)) KeepEarliest(due, placeFreeMs);
  }
  if (!sendQueue_.empty()) {
    // The budget's next whole request, or the first place in flight to free.
    uint32_t atMs = allowanceAtMs_;
    if (allowance_ < 1) atMs += std::max<uint32_t>(1, static_cast<uint32_t>(std::ceil((1 - allowance_) / pace_.sendsPerMs)));
    if (rowsInFlight_ >= pace_.maxInFlight && !sentLately_.empty()) {
      atMs = std::max<uint32_t>(atMs, sentLately_.front().atMs + pace_.inFlightMs);
    }
    KeepEarliest(due, atMs);
  }
  return due;
}

std::vector<QueryPipeline::Send> QueryPipeline::TakeSends() { return std::exchange(sends_, {}); }
std::vector<std::string> QueryPipeline::TakeLookupsToStart() { return std::exchange(lookupsToStart_, {}); }
std::vector<std::string> QueryPipeline::TakeLookupsToDrop() { return std::exchange(lookupsToDrop_, {}); }
std::vector<RowChange> QueryPipeline::TakeChanges() { return std::exchange(changes_, {}); }
