// The inspection record: the first byte picks the mode ("Mini ShowAll" 0, 1 or
// another value), the rest is several record bodies in a row, separated by the
// byte 0x01, decoded one after the other into the same grid.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/core/text.h"
#include "tests/fuzz/inspection_checks.h"

namespace {

// Stands in for the dump analysis: it writes the columns only it fills, so the
// next record shows whether they stayed with the right player.
void MarkDumpColumns(InspectionRecordDecoder& d) {
  for (int r = 1; r < d.grid.Rows(); ++r) {
    if (!d.RowEmpty(r)) d.grid.SetText(r, 4, "mark:" + d.grid.Text(r, 1), CellAlign::Center);
  }
}

// A row keeps its dump columns only while it holds the same name.
void CheckDumpColumnsKept(const InspectionRecordDecoder& d) {
  for (int r = 1; r < d.grid.Rows(); ++r) {
    const std::string mark = d.grid.Text(r, 4);
    FUZZ_CHECK(mark.empty() || mark == "mark:" + d.grid.Text(r, 1));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  InspectionRecordDecoder d(ModeOf(data[0]));
  const std::string_view records(reinterpret_cast<const char*>(data) + 1, size - 1);
  for (const std::string& body : SplitKeepEmpty(records, '\x01')) {
    d.Decode(body);
    if (d.AllData()) {
      CheckDumpColumnsKept(d);
      MarkDumpColumns(d);
    }
  }
  return 0;
}
