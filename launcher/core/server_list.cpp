#include "launcher/core/server_list.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "common/core/text.h"
#include "launcher/core/query_reply.h"
#include "launcher/core/server_status.h"

namespace {

constexpr const char* kColumnCaptions[kServerColumnCount] = {"Server", "Name", "Map", "Players", "Ping", "Lock"};
constexpr const char* kSourceCaptions[kServerSourceCount] = {"Saved", "Allied Assault", "Spearhead", "Breakthrough",
                                                             "Local network"};
constexpr const char* kSourceGames[kServerSourceCount] = {"", "mohaa", "mohaas", "mohaab", ""};

std::string DottedIPv4(uint32_t address) {
  return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
         std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

bool Contains(std::string_view text, const std::string& lowerNeedle) {
  return LowerCase(text).find(lowerNeedle) != std::string::npos;
}

std::string Counted(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

int NonEmptyLines(const std::vector<std::string>& lines) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return !l.empty(); }));
}

int BelievedCount(int count) { return std::clamp(count, 0, kMaxServerPlayers); }

ServerPlayer KeptPlayer(std::string_view name, int score, int pingMs) {
  return {std::string(name.substr(0, kMaxPlayerNameText)), score, pingMs};
}

// The maximum players as a number for sorting; -1 when it is none.
int NumberOrNone(const std::string& text) {
  int value = 0;
  return ParseInt32(TrimBlanks(text), value) ? value : -1;
}

bool ByNumbers(ServerColumn column) {
  return column == ServerColumn::Players || column == ServerColumn::Ping || column == ServerColumn::Lock;
}

std::tuple<int, int> NumbersKey(const ServerRow& row, ServerColumn column) {
  if (column == ServerColumn::Ping) return {row.pingMs, 0};
  if (column == ServerColumn::Lock) return {row.password ? 1 : 0, 0};
  return {row.playerCount, NumberOrNone(row.maxPlayers)};
}

// By "Players", "Ping" and "Lock" the answered rows come first, in the
// column's order or its reverse; the rows without a reply stay after them, by state.
bool Before(const ServerList& list, size_t a, size_t b, ServerColumn column, bool descending) {
  if (!ByNumbers(column)) {
    if (descending) std::swap(a, b);
    return LowerCase(list.CellText(a, column)) < LowerCase(list.CellText(b, column));
  }
  const ServerRow& ra = list.Rows()[a];
  const ServerRow& rb = list.Rows()[b];
  const bool answeredA = ra.state == QueryStage::Answered;
  const bool answeredB = rb.state == QueryStage::Answered;
  if (answeredA != answeredB) return answeredA;
  if (!answeredA) return ra.state < rb.state;
  return descending ? NumbersKey(rb, column) < NumbersKey(ra, column) : NumbersKey(ra, column) < NumbersKey(rb, column);
}

}  // namespace

const char* ServerColumnCaption(ServerColumn column) { return kColumnCaptions[static_cast<int>(column)]; }
const char* ServerSourceCaption(ServerSource source) { return kSourceCaptions[static_cast<int>(source)]; }
const char* ServerSourceGame(ServerSource source) { return kSourceGames[static_cast<int>(source)]; }

PingBand PingBandOf(int pingMs) {
  if (pingMs < kGoodPingBelowMs) return PingBand::Good;
  return pingMs < kFairPingBelowMs ? PingBand::Fair : PingBand::Poor;
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

std::string ServerListSummary(int mastersAnswered, int masters, size_t servers, int64_t players) {
  const std::string counts = Counted(servers, "server", "servers") + " \xB7 " +
                             Counted(static_cast<size_t>(std::max<int64_t>(0, players)), "player", "players");
  if (masters < 0) return counts;
  return std::to_string(mastersAnswered) + " of " + std::to_string(masters) + " masters answered \xB7 " + counts;
}

std::vector<std::string> ServerListEntries(const std::vector<std::string>& saved, const std::string& fieldText) {
  std::vector<std::string> entries;
  for (const std::string& entry : saved) {
    if (entries.size() == kMaxServerRows) break;
    if (!entry.empty()) entries.push_back(entry);
  }
  if (!fieldText.empty() && std::find(entries.begin(), entries.end(), fieldText) == entries.end()) {
    if (entries.size() == kMaxServerRows) entries.pop_back();
    entries.push_back(fieldText);
  }
  return entries;
}

void ServerList::AddRow(ServerRow row) {
  row.number = rows_.size();
  placeOfNumber_.push_back(rows_.size());
  rows_.push_back(std::move(row));
}

void ServerList::SetServers(const std::vector<std::string>& servers) {
  rows_.clear();
  placeOfNumber_.clear();
  for (const std::string& server : servers) {
    if (rows_.size() == kMaxServerRows) break;
    ServerRow row;
    row.server = server;
    const ServerAddress split = SplitServerAddress(server);
    row.host = split.host;
    if (!ParsePort(split.port, row.port)) row.port = 0;
    AddRow(std::move(row));
  }
  StartRound();
}

void ServerList::SetListedServers(const std::vector<ListedServer>& servers) {
  rows_.clear();
  placeOfNumber_.clear();
  for (const ListedServer& listed : servers) {
    if (rows_.size() == kMaxListedServers) break;
    AddRow(ListedRow(listed.address, listed.queryPort));
  }
  StartRound();
}

// Asked at its query port; the game port comes with its reply.
ServerRow ServerList::ListedRow(uint32_t address, int queryPort) {
  ServerRow row;
  row.form = ReplyForm::Query;
  row.gamePortKnown = false;
  row.host = DottedIPv4(address);
  row.port = queryPort;
  row.server = row.host + ":" + std::to_string(queryPort);
  return row;
}

std::string ServerList::KeyOf(size_t place) const {
  if (place >= rows_.size()) return {};
  return rows_[place].host + ":" + std::to_string(rows_[place].port);
}

size_t ServerList::NumberOfKey(const std::string& key) const {
  for (size_t number = 0; number < placeOfNumber_.size(); ++number) {
    if (KeyOf(placeOfNumber_[number]) == key) return number;
  }
  return SIZE_MAX;
}

void ServerList::Forget(ServerRow& row) {
  const bool usable = row.port != 0 && !TrimBlanksView(row.host).empty();
  row.state = usable ? QueryStage::Resolving : QueryStage::BadAddress;
  row.address = 0;
  row.name.clear();
  row.map.clear();
  row.maxPlayers.clear();
  row.playerCount = 0;
  row.pingMs = 0;
  row.password = false;
  row.players.clear();
}

void ServerList::StartRound() {
  visible_.assign(rows_.size(), 0);
  for (size_t i = 0; i < rows_.size(); ++i) {
    Forget(rows_[i]);
    visible_[i] = Passes(rows_[i]);
  }
  shownStale_ = true;
}

std::vector<QueryTarget> ServerList::Targets() const {
  std::vector<QueryTarget> targets(rows_.size());
  for (size_t number = 0; number < rows_.size(); ++number) {
    const ServerRow& row = rows_[PlaceOf(number)];
    if (row.state == QueryStage::BadAddress) continue;  // asked nowhere
    targets[number] = {row.host, row.port, row.form, RowListens::UntilFirstReply};
  }
  return targets;
}

// Each change moves a row on from where it stands; a change that does not
// follow (of a round before the last StartRound) is left alone.
size_t ServerList::TakeChange(const RowChange& change) {
  if (change.row == rows_.size() && change.stage == QueryStage::Waiting) {
    AddRow(ListedRow(change.address, change.port));
    visible_.push_back(Passes(rows_.back()));
    shownStale_ = true;
  }
  const size_t i = PlaceOf(change.row);
  if (i >= rows_.size()) return SIZE_MAX;
  ServerRow& row = rows_[i];
  const bool resolving = row.state == QueryStage::Resolving;
  switch (change.stage) {
    case QueryStage::Resolving:
    case QueryStage::Queued:
      return SIZE_MAX;
    case QueryStage::Waiting:
      if (!resolving) return SIZE_MAX;
      row.state = QueryStage::Waiting;  // looks like one resolving: no redraw
      row.address = change.address;
      return SIZE_MAX;
    case QueryStage::BadAddress:
      if (!resolving) return SIZE_MAX;
      row.state = QueryStage::BadAddress;
      break;
    case QueryStage::NoReply:
      if (row.state != QueryStage::Waiting) return SIZE_MAX;
      row.state = QueryStage::NoReply;
      break;
    case QueryStage::Answered:
      if (row.state != QueryStage::Waiting) return SIZE_MAX;
      Fill(row, change.reply, change.pingMs);
      break;
  }
  UpdateVisible(i);
  return i;
}

void ServerList::Fill(ServerRow& row, std::string_view reply, int pingMs) {
  row.state = QueryStage::Answered;
  row.pingMs = pingMs;
  if (row.form == ReplyForm::Status) {
    const ServerStatus status = ParseStatusReply(reply);
    row.name = status.hostName;
    row.map = status.mapName;
    row.maxPlayers = status.maxPlayers;
    row.playerCount = BelievedCount(NonEmptyLines(status.playerLines));
    row.players = PlayersOfStatusLines(status.playerLines);
    return;
  }
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
  row.server = row.host + ":" + std::to_string(status.hostPort);
  row.gamePortKnown = true;
}

void ServerList::EndRound() {
  for (size_t i = 0; i < rows_.size(); ++i) {
    ServerRow& row = rows_[i];
    if (row.state != QueryStage::Resolving && row.state != QueryStage::Waiting) continue;
    row.state = QueryStage::NoReply;
    UpdateVisible(i);
  }
}

bool ServerList::Waiting() const {
  return std::any_of(rows_.begin(), rows_.end(), [](const ServerRow& row) {
    return row.state == QueryStage::Resolving || row.state == QueryStage::Waiting;
  });
}

bool ServerList::Passes(const ServerRow& row) const {
  const bool answered = row.state == QueryStage::Answered;
  const int maxPlayers = NumberOrNone(row.maxPlayers);
  if (filter_.hideEmpty && answered && row.playerCount == 0) return false;
  if (filter_.hideFull && answered && maxPlayers > 0 && row.playerCount >= maxPlayers) return false;
  if (filter_.hideNoReply && (row.state == QueryStage::NoReply || row.state == QueryStage::BadAddress)) return false;
  if (searchLower_.empty()) return true;
  if (!answered) return false;
  if (Contains(row.name, searchLower_) || Contains(row.map, searchLower_)) return true;
  return std::any_of(row.players.begin(), row.players.end(),
                     [&](const ServerPlayer& player) { return Contains(player.name, searchLower_); });
}

void ServerList::UpdateVisible(size_t place) {
  const char passes = Passes(rows_[place]);
  if (visible_[place] == passes) return;
  visible_[place] = passes;
  shownStale_ = true;
}

void ServerList::SetFilter(const ServerFilter& filter) {
  filter_ = filter;
  searchLower_ = LowerCase(TrimBlanksView(filter.search));
  for (size_t i = 0; i < rows_.size(); ++i) UpdateVisible(i);
}

const std::vector<size_t>& ServerList::Shown() const {
  if (!shownStale_) return shown_;
  shown_.clear();
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (visible_[i]) shown_.push_back(i);
  }
  shownStale_ = false;
  return shown_;
}

int ServerList::ShownPositionOf(size_t place) const {
  const std::vector<size_t>& shown = Shown();
  const auto at = std::lower_bound(shown.begin(), shown.end(), place);
  return at != shown.end() && *at == place ? static_cast<int>(at - shown.begin()) : -1;
}

int64_t ServerList::PlayersTotal() const {
  int64_t total = 0;
  for (const ServerRow& row : rows_) {
    if (row.state == QueryStage::Answered) total += row.playerCount;
  }
  return total;
}

std::vector<size_t> ServerList::SortBy(ServerColumn column) {
  return SortBy(column, sorted_ && sortColumn_ == column ? !descending_ : false);
}

std::vector<size_t> ServerList::SortBy(ServerColumn column, bool descending) {
  descending_ = descending;
  sorted_ = true;
  sortColumn_ = column;
  std::vector<size_t> order(rows_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return Before(*this, a, b, column, descending_); });
  return Reorder(order);
}

std::vector<size_t> ServerList::SortAgain() {
  return sorted_ ? SortBy(sortColumn_, descending_) : Reorder({});
}

std::vector<size_t> ServerList::Reorder(const std::vector<size_t>& order) {
  if (order.size() != rows_.size()) {
    std::vector<size_t> same(rows_.size());
    for (size_t i = 0; i < same.size(); ++i) same[i] = i;
    return same;
  }
  std::vector<ServerRow> sorted;
  std::vector<char> visible;
  sorted.reserve(rows_.size());
  visible.reserve(rows_.size());
  for (size_t i : order) {
    sorted.push_back(std::move(rows_[i]));
    visible.push_back(visible_[i]);
  }
  rows_ = std::move(sorted);
  visible_ = std::move(visible);
  for (size_t i = 0; i < rows_.size(); ++i) placeOfNumber_[rows_[i].number] = i;
  shownStale_ = true;
  return order;
}

std::string ServerList::CellText(size_t place, ServerColumn column) const {
  if (place >= rows_.size()) return {};
  const ServerRow& row = rows_[place];
  switch (column) {
    case ServerColumn::Server:
      return row.server;
    case ServerColumn::Name:
      return row.name;
    case ServerColumn::Map:
      return row.map;
    case ServerColumn::Players:
      return row.state == QueryStage::Answered ? std::to_string(row.playerCount) + "/" + row.maxPlayers : "";
    case ServerColumn::Lock:
      return {};
    case ServerColumn::Ping:
      switch (row.state) {
        case QueryStage::Answered:
          return std::to_string(row.pingMs);
        case QueryStage::NoReply:
          return "no reply";
        case QueryStage::BadAddress:
          return "bad address";
        default:
          return "";
      }
  }
  return {};
}
