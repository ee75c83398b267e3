#include "overlay/core/inspection_record.h"

#include <algorithm>

#include "common/core/text.h"

namespace {

constexpr int kHeadingLines = 4;
// Clients 0 to 25 have the letters, 26 to 35 the digits.
constexpr int kFirstDigitClient = 26;
constexpr int kLastDigitClient = 35;
constexpr int kMinPlayerLine = 20;

// Characters first..first+count-1 (1-based) of line; whatever of them exists.
std::string Columns(const std::string& line, long first, long count) {
  if (first < 1) {
    count += first - 1;
    first = 1;
  }
  if (count <= 0 || first > static_cast<long>(line.size())) return {};
  return line.substr(static_cast<size_t>(first - 1), static_cast<size_t>(count));
}

std::string AddressHost(const std::string& address) {
  const size_t colon = address.rfind(':');
  return colon == std::string::npos ? std::string() : address.substr(0, colon);
}

std::string RightAligned(const std::string& text, int width) {
  const size_t size = static_cast<size_t>(width);
  return text.size() < size ? std::string(size - text.size(), ' ') + text : text;
}

std::string LeftAligned(std::string text, int width) {
  const size_t size = static_cast<size_t>(width);
  if (text.size() < size) text.resize(size, ' ');
  return text;
}

// How many rows the players may fill, and the key each client gets.
struct RowPlan {
  int rows;
  std::string (*keyOf)(int client);
};
constexpr RowPlan kRecordPlan{kDecodeRows, KeyCharacter};
constexpr RowPlan kConsolePlan{kConsoleRows, PagedKeyCharacter};

// Writes one player into row r; returns false when the row does not exist.
bool WritePlayer(GridModel& grid, PlayerGridState& state, const GridPlayer& p, int r, const RowPlan& plan) {
  if (r < 1 || r >= grid.Rows()) return false;
  if (state.mode == GridMode::AllData) {
    if (r > state.topRow) state.topRow = r;
    if (grid.Text(r, kNameCol) != p.name) grid.ClearRow(r);
    if (p.host) grid.SetText(r, kIpCol, *p.host, CellAlign::Center);
    ++state.playerTotal;
  }
  grid.SetText(r, kKeyCol, plan.keyOf(p.client), CellAlign::Center);
  grid.SetText(r, kNameCol, p.name, CellAlign::Left);
  if (state.mode == GridMode::AllData) grid.SetText(r, kPingCol, p.ping, CellAlign::Center);
  return true;
}

// The record's address field shows its host; a field without port is no address.
GridPlayer GridPlayerOf(PlayerLineFields&& p) {
  GridPlayer player{p.client, std::move(p.ping), std::move(p.name), std::nullopt};
  if (p.address.find(':') != std::string::npos) player.host = AddressHost(p.address);
  return player;
}

// A player with the position of his line among the record's lines.
struct PlacedPlayer {
  int line = 0;
  GridPlayer player;
};

void ShowPlacedPlayers(const std::vector<PlacedPlayer>& players, GridModel& grid, PlayerGridState& state,
                       const RowPlan& plan);

// All-data mode: rows of clients missing from this record are emptied.
void SweepLeftRows(GridModel& grid, PlayerGridState& state, const std::vector<bool>& present) {
  for (int r = 1; r < static_cast<int>(present.size()); ++r) {
    if (present[static_cast<size_t>(r)]) {
      state.topRow = r;
    } else {
      grid.ClearRow(r);
    }
  }
}

}  // namespace

std::string FormatPlayerLine(const PlayerLineValues& v) {
  using namespace player_line;
  const auto number = [](int value, int width) { return RightAligned(std::to_string(value), width); };
  return number(v.client, kClientWidth) + ' ' + number(v.score, kScoreWidth) + ' ' + number(v.ping, kPingWidth) + ' ' +
         LeftAligned(v.name, kNameWidth) + ' ' + number(v.lastMessage, kLastMessageWidth) + ' ' +
         LeftAligned(v.address, kAddressWidth) + ' ' + number(v.qport, kQportWidth) + ' ' + number(v.rate, kRateWidth);
}

bool ReadPlayerLine(const std::string& line, PlayerLineFields& out) {
  using namespace player_line;
  if (line.size() < kMinPlayerLine) return false;
  int client = 0;
  if (!ParseInt32(TrimBlanks(Columns(line, 1, kClientWidth)), client) || client < 0) return false;
  const long length = static_cast<long>(line.size());
  out.client = client;
  out.ping = TrimBlanks(Columns(line, kPingColumn, kPingWidth + 1));
  out.name = TrimBlanks(Columns(line, kNameColumn, length - kTailLength - kNameColumn + 1));
  // A line too short to hold the address field has none: the IP cell stays.
  out.address =
      length > kAddressFromEnd ? TrimBlanks(Columns(line, length - kAddressFromEnd, kAddressWidth + 1)) : "";
  return true;
}

std::string KeyCharacter(int client) {
  if (client >= 0 && client < kFirstDigitClient) return std::string(1, static_cast<char>('A' + client));
  if (client >= kFirstDigitClient && client <= kLastDigitClient) {
    return std::string(1, static_cast<char>('0' + client - kFirstDigitClient));
  }
  return {};
}

std::string PagedKeyCharacter(int client) {
  if (client < kKeysPerPage) return KeyCharacter(client);
  const std::string key = KeyCharacter(client - kKeysPerPage);
  return key.empty() ? key : kNextPageMark + key;
}

std::optional<int> ClientOfKeyCharacter(char key) {
  if (key >= 'A' && key <= 'Z') return key - 'A';
  if (key >= '0' && key <= '9') return kFirstDigitClient + (key - '0');
  return std::nullopt;
}

void DecodeInspectionRecord(const std::string& body, GridModel& grid, PlayerGridState& state) {
  std::vector<std::string> lines = SplitKeepEmpty(body, '\n');
  lines.erase(lines.begin(), lines.begin() + std::min<size_t>(kHeadingLines, lines.size()));
  std::vector<PlacedPlayer> players;
  for (size_t j = 0; j < lines.size(); ++j) {
    // Empty and short lines are skipped like any line that is no player's.
    PlayerLineFields p;
    if (ReadPlayerLine(lines[j], p)) players.push_back({static_cast<int>(j), GridPlayerOf(std::move(p))});
  }
  state.recordLineCount = static_cast<int>(lines.size());
  state.recordLines = std::move(lines);
  ShowPlacedPlayers(players, grid, state, kRecordPlan);
}

void ShowPlayerRows(const std::vector<GridPlayer>& players, GridModel& grid, PlayerGridState& state) {
  std::vector<PlacedPlayer> placed;
  placed.reserve(players.size());
  for (const GridPlayer& p : players) placed.push_back({static_cast<int>(placed.size()), p});
  state.recordLines.clear();
  state.recordLineCount = static_cast<int>(placed.size());
  ShowPlacedPlayers(placed, grid, state, kConsolePlan);
}

namespace {

void ShowPlacedPlayers(const std::vector<PlacedPlayer>& players, GridModel& grid, PlayerGridState& state,
                       const RowPlan& plan) {
  const bool allData = state.mode == GridMode::AllData;
  state.gridClients.clear();
  if (!allData) grid.ClearAll();
  SetupGridHeadings(grid, state.mode, CellAlign::Center);
  state.rowsUsed = 1;
  state.topRow = 0;
  state.playerTotal = 0;
  grid.SetRows(plan.rows);

  std::vector<bool> present(static_cast<size_t>(plan.rows));
  int lastRow = 0;
  for (const PlacedPlayer& placed : players) {
    const GridPlayer& p = placed.player;
    // A client without a row of its own cannot be shown.
    const int r = allData ? p.client + 1 : placed.line + 1;
    if (r >= plan.rows) continue;
    state.gridClients.push_back(std::to_string(p.client + 1));
    if (!WritePlayer(grid, state, p, r, plan)) continue;
    if (allData) present[static_cast<size_t>(r)] = true;
    lastRow = r;
    ++state.rowsUsed;
  }

  if (allData) {
    SweepLeftRows(grid, state, present);
    state.topRow += 1;
    grid.SetRows(state.topRow);
  } else {
    // Rows follow the lines' positions: a skipped line leaves a gap, and the
    // grid must still reach the last player written.
    grid.SetRows(std::max(state.rowsUsed, lastRow + 1));
  }
}

}  // namespace

std::string LastUpdateLine(const PlayerGridState& state, const std::string& timeText) {
  std::string line = "Last Update - " + timeText;
  if (state.mode == GridMode::AllData) line += "     Total Players: " + std::to_string(state.playerTotal);
  return line;
}
