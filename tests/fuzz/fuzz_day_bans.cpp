// The day-ban file's reader. Whatever the text: every ban read holds an
// address a ban can hold, each address once, and writing the bans and
// reading them back gives the same bans.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "overlay/core/day_bans.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::vector<DayBan> bans = ReadDayBans(text);
  std::set<std::string> addresses;
  for (const DayBan& ban : bans) {
    FUZZ_CHECK(IsBannableAddress(ban.address));
    FUZZ_CHECK(addresses.insert(ban.address).second);
    FUZZ_CHECK(ban.name.find_first_of("\t\n") == std::string::npos);
    FUZZ_CHECK(ParseUtcTime(UtcTimeText(ban.end)) == ban.end);
  }
  const std::vector<DayBan> again = ReadDayBans(WriteDayBans(bans));
  FUZZ_CHECK(again.size() == bans.size());
  for (size_t i = 0; i < bans.size() && i < again.size(); ++i) {
    FUZZ_CHECK(again[i].address == bans[i].address && again[i].end == bans[i].end);
    FUZZ_CHECK(again[i].serverBan == bans[i].serverBan);
    FUZZ_CHECK(again[i].name.size() == bans[i].name.size() && again[i].name.find('\r') == std::string::npos);
  }
  return 0;
}
