#pragma once
// Decodes inspection records the way the overlay does and asserts what must
// hold after every record, whatever its bytes: the grid stays within its rows and
// columns, every key sits on its client's row, the heights follow the rows,
// and rows of players who left are empty.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "common/core/text.h"
#include "overlay/core/inspection_record.h"
#include "overlay/core/overlay_layout.h"
#include "tests/fuzz/fuzz_check.h"

// The mode byte of an input: "Mini ShowAll" 0, 1 or another value, of which
// only 1 means all data.
inline GridMode ModeOf(uint8_t byte) { return byte % 3 == 1 ? GridMode::AllData : GridMode::NamesOnly; }

struct InspectionRecordDecoder {
  GridModel grid;
  PlayerGridState state;

  explicit InspectionRecordDecoder(GridMode mode) {
    state.mode = mode;
    SetupGridHeadings(grid, mode);
  }

  bool AllData() const { return state.mode == GridMode::AllData; }

  void Decode(const std::string& body) {
    DecodeInspectionRecord(body, grid, state);
    CheckLayout(body, HeightsAfterRecord(grid.Rows(), state.recordLineCount), LastUpdateLine(state, "12:00:00"));
    CheckRows();
  }

  void CheckLayout(const std::string& body, const ActionWindowHeights& layout, const std::string& messageLine) const {
    const size_t lines = static_cast<size_t>(std::count(body.begin(), body.end(), '\n')) + 1;
    FUZZ_CHECK(state.recordLines.size() == (lines > 4 ? lines - 4 : 0));
    FUZZ_CHECK(state.recordLineCount == static_cast<int>(state.recordLines.size()));
    FUZZ_CHECK(grid.Cols() == (AllData() ? 7 : 2));
    FUZZ_CHECK(grid.Rows() >= 1 && grid.Rows() < kDecodeRows + 1);
    // Names only: rows follow line positions, so skipped lines leave gaps.
    FUZZ_CHECK(AllData() ? grid.Rows() == state.topRow : grid.Rows() >= state.rowsUsed);
    FUZZ_CHECK(state.gridClients.size() == static_cast<size_t>(state.rowsUsed - 1));
    FUZZ_CHECK(!AllData() || state.playerTotal == state.rowsUsed - 1);
    FUZZ_CHECK(layout.gridHeight == (grid.Rows() + 1) * kGridRowTwips);
    FUZZ_CHECK(layout.windowHeight >= layout.gridHeight + 300);
    FUZZ_CHECK(layout.windowHeight == layout.gridHeight + 300 || layout.windowHeight == kMinActionHeight);
    FUZZ_CHECK(layout.messageLineTop == layout.windowHeight - kMessageLineAboveBottom);
    FUZZ_CHECK(messageLine.rfind("Last Update - 12:00:00", 0) == 0);
    FUZZ_CHECK(grid.Text(0, 0) == "Key" && grid.Text(0, 1) == "Name");
  }

  bool Listed(int row) const {
    const std::vector<std::string>& clients = state.gridClients;
    return std::find(clients.begin(), clients.end(), std::to_string(row)) != clients.end();
  }

  void CheckRows() const {
    // Client numbers have three digits; in all-data mode each has its row.
    for (const std::string& n : state.gridClients) {
      int client = 0;
      FUZZ_CHECK(ParseInt32(n, client) && client >= 1 && client <= (AllData() ? kDecodeRows - 1 : 1000));
    }
    for (int r = 1; r < grid.Rows(); ++r) {
      const std::string key = grid.Text(r, 0);
      if (AllData()) {
        // A row belongs to one client: its key is that client's, or none past
        // 35; the row of a client missing from the record is empty.
        FUZZ_CHECK(Listed(r) ? key == KeyCharacter(r - 1) : RowEmpty(r));
      } else {
        FUZZ_CHECK(key.size() <= 1);
      }
    }
  }

  bool RowEmpty(int row) const {
    for (int c = 0; c < grid.Cols(); ++c) {
      if (!grid.Text(row, c).empty()) return false;
    }
    return true;
  }
};
