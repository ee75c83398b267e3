#include "overlay/core/rcon_reply.h"

#include "overlay/core/rcon_wire.h"

bool RconReplyJoiner::TakeDatagram(std::string_view datagram, uint32_t now) {
  const ServerDatagram read = ReadServerDatagram(datagram);
  if (read.kind != DatagramKind::Print) return false;
  if (!pending_) {
    pending_ = true;
    first_ = now;
  }
  last_ = now;
  Append(read.text);
  return true;
}

// Past the bound the text is cut back to its last whole line, so that a
// reader never takes half a row for a row; what follows is dropped.
void RconReplyJoiner::Append(std::string_view text) {
  if (reply_.cut) return;
  const size_t room = kMaxReplyBytes - reply_.text.size();
  if (text.size() <= room) {
    reply_.text.append(text);
    return;
  }
  reply_.text.append(text.substr(0, room));
  const size_t lineEnd = reply_.text.rfind('\n');
  reply_.text.resize(lineEnd == std::string::npos ? 0 : lineEnd + 1);
  reply_.cut = true;
}

std::optional<RconReply> RconReplyJoiner::Poll(uint32_t now, bool seenWhole) {
  if (!pending_) return std::nullopt;
  if (!seenWhole && now - last_ < kQuietMs && now - first_ < kLongestMs) return std::nullopt;
  RconReply whole = std::move(reply_);
  Reset();
  return whole;
}

void RconReplyJoiner::Reset() {
  reply_ = RconReply();
  pending_ = false;
}
