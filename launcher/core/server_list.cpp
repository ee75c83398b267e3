#include "launcher/core/server_list.h"

#include <algorithm>
#include <tuple>
#include <utility>

#include "common/core/text.h"
#include "launcher/core/server_status.h"

namespace {

constexpr const char* kColumnCaptions[kServerColumnCount] = {"Server", "Name", "Map", "Players", "Ping"};

int NonEmptyLines(const std::vector<std::string>& lines) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return !l.empty(); }));
}

// The maximum players as a number for sorting; -1 when it is none.
int NumberOrNone(const std::string& text) {
  int value = 0;
  return ParseInt32(TrimBlanks(text), value) ? value : -1;
}

std::tuple<int, int> NumbersKey(const ServerRow& row, ServerColumn column) {
  if (column == ServerColumn::Ping) return {row.pingMs, 0};
  return {row.playerCount, NumberOrNone(row.maxPlayers)};
}

// By "Players" and "Ping" the answered rows come first, in the column's order
// or its reverse; the rows without a number stay after them, by state.
bool Before(const ServerList& list, size_t a, size_t b, ServerColumn column, bool descending) {
  if (column != ServerColumn::Players && column != ServerColumn::Ping) {
    if (descending) std::swap(a, b);
    return LowerCase(list.CellText(a, column)) < LowerCase(list.CellText(b, column));
  }
  const ServerRow& ra = list.Rows()[a];
  const ServerRow& rb = list.Rows()[b];
  const bool answeredA = ra.state == RowState::Answered;
  const bool answeredB = rb.state == RowState::Answered;
  if (answeredA != answeredB) return answeredA;
  if (!answeredA) return ra.state < rb.state;
  return descending ? NumbersKey(rb, column) < NumbersKey(ra, column) : NumbersKey(ra, column) < NumbersKey(rb, column);
}

}  // namespace

const char* ServerColumnCaption(ServerColumn column) { return kColumnCaptions[static_cast<int>(column)]; }

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

void ServerList::SetServers(const std::vector<std::string>& entries) {
  rows_.clear();
  rowOfEntry_.clear();
  for (const std::string& entry : entries) {
    if (rows_.size() == kMaxServerRows) break;
    ServerRow row;
    row.server = entry;
    row.entry = rows_.size();
    rowOfEntry_.push_back(rows_.size());
    const ServerAddress split = SplitServerAddress(entry);
    row.host = split.host;
    if (!ParsePort(split.port, row.port)) row.port = 0;
    rows_.push_back(std::move(row));
  }
  sorted_ = false;
  StartRound();
}

void ServerList::StartRound() {
  for (ServerRow& row : rows_) {
    const bool usable = row.port != 0 && !TrimBlanksView(row.host).empty();
    row.state = usable ? RowState::Resolving : RowState::BadAddress;
    row.address = 0;
    row.sentAtMs = 0;
    row.name.clear();
    row.map.clear();
    row.maxPlayers.clear();
    row.playerCount = 0;
    row.pingMs = 0;
  }
}

void ServerList::MarkSent(size_t row, uint32_t address, uint32_t nowMs) {
  if (row >= rows_.size() || rows_[row].state != RowState::Resolving) return;
  rows_[row].state = RowState::Waiting;
  rows_[row].address = address;
  rows_[row].sentAtMs = nowMs;
}

void ServerList::MarkBadAddress(size_t row) {
  if (row < rows_.size() && rows_[row].state == RowState::Resolving) rows_[row].state = RowState::BadAddress;
}

void ServerList::MarkNoReply(size_t row) {
  if (row < rows_.size() && rows_[row].state == RowState::Waiting) rows_[row].state = RowState::NoReply;
}

std::vector<size_t> ServerList::TakeReply(uint32_t address, int port, std::string_view bytes, uint32_t nowMs) {
  std::vector<size_t> filled;
  for (size_t i = 0; i < rows_.size(); ++i) {
    const ServerRow& row = rows_[i];
    if (row.state == RowState::Waiting && row.address == address && row.port == port) filled.push_back(i);
  }
  // Parsed only for a row that waits for it: a flood from strangers or of
  // repeated replies costs a comparison per row, not a parse.
  if (filled.empty()) return filled;
  const ServerStatus status = ParseStatusReply(bytes);
  for (size_t i : filled) {
    ServerRow& row = rows_[i];
    row.state = RowState::Answered;
    row.name = status.hostName;
    row.map = status.mapName;
    row.maxPlayers = status.maxPlayers;
    row.playerCount = NonEmptyLines(status.playerLines);
    row.pingMs = static_cast<int>(std::min<uint32_t>(nowMs - row.sentAtMs, 999999));
  }
  return filled;
}

void ServerList::EndRound() {
  for (ServerRow& row : rows_) {
    if (row.state == RowState::Resolving || row.state == RowState::Waiting) row.state = RowState::NoReply;
  }
}

bool ServerList::Waiting() const {
  return std::any_of(rows_.begin(), rows_.end(), [](const ServerRow& row) {
    return row.state == RowState::Resolving || row.state == RowState::Waiting;
  });
}

std::vector<size_t> ServerList::SortBy(ServerColumn column) {
  descending_ = sorted_ && sortColumn_ == column ? !descending_ : false;
  sorted_ = true;
  sortColumn_ = column;
  std::vector<size_t> order(rows_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return Before(*this, a, b, column, descending_); });
  std::vector<ServerRow> sorted;
  sorted.reserve(rows_.size());
  for (size_t i : order) sorted.push_back(std::move(rows_[i]));
  rows_ = std::move(sorted);
  for (size_t i = 0; i < rows_.size(); ++i) rowOfEntry_[rows_[i].entry] = i;
  return order;
}

std::string ServerList::CellText(size_t index, ServerColumn column) const {
  if (index >= rows_.size()) return {};
  const ServerRow& row = rows_[index];
  switch (column) {
    case ServerColumn::Server:
      return row.server;
    case ServerColumn::Name:
      return row.name;
    case ServerColumn::Map:
      return row.map;
    case ServerColumn::Players:
      return row.state == RowState::Answered ? std::to_string(row.playerCount) + "/" + row.maxPlayers : "";
    case ServerColumn::Ping:
      switch (row.state) {
        case RowState::Answered:
          return std::to_string(row.pingMs);
        case RowState::NoReply:
          return "no reply";
        case RowState::BadAddress:
          return "bad address";
        default:
          return "";
      }
  }
  return {};
}
