#pragma once
// Joins the datagrams of one remote-console reply. A server sends a long
// reply in several datagrams and marks no end, so the reply is whole once no
// datagram has come for a short quiet time. The UDP socket hands every
// datagram from the console's address here, with the tick count it came at.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct RconReply {
  std::string text;
  bool cut = false;  // the reply outgrew the bound: text ends at a whole line before it
};

class RconReplyJoiner {
 public:
  // Datagrams of one reply follow each other within milliseconds.
  static constexpr uint32_t kQuietMs = 250;
  // A flood never falls quiet: a reply also ends this long after its first datagram.
  static constexpr uint32_t kLongestMs = 2000;
  // The joined text never grows past this; a status of 64 players is under 10 KiB.
  static constexpr size_t kMaxReplyBytes = 64 * 1024;

  // Takes a datagram arriving at tick count now. A print datagram (either
  // family's form) joins the reply; false for any other datagram, which is
  // not the joiner's.
  bool TakeDatagram(std::string_view datagram, uint32_t now);

  // The whole reply once it has been quiet for kQuietMs, or kLongestMs after
  // it began, or at once when the caller sees it whole; none before, and none
  // when no datagram has come.
  std::optional<RconReply> Poll(uint32_t now, bool seenWhole = false);

  bool Pending() const { return pending_; }
  // The text joined so far.
  const std::string& Text() const { return reply_.text; }

  // Drops a reply in progress (the link starts again).
  void Reset();

 private:
  void Append(std::string_view text);

  RconReply reply_;
  bool pending_ = false;
  uint32_t first_ = 0;
  uint32_t last_ = 0;
};
