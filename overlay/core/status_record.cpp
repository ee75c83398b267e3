#include "status_record.h"

#include <algorithm>
#include <array>

#include "overlay_layout.h"
#include "text.h"

namespace {

constexpr int kHeadingLines = 4;
constexpr int kMinPlayerLine = 20;
constexpr int kNameStart = 15;   // 1-based
constexpr int kTailLength = 41;  // lastmsg, address, qport and rate after the name
constexpr int kAddressFromEnd = 33;
constexpr int kAddressLength = 22;  // a blank and the 21-character field

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

// Writes one player into row r; returns false when the row does not exist.
bool WritePlayer(GridModel& grid, StatusState& state, const PlayerLineFields& p, int r) {
  if (r < 1 || r >= grid.Rows()) return false;
  if (state.showAll == 1) {
    if (r > state.topRow) state.topRow = r;
    if (grid.Text(r, kNameCol) != p.name) grid.ClearRow(r);
    if (p.address.find(':') != std::string::npos) grid.SetText(r, kIpCol, AddressHost(p.address), CellAlign::Center);
    ++state.playerTotal;
  }
  grid.SetText(r, kKeyCol, KeyCharacter(p.client), CellAlign::Center);
  grid.SetText(r, kNameCol, p.name, CellAlign::Left);
  if (state.showAll == 1) grid.SetText(r, kPingCol, p.ping, CellAlign::Center);
  return true;
}

// All-data mode: rows of clients missing from this record are emptied.
void SweepLeftRows(GridModel& grid, StatusState& state, const std::array<bool, kDecodeRows>& present) {
  for (int r = 1; r < kDecodeRows; ++r) {
    if (present[static_cast<size_t>(r)]) {
      state.topRow = r;
    } else {
      grid.ClearRow(r);
    }
  }
}

}  // namespace

bool ReadPlayerLine(const std::string& line, PlayerLineFields& out) {
  if (line.size() < kMinPlayerLine) return false;
  int client = 0;
  if (!ParseInt32(TrimBlanks(Columns(line, 1, 3)), client) || client < 0) return false;
  const long length = static_cast<long>(line.size());
  out.client = client;
  out.ping = TrimBlanks(Columns(line, 10, 5));
  out.name = TrimBlanks(Columns(line, kNameStart, length - kTailLength - kNameStart + 1));
  // A line too short to hold the address field has none: the IP cell stays.
  out.address = length > kAddressFromEnd ? TrimBlanks(Columns(line, length - kAddressFromEnd, kAddressLength)) : "";
  return true;
}

std::string KeyCharacter(int client) {
  if (client >= 0 && client <= 25) return std::string(1, static_cast<char>('A' + client));
  if (client >= 26 && client <= 35) return std::string(1, static_cast<char>('0' + client - 26));
  return {};
}

StatusLayout DecodeStatus(const std::string& MainData, const std::string& timeText, GridModel& grid,
                          StatusState& state) {
  const bool allData = state.showAll == 1;
  StatusLayout out;
  state.List1.clear();
  state.clnum.clear();
  if (!allData) grid.ClearAll();
  SetupGridHeadings(grid, state.showAll, CellAlign::Center);
  state.rowsUsed = 1;
  state.topRow = 0;
  state.playerTotal = 0;

  state.List1 = SplitKeepEmpty(MainData, '\n');
  state.List1.erase(state.List1.begin(),
                    state.List1.begin() + std::min<size_t>(kHeadingLines, state.List1.size()));
  state.statusLineCount = static_cast<int>(state.List1.size());
  grid.SetRows(kDecodeRows);

  std::array<bool, kDecodeRows> present{};
  int lastRow = 0;
  for (int j = 0; j < state.statusLineCount; ++j) {
    const std::string& line = state.List1[static_cast<size_t>(j)];
    if (line.empty()) continue;
    if (line.size() < kMinPlayerLine) {
      // The update line below replaces this within the same record.
      out.label = "Waiting for Players";
      continue;
    }
    PlayerLineFields p;
    if (!ReadPlayerLine(line, p)) continue;
    // A client without a row of its own cannot be shown.
    const int r = allData ? p.client + 1 : j + 1;
    if (r >= kDecodeRows) continue;
    state.clnum.push_back(std::to_string(p.client + 1));
    if (!WritePlayer(grid, state, p, r)) continue;
    if (allData) present[static_cast<size_t>(r)] = true;
    lastRow = r;
    ++state.rowsUsed;
  }

  out.label = "Last Update - " + timeText;
  int h = 0;
  if (allData) {
    SweepLeftRows(grid, state, present);
    state.topRow += 1;
    grid.SetRows(state.topRow);
    h = state.topRow * kGridRowTwips;
    out.label += "     Total Players: " + std::to_string(state.playerTotal);
  } else {
    // Rows follow the lines' positions: a skipped line leaves a gap, and the
    // grid must still reach the last player written.
    const int rows = std::max(state.rowsUsed, lastRow + 1);
    grid.SetRows(rows);
    h = rows * kGridRowTwips;
  }
  h += kGridRowTwips;
  out.gridHeight = h;
  out.windowHeight = h + 300;
  if (out.windowHeight < kMinActionHeight && state.statusLineCount > 0) out.windowHeight = kMinActionHeight;
  out.labelTop = out.windowHeight - kLabelAboveBottom;
  return out;
}
