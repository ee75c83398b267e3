// The game server's status reply, its information line, the overlay's map menu
// built from its map list, and the server field's address: whatever the bytes,
// values keep their length limits, player lines come through unchanged, every
// map line holds one map under a letter, and the address splits back into what
// was typed.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/core/server_status.h"
#include "overlay/core/map_list.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Lines 3 and on of the reply, exactly as sent.
std::string_view PlayerPart(std::string_view reply, bool& present) {
  const size_t first = reply.find('\n');
  const size_t second = first == std::string_view::npos ? first : reply.find('\n', first + 1);
  present = second != std::string_view::npos;
  return present ? reply.substr(second + 1) : std::string_view();
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) out += (i ? "\n" : "") + lines[i];
  return out;
}

// The map list travels through "Mini MapList" to the overlay's map menu.
void CheckMapLines(const std::string& mapList) {
  const std::vector<std::string> lines = BuildMapLines(mapList);
  FUZZ_CHECK(!lines.empty() && lines.back() == "Z - Cancel");
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    const std::string& line = lines[i];
    FUZZ_CHECK(line.size() > 4 && line[0] >= 'A' && line[0] <= 'T' && line.compare(1, 3, " - ") == 0);
    FUZZ_CHECK(line.find_first_of(", ", 4) == std::string::npos);
  }
}

void CheckReply(std::string_view reply) {
  const ServerStatus s = ParseStatusReply(reply);
  FUZZ_CHECK(s.maxPlayers.size() <= 5 && s.privateSlots.size() <= 5);
  FUZZ_CHECK(s.timeLimit.size() <= 10 && s.fragLimit.size() <= 10);
  FUZZ_CHECK(s.gameType.size() <= 20 && s.gameTypeName.size() <= 30);
  FUZZ_CHECK(s.mapName.size() <= 25 && s.mapList.size() <= 1000);
  FUZZ_CHECK(s.mapList.empty() || (s.mapList.front() != ' ' && s.mapList.back() != ' '));
  bool players = false;
  const std::string_view tail = PlayerPart(reply, players);
  FUZZ_CHECK(players ? JoinLines(s.playerLines) == tail : s.playerLines.empty());
  CheckMapLines(s.mapList);
}

void CheckInfoLine(std::string_view line) {
  size_t total = 0;
  for (const std::string& pair : InfoPairs(line)) {
    FUZZ_CHECK(!pair.empty() && pair.find('\\') == std::string::npos);
    total += pair.size();
  }
  FUZZ_CHECK(total <= line.size());
}

void CheckAddress(std::string_view text) {
  const ServerAddress a = SplitServerAddress(text);
  if (text.find(':') == std::string_view::npos) {
    FUZZ_CHECK(a.host == text && a.port == kDefaultStatusPort);
  } else {
    FUZZ_CHECK(a.host.find(':') == std::string::npos && a.host + ":" + a.port == text);
  }
  int port = 0;
  if (ParsePort(a.port, port)) FUZZ_CHECK(port >= 1 && port <= 65535);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckReply(input);
  CheckInfoLine(input.substr(0, input.find('\n')));
  CheckAddress(input.substr(0, 64));
  return 0;
}
