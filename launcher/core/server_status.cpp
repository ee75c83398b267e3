#include "launcher/core/server_status.h"

#include "common/core/text.h"

namespace {

struct KeyRow {
  std::string_view key;
  size_t atMost;
  std::string ServerStatus::*field;
  bool zeroIsNoLimit = false;  // "0" sets no limit of its own and leaves the value alone
};

// Tested in this order for every pair, so a later pair overwrites an earlier
// one ("sv_maxclients" and "g_maxgameclients" fill the same value). Servers
// send "g_maxgameclients" 0 for "no game-client limit": the slots are then
// those of "sv_maxclients".
constexpr KeyRow kKeyTable[] = {
    {"sv_maxclients", 5, &ServerStatus::maxPlayers},
    {"g_maxgameclients", 5, &ServerStatus::maxPlayers, true},
    {"sv_privateclients", 5, &ServerStatus::privateSlots},
    {"timelimit", 10, &ServerStatus::timeLimit},
    {"fraglimit", 10, &ServerStatus::fragLimit},
    {"g_gametype", 20, &ServerStatus::gameType},
    {"g_gametypestring", 30, &ServerStatus::gameTypeName},
    {"mapname", 25, &ServerStatus::mapName},
    {"sv_maplist", 1000, &ServerStatus::mapList},
    {"sv_hostname", 64, &ServerStatus::hostName},
};

bool StartsWithKey(std::string_view lowerEntry, std::string_view key) {
  return lowerEntry.substr(0, key.size()) == key;
}

// A pair is taken by the longest key it starts with: "g_gametypestring" is not
// also read as "g_gametype" with the value "tring...".
bool LongerKeyMatches(std::string_view lowerEntry, const KeyRow& row) {
  for (const KeyRow& other : kKeyTable) {
    if (other.key.size() > row.key.size() && StartsWithKey(lowerEntry, other.key)) return true;
  }
  return false;
}

}  // namespace

std::string StatusRequest(std::string_view statusPrefix) { return std::string(statusPrefix) + " getstatus"; }

ServerAddress SplitServerAddress(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return {std::string(text), kDefaultStatusPort};
  return {std::string(text.substr(0, colon)), std::string(text.substr(colon + 1))};
}

bool ParsePort(std::string_view text, int& port) {
  int value = 0;
  if (!ParseInt32(TrimBlanks(text), value) || value < 1 || value > 65535) return false;
  port = value;
  return true;
}

std::vector<std::string> InfoPairs(std::string_view line) {
  std::vector<std::string> pairs;
  std::string pair;
  bool inValue = false;
  for (size_t i = 1; i < line.size(); ++i) {
    const char c = line[i];
    if (c != '\\') {
      pair += c;
    } else if (!inValue) {
      pair += ' ';
      inValue = true;
    } else {
      pairs.push_back(std::move(pair));
      pair.clear();
      inValue = false;
    }
  }
  if (!pair.empty()) pairs.push_back(std::move(pair));
  return pairs;
}

void MatchPair(std::string_view entry, ServerStatus& status) {
  const std::string lower = LowerCase(entry);
  for (const KeyRow& row : kKeyTable) {
    if (!StartsWithKey(lower, row.key) || LongerKeyMatches(lower, row)) continue;
    const std::string trimmed = TrimBlanks(entry);
    const size_t from = row.key.size() + 1;  // just after the key and its blank
    std::string value = from < trimmed.size() ? trimmed.substr(from, row.atMost) : std::string();
    if (row.zeroIsNoLimit && value == "0") continue;
    status.*row.field = std::move(value);
  }
}

ServerStatus ParseStatusReply(std::string_view reply) {
  ServerStatus status;
  std::vector<std::string>& lines = status.playerLines;
  if (!reply.empty()) lines = SplitKeepEmpty(reply, '\n');
  if (!lines.empty()) lines.erase(lines.begin());
  if (!lines.empty()) {
    status.infoPairs = InfoPairs(lines.front());
    lines.erase(lines.begin());
  }
  for (const std::string& pair : status.infoPairs) MatchPair(pair, status);
  status.mapList = TrimBlanks(status.mapList);
  return status;
}
