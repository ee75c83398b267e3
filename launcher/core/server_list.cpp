#include "launcher/core/server_list.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "common/core/text.h"
#include "launcher/core/server_status.h"

namespace {

constexpr const char* kColumnCaptions[kServerColumnCount] = {"Server", "Name", "Map", "Players", "Ping", "Lock"};
constexpr const char* kSourceCaptions[kServerSourceCount] = {"Saved", "Allied Assault", "Spearhead", "Breakthrough",
                                                             "Local network"};
constexpr const char* kSourceGames[kServerSourceCount] = {"", "mohaa", "mohaas", "mohaab", ""};

bool Contains(std::string_view text, const std::string& lowerNeedle) {
  return LowerCase(text).find(lowerNeedle) != std::string::npos;
}

std::string Counted(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
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
// column's order or its reverse; the rows without a reply stay after them, by stage.
bool Before(const ServerList& list, size_t a, size_t b, ServerColumn column, bool descending) {
  if (!ByNumbers(column)) {
    if (descending) std::swap(a, b);
    return LowerCase(list.CellText(a, column)) < LowerCase(list.CellText(b, column));
  }
  const ServerRow& ra = list.At(a);
  const ServerRow& rb = list.At(b);
  const bool answeredA = ra.stage == QueryStage::Answered;
  const bool answeredB = rb.stage == QueryStage::Answered;
  if (answeredA != answeredB) return answeredA;
  if (!answeredA) return ra.stage < rb.stage;
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

std::vector<QueryTarget> SavedServerTargets(const std::vector<std::string>& servers) {
  std::vector<QueryTarget> targets;
  for (const std::string& server : servers) {
    if (targets.size() == kMaxServerRows) break;
    const ServerAddress split = SplitServerAddress(server);
    int port = 0;
    if (!ParsePort(split.port, port)) port = 0;
    targets.push_back({split.host, port, ReplyForm::Status, RowListens::UntilFirstReply, server});
  }
  return targets;
}

// Asked at its query port; the game port comes with its reply.
std::vector<QueryTarget> ListedServerTargets(const std::vector<ListedServer>& servers) {
  std::vector<QueryTarget> targets;
  for (const ListedServer& listed : servers) {
    if (targets.size() == kMaxListedServers) break;
    const std::string host = DottedIPv4(listed.address);
    const std::string server = host + ":" + std::to_string(listed.queryPort);
    targets.push_back({host, listed.queryPort, ReplyForm::Query, RowListens::UntilFirstReply, server});
  }
  return targets;
}

std::string ServerList::KeyOf(size_t place) const {
  if (place >= Size()) return {};
  return At(place).target.host + ":" + std::to_string(At(place).target.port);
}

size_t ServerList::NumberOfKey(const std::string& key) const {
  for (size_t number = 0; number < placeOfNumber_.size(); ++number) {
    if (KeyOf(placeOfNumber_[number]) == key) return number;
  }
  return SIZE_MAX;
}

void ServerList::StartRound() {
  numberAt_.clear();
  placeOfNumber_.clear();
  visible_.clear();
  shownStale_ = true;
  if (!rows_->empty()) RowChanged(rows_->size() - 1);
}

size_t ServerList::RowChanged(size_t number) {
  if (number >= rows_->size()) return SIZE_MAX;
  while (placeOfNumber_.size() <= number) {
    placeOfNumber_.push_back(numberAt_.size());
    numberAt_.push_back(placeOfNumber_.size() - 1);
    visible_.push_back(Passes(At(numberAt_.size() - 1)));
    shownStale_ = true;
  }
  UpdateVisible(placeOfNumber_[number]);
  return placeOfNumber_[number];
}

bool ServerList::Passes(const ServerRow& row) const {
  const bool answered = row.stage == QueryStage::Answered;
  const int maxPlayers = NumberOrNone(row.maxPlayers);
  if (filter_.hideEmpty && answered && row.playerCount == 0) return false;
  if (filter_.hideFull && answered && maxPlayers > 0 && row.playerCount >= maxPlayers) return false;
  if (filter_.hideNoReply && (row.stage == QueryStage::NoReply || row.stage == QueryStage::BadAddress)) return false;
  if (searchLower_.empty()) return true;
  if (!answered) return false;
  if (Contains(row.name, searchLower_) || Contains(row.map, searchLower_)) return true;
  return std::any_of(row.players.begin(), row.players.end(),
                     [&](const ServerPlayer& player) { return Contains(player.name, searchLower_); });
}

void ServerList::UpdateVisible(size_t place) {
  const char passes = Passes(At(place));
  if (visible_[place] == passes) return;
  visible_[place] = passes;
  shownStale_ = true;
}

void ServerList::SetFilter(const ServerFilter& filter) {
  filter_ = filter;
  searchLower_ = LowerCase(TrimBlanksView(filter.search));
  for (size_t i = 0; i < Size(); ++i) UpdateVisible(i);
}

const std::vector<size_t>& ServerList::Shown() const {
  if (!shownStale_) return shown_;
  shown_.clear();
  for (size_t i = 0; i < Size(); ++i) {
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
  for (size_t number : numberAt_) {
    const ServerRow& row = (*rows_)[number];
    if (row.stage == QueryStage::Answered) total += row.playerCount;
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
  std::vector<size_t> order(Size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return Before(*this, a, b, column, descending_); });
  return Reorder(order);
}

std::vector<size_t> ServerList::SortAgain() {
  return sorted_ ? SortBy(sortColumn_, descending_) : Reorder({});
}

std::vector<size_t> ServerList::Reorder(const std::vector<size_t>& order) {
  if (order.size() != Size()) {
    std::vector<size_t> same(Size());
    for (size_t i = 0; i < same.size(); ++i) same[i] = i;
    return same;
  }
  std::vector<size_t> numberAt;
  std::vector<char> visible;
  numberAt.reserve(Size());
  visible.reserve(Size());
  for (size_t i : order) {
    numberAt.push_back(numberAt_[i]);
    visible.push_back(visible_[i]);
  }
  numberAt_ = std::move(numberAt);
  visible_ = std::move(visible);
  for (size_t i = 0; i < Size(); ++i) placeOfNumber_[numberAt_[i]] = i;
  shownStale_ = true;
  return order;
}

std::string ServerList::CellText(size_t place, ServerColumn column) const {
  if (place >= Size()) return {};
  const ServerRow& row = At(place);
  switch (column) {
    case ServerColumn::Server:
      return row.server;
    case ServerColumn::Name:
      return row.name;
    case ServerColumn::Map:
      return row.map;
    case ServerColumn::Players:
      return row.stage == QueryStage::Answered ? std::to_string(row.playerCount) + "/" + row.maxPlayers : "";
    case ServerColumn::Lock:
      return {};
    case ServerColumn::Ping:
      switch (row.stage) {
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
