#include "launcher/core/query_reply.h"

#include <algorithm>
#include <utility>

#include "common/core/text.h"
#include "launcher/core/server_status.h"

namespace {

// InfoPairs gives each pair as key, one blank, value; keys hold no blank.
std::pair<std::string_view, std::string_view> SplitPair(std::string_view pair) {
  const size_t blank = pair.find(' ');
  if (blank == std::string_view::npos) return {pair, {}};
  return {pair.substr(0, blank), pair.substr(blank + 1)};
}

struct Part {
  std::string id;
  int number = 1;
  bool last = false;
  std::string pairs;  // "\key\value..." without "queryid" and "final"
};

// "<id>.<part>"; without a dot the whole value is the id of part 1.
bool ReadQueryId(std::string_view value, Part& part) {
  const size_t dot = value.rfind('.');
  if (dot == std::string_view::npos) {
    part.id = std::string(value);
    part.number = 1;
    return true;
  }
  part.id = std::string(value.substr(0, dot));
  return ParseInt32(value.substr(dot + 1), part.number) && part.number >= 1 && part.number <= kMaxReplyParts;
}

bool ReadPart(std::string_view datagram, Part& part) {
  if (datagram.empty() || datagram.front() != '\\') return false;
  bool hasQueryId = false;
  std::string_view queryId;
  const std::vector<std::string> pairs = InfoPairs(datagram);  // queryId points into it
  for (const std::string& pair : pairs) {
    const auto [key, value] = SplitPair(pair);
    if (key == "final") {
      part.last = true;
    } else if (key == "queryid") {
      hasQueryId = true;
      queryId = value;
    } else {
      part.pairs.append("\\").append(key).append("\\").append(value);
    }
  }
  if (!hasQueryId) {
    part.last = true;  // a reply in one datagram needs no numbering
    return true;
  }
  return ReadQueryId(queryId, part);
}

int NumberOrZero(std::string_view text) {
  int value = 0;
  return ParseInt32(TrimBlanksView(text), value) ? value : 0;
}

std::string Shown(std::string_view text) { return std::string(text.substr(0, kMaxQueryReplyText)); }

// "player_12" gives 12 for the prefix "player_"; -1 for anything else.
int PlayerNumber(std::string_view key, std::string_view prefix) {
  if (key.substr(0, prefix.size()) != prefix) return -1;
  const std::string_view digits = key.substr(prefix.size());
  if (digits.empty() || digits.size() > 2 || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return -1;
  }
  const int n = NumberOrZero(digits);
  return n < kMaxQueryReplyPlayers ? n : -1;
}

}  // namespace

bool IsQueryReplyPart(std::string_view datagram) {
  Part part;
  return ReadPart(datagram, part);
}

bool QueryReplyJoiner::Take(std::string_view datagram) {
  if (Complete()) return true;
  Part part;
  if (!ReadPart(datagram, part)) return false;
  if (haveId_ && part.id != queryId_) return false;  // another reply's part
  const size_t index = static_cast<size_t>(part.number - 1);
  if (present_[index]) return false;  // repeats change nothing
  if (finalPart_ != 0 && (part.number > finalPart_ || part.last)) return false;
  if (part.last && std::any_of(present_.begin() + part.number, present_.end(), [](bool p) { return p; })) return false;
  if (bytesKept_ + part.pairs.size() > kMaxReplyBytes) return false;
  haveId_ = true;
  queryId_ = std::move(part.id);
  if (part.last) finalPart_ = part.number;
  present_[index] = true;
  bytesKept_ += part.pairs.size();
  parts_[index] = std::move(part.pairs);
  return Complete();
}

bool QueryReplyJoiner::Complete() const {
  return finalPart_ != 0 && std::all_of(present_.begin(), present_.begin() + finalPart_, [](bool p) { return p; });
}

std::string QueryReplyJoiner::Joined() const {
  std::string joined;
  if (!Complete()) return joined;
  for (int i = 0; i < finalPart_; ++i) joined += parts_[static_cast<size_t>(i)];
  return joined;
}

QueryReplyServer ParseQueryReply(std::string_view reply) {
  QueryReplyServer server;
  std::array<bool, kMaxQueryReplyPlayers> seen{};
  std::array<QueryReplyPlayer, kMaxQueryReplyPlayers> players{};
  if (reply.empty() || reply.front() != '\\') return server;
  for (const std::string& pair : InfoPairs(reply)) {
    const auto [rawKey, value] = SplitPair(pair);
    const std::string key = LowerCase(rawKey.substr(0, 32));
    if (key == "hostname") server.hostName = Shown(value);
    else if (key == "mapname") server.mapName = Shown(value);
    else if (key == "gametype") server.gameType = Shown(value);
    else if (key == "gamever") server.gameVersion = Shown(value);
    else if (key == "hostport") {
      if (!ParsePort(value, server.hostPort)) server.hostPort = 0;
    } else if (key == "numplayers") server.numPlayers = std::max(0, NumberOrZero(value));
    else if (key == "maxplayers") server.maxPlayers = std::max(0, NumberOrZero(value));
    else if (key == "password") server.password = NumberOrZero(value) != 0;
    else if (int n = PlayerNumber(key, "player_"); n >= 0) {
      seen[static_cast<size_t>(n)] = true;
      players[static_cast<size_t>(n)].name = Shown(value);
    } else if (int f = PlayerNumber(key, "frags_"); f >= 0) players[static_cast<size_t>(f)].frags = NumberOrZero(value);
    else if (int d = PlayerNumber(key, "deaths_"); d >= 0) players[static_cast<size_t>(d)].deaths = NumberOrZero(value);
    else if (int p = PlayerNumber(key, "ping_"); p >= 0) players[static_cast<size_t>(p)].ping = NumberOrZero(value);
  }
  for (int n = 0; n < kMaxQueryReplyPlayers; ++n) {
    if (!seen[static_cast<size_t>(n)]) continue;
    QueryReplyPlayer player = std::move(players[static_cast<size_t>(n)]);
    player.number = n;
    server.players.push_back(std::move(player));
  }
  return server;
}
