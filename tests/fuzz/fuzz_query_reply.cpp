// The status reply joiner and reader: the input is datagrams separated by
// zero bytes, fed to one joiner. Whatever the bytes, the bytes kept stay
// within the limit, a complete reply stays complete and is all that is
// joined, and the reader keeps every value within its limits.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "launcher/core/query_reply.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

void CheckServer(std::string_view reply) {
  const QueryReplyServer s = ParseQueryReply(reply);
  for (const std::string* text : {&s.hostName, &s.mapName, &s.gameType, &s.gameVersion}) {
    FUZZ_CHECK(text->size() <= kMaxQueryReplyText);
  }
  FUZZ_CHECK(s.hostPort >= 0 && s.hostPort <= 65535);
  FUZZ_CHECK(s.numPlayers >= 0 && s.maxPlayers >= 0);
  FUZZ_CHECK(s.players.size() <= static_cast<size_t>(kMaxQueryReplyPlayers));
  for (size_t i = 0; i < s.players.size(); ++i) {
    FUZZ_CHECK(s.players[i].name.size() <= kMaxQueryReplyText);
    FUZZ_CHECK(s.players[i].number >= 0 && s.players[i].number < kMaxQueryReplyPlayers);
    FUZZ_CHECK(i == 0 || s.players[i - 1].number < s.players[i].number);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  QueryReplyJoiner joiner;
  bool complete = false;
  size_t at = 0;
  while (at <= input.size()) {
    const size_t end = std::min(input.find('\0', at), input.size());
    const std::string_view datagram = input.substr(at, end - at);
    const bool now = joiner.Take(datagram);
    FUZZ_CHECK(now == joiner.Complete());
    FUZZ_CHECK(!complete || now);
    complete = now;
    FUZZ_CHECK(joiner.BytesKept() <= kMaxReplyBytes);
    CheckServer(datagram);
    at = end + 1;
  }
  const std::string joined = joiner.Joined();
  FUZZ_CHECK(complete || joined.empty());
  FUZZ_CHECK(joined.size() <= joiner.BytesKept());
  CheckServer(joined);
  return 0;
}
