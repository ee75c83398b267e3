#pragma once
// A game server's answer on its query port: the parts of one reply joined in
// order, and the joined reply taken apart into what the server list shows.
// Platform-free.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// What the server list sends to a query port.
constexpr std::string_view kQueryRequest = "\\status\\";

// Parts numbered beyond this, and bytes beyond this over all parts, are
// dropped: a reply that needs them never completes.
constexpr int kMaxReplyParts = 32;
constexpr size_t kMaxReplyBytes = 64 * 1024;

// Joins the datagrams of one reply. Each part ends "\queryid\<id>.<part>",
// the last one has "\final\" before it; parts may come in any order and more
// than once. A datagram without "\queryid\" is a whole reply by itself.
class QueryReplyJoiner {
 public:
  // Returns true once the reply is complete: the part with "\final\" and
  // every part before it have arrived.
  bool Take(std::string_view datagram);
  bool Complete() const;
  // The key/value pairs of parts 1 to the last, in order, without
  // "queryid" and "final"; empty until complete.
  std::string Joined() const;
  size_t BytesKept() const { return bytesKept_; }

 private:
  bool haveId_ = false;
  std::string queryId_;
  int finalPart_ = 0;  // 0 until the part with "\final\" came
  size_t bytesKept_ = 0;
  std::array<bool, kMaxReplyParts> present_{};
  std::array<std::string, kMaxReplyParts> parts_;
};

// Whether a datagram reads as a part of a query reply (or a whole one).
bool IsQueryReplyPart(std::string_view datagram);

// Kept per player number from 0; numbers past this are not shown.
constexpr int kMaxQueryReplyPlayers = 64;
// Longest text kept of a value.
constexpr size_t kMaxQueryReplyText = 64;

struct QueryReplyPlayer {
  int number = 0;  // N of "player_N"
  std::string name;
  int frags = 0, deaths = 0, ping = 0;
};

struct QueryReplyServer {
  std::string hostName, mapName, gameType, gameVersion;
  int hostPort = 0;  // the game port; 0 when the reply gives none that is a port
  int numPlayers = 0, maxPlayers = 0;
  bool password = false;
  std::vector<QueryReplyPlayer> players;  // by number; those with a "player_N" key
};

// Any bytes are safe; keys are compared in lower case and a later pair of
// the same key wins.
QueryReplyServer ParseQueryReply(std::string_view reply);
