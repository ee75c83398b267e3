// The dump record: the first byte picks the mode ("Mini ShowAll" 0, 1 or
// another value); the rest is an inspection record body, the byte 0x01, then a
// dump body. The inspection record fills the grid, the dump's verdict goes into
// it, and only the verdict's cells of the named player's row may change.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "overlay/core/dump_analysis.h"
#include "tests/fuzz/inspection_checks.h"

namespace {

constexpr std::string_view kCodeCharacters = "ALMFNGHRDBTSEZdWcbaUXVQefghjkmnprstuvwxyziqY12";

bool VerdictCell(int col) { return col == kIpCol || col == kHackCodeCol || col == kAlliedSkinsCol || col == kAxisSkinsCol; }

void CheckAnalysis(std::string_view body, const DumpAnalysis& a) {
  const size_t lines = static_cast<size_t>(std::count(body.begin(), body.end(), '\n')) + 1;
  FUZZ_CHECK(a.lines.size() == std::min(lines, kMaxListedLines));
  FUZZ_CHECK(a.hackCode.find_first_not_of(kCodeCharacters) == std::string::npos);
  FUZZ_CHECK(a.okCount >= 0 && static_cast<size_t>(a.okCount) <= lines);
  FUZZ_CHECK(RemoveKnownPrefixes(a.hackCode).size() <= a.hackCode.size());
}

// Only the verdict's cells of the player's row change, and only to what the
// verdict writes.
void CheckGrid(const GridModel& before, const GridModel& after, const DumpAnalysis& a) {
  FUZZ_CHECK(before.Rows() == after.Rows() && before.Cols() == after.Cols());
  const int row = a.name.empty() ? -1 : FindPlayerRow(before, a.name);
  for (int r = 0; r < after.Rows(); ++r) {
    for (int c = 0; c < after.Cols(); ++c) {
      const std::string now = after.Text(r, c);
      if (r == row && GridShowsVerdicts(after) && VerdictCell(c)) continue;
      FUZZ_CHECK(now == before.Text(r, c));
    }
  }
  if (row < 0 || !GridShowsVerdicts(after)) return;
  const std::string code = after.Text(row, kHackCodeCol);
  FUZZ_CHECK(code == before.Text(row, kHackCodeCol) || code == "MAC" || code == "(HC)" ||
             code == RemoveKnownPrefixes(a.hackCode));
  FUZZ_CHECK(after.Text(row, kAlliedSkinsCol) == a.alliedModel);
  FUZZ_CHECK(after.Text(row, kAxisSkinsCol) == a.axisModel);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  InspectionRecordDecoder d(ModeOf(data[0]));
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t cut = rest.find('\x01');
  const std::string inspection(cut == std::string_view::npos ? std::string_view() : rest.substr(0, cut));
  const std::string dump(cut == std::string_view::npos ? rest : rest.substr(cut + 1));
  d.Decode(inspection);

  const DumpAnalysis a = AnalyseDump(dump);
  CheckAnalysis(dump, a);
  const GridModel before = d.grid;
  if (StartVerdict(a, d.grid)) FinishVerdict(a, d.grid);
  CheckGrid(before, d.grid, a);
  return 0;
}
