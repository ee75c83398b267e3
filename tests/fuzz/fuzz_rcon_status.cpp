// The remote console's "status" reader and the grid it fills. The first byte
// picks the grid mode; the rest is the reply text. Whatever the text: each
// client is read once and within range, every field is a single word but the
// name, no name keeps an outer blank, and the grid the players fill stays
// within its rows.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "overlay/core/rcon_status.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/inspection_checks.h"

namespace {

bool IsWord(const std::string& s) {
  return !s.empty() && s.find(' ') == std::string::npos && s.find('\n') == std::string::npos;
}

void CheckPlayers(const RconStatus& status) {
  std::vector<bool> seen(1000);
  FUZZ_CHECK(status.players.size() <= seen.size());
  for (const RconPlayer& p : status.players) {
    FUZZ_CHECK(p.client >= 0 && p.client < 1000 && !seen[static_cast<size_t>(p.client)]);
    seen[static_cast<size_t>(p.client)] = true;
    FUZZ_CHECK(IsWord(p.ping) && IsWord(p.address));
    FUZZ_CHECK(p.host.find(' ') == std::string::npos && p.address.find(p.host) != std::string::npos);
    FUZZ_CHECK(p.address.find('^') == std::string::npos);
    FUZZ_CHECK(p.name.empty() || (p.name.front() != ' ' && p.name.back() != ' '));
    FUZZ_CHECK(p.name.find('\n') == std::string::npos);
  }
}

void CheckGrid(const RconStatus& status, GridMode mode) {
  GridModel grid;
  PlayerGridState state;
  state.mode = mode;
  SetupGridHeadings(grid, mode);
  ShowPlayerRows(GridPlayers(status), grid, state);
  FUZZ_CHECK(grid.Rows() >= 1 && grid.Rows() <= kConsoleRows);
  FUZZ_CHECK(state.recordLineCount == static_cast<int>(status.players.size()));
  FUZZ_CHECK(state.gridClients.size() == static_cast<size_t>(state.rowsUsed - 1));
  for (int r = 1; r < grid.Rows(); ++r) {
    const std::string key = grid.Text(r, kKeyCol);
    if (mode != GridMode::AllData || key.empty()) continue;
    const bool nextPage = key[0] == kNextPageMark;
    const std::optional<int> client = ClientOfKeyCharacter(key.back());
    FUZZ_CHECK(key.size() == (nextPage ? 2u : 1u) && client && *client + (nextPage ? kKeysPerPage : 0) == r - 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const auto status = ReadRconStatus(text);
  if (!status) return 0;
  FUZZ_CHECK(status->map.find('\n') == std::string::npos);
  CheckPlayers(*status);
  CheckGrid(*status, ModeOf(data[0]));
  return 0;
}
