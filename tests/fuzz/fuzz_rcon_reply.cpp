// The remote console's reply joiner. The input is a series of steps:
//   byte a, byte b, then a bytes
//     b < 128   those bytes arrive as one datagram, b ms after the last step;
//               b odd: behind a print prefix of either family, repeated up to
//               (b / 2 + 1) KiB so that large and many datagrams are cheap
//     else      a poll, (b - 128) * 8 ms later; the a bytes are skipped
// Whatever arrives: every reply stays within the bound, a reply that was not
// cut is exactly the print texts taken since the last one, a cut reply ends
// at a whole line, and nothing comes out that no datagram brought.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "overlay/core/rcon_reply.h"
#include "overlay/core/rcon_wire.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::string Datagram(std::string_view bytes, uint8_t b) {
  if (b % 2 == 0) return std::string(bytes);
  std::string datagram = b % 4 == 1 ? std::string("\xFF\xFF\xFF\xFFprint\n") : std::string("\xFF\xFF\xFF\xFF\x01print\n");
  const size_t target = (b / 2u + 1u) * 1024u;
  do {
    datagram.append(bytes);
  } while (!bytes.empty() && datagram.size() < target);
  return datagram;
}

class JoinerRun {
 public:
  // Enough of the texts taken to tell a reply that had to be cut.
  static constexpr size_t kKept = RconReplyJoiner::kMaxReplyBytes + 1;

  void Arrive(const std::string& datagram) {
    const bool taken = joiner_.TakeDatagram(datagram, now_);
    const ServerDatagram read = ReadServerDatagram(datagram);
    FUZZ_CHECK(taken == (read.kind == DatagramKind::Print));
    if (taken) {
      const size_t keep = kKept - std::min(expected_.size(), kKept);
      expected_.append(read.text.substr(0, keep));
      FUZZ_CHECK(joiner_.Pending());
    }
  }

  void Poll() {
    const bool pending = joiner_.Pending();
    const auto reply = joiner_.Poll(now_);
    FUZZ_CHECK(!reply || pending);
    if (!reply) return;
    FUZZ_CHECK(!joiner_.Pending());
    FUZZ_CHECK(reply->text.size() <= RconReplyJoiner::kMaxReplyBytes);
    if (reply->cut) {
      FUZZ_CHECK(expected_.size() > RconReplyJoiner::kMaxReplyBytes);
      FUZZ_CHECK(reply->text.empty() || reply->text.back() == '\n');
      FUZZ_CHECK(expected_.compare(0, reply->text.size(), reply->text) == 0);
    } else {
      FUZZ_CHECK(reply->text == expected_);
    }
    expected_.clear();
  }

  void Advance(uint32_t ms) { now_ += ms; }

 private:
  RconReplyJoiner joiner_;
  std::string expected_;
  uint32_t now_ = 0xFFFFF000u;  // the tick count wraps during the run
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  JoinerRun run;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  while (input.size() >= 2) {
    const uint8_t a = static_cast<uint8_t>(input[0]), b = static_cast<uint8_t>(input[1]);
    input.remove_prefix(2);
    const std::string_view bytes = input.substr(0, a);
    input.remove_prefix(bytes.size());
    if (b < 128) {
      run.Advance(b);
      run.Arrive(Datagram(bytes, b));
    } else {
      run.Advance((b - 128u) * 8u);
      run.Poll();
    }
  }
  run.Advance(RconReplyJoiner::kLongestMs);
  run.Poll();
  return 0;
}
