#include "tools/game_server/query_reply.h"

#include <algorithm>

#include "launcher/core/server_status.h"

namespace {

constexpr const char* kMaps[] = {"obj/obj_team2", "dm/mohdm6", "obj/obj_team4", "dm/mohdm2", "obj/obj_team1"};
constexpr const char* kGameTypes[] = {"Objective-Match", "Free-For-All", "Objective-Match", "Team-Match",
                                      "Objective-Match"};
constexpr const char* kPlayerNames[] = {"Sgt Baker", "Cpl Dawes", "Pvt Able", "Lt Hale", "Pfc Moss", "Sgt Kerr"};

void Add(KeyValues& to, const KeyValues& from) { to.insert(to.end(), from.begin(), from.end()); }

KeyValues PlayerPairs(const std::vector<StandInPlayer>& players) {
  KeyValues pairs;
  for (size_t i = 0; i < players.size(); ++i) {
    const std::string n = std::to_string(i);
    pairs.push_back({"player_" + n, players[i].name});
    pairs.push_back({"frags_" + n, std::to_string(players[i].frags)});
    pairs.push_back({"deaths_" + n, std::to_string(players[i].deaths)});
    pairs.push_back({"ping_" + n, std::to_string(players[i].ping)});
  }
  return pairs;
}

std::string PairText(const std::pair<std::string, std::string>& pair) { return "\\" + pair.first + "\\" + pair.second; }

}  // namespace

StandInServer MakeStandInServer(int index, int gamePort, const GameSpyGame& game) {
  StandInServer s;
  s.game = &game;
  const size_t pick = static_cast<size_t>(index) % std::size(kMaps);
  const int playerCount = index % 5;
  const bool password = index % 4 == 3;
  for (int i = 0; i < playerCount; ++i) {
    s.players.push_back({kPlayerNames[static_cast<size_t>(index + i) % std::size(kPlayerNames)], 20 - 3 * i,
                         i + index % 3, 40 + 15 * i + index % 50});
  }
  s.basic = {{"gamename", game.gameName}, {"gamever", "1.11"}, {"location", "0"}};
  s.info = {{"hostname", "Kestrun stand-in " + std::to_string(index + 1)},
            {"hostport", std::to_string(gamePort)},
            {"mapname", kMaps[pick]},
            {"gametype", kGameTypes[pick]},
            {"numplayers", std::to_string(playerCount)},
            {"maxplayers", index % 2 ? "32" : "20"},
            {"gamemode", "openplaying"}};
  s.rules = {{"timelimit", "25"}, {"fraglimit", "0"}, {"password", password ? "1" : "0"}};
  return s;
}

std::vector<std::string> AnswerQuery(const StandInServer& server, std::string_view datagram, int queryId, int parts) {
  KeyValues pairs;
  bool understood = false;
  for (const std::string& entry : InfoPairs(datagram)) {
    const std::string key = entry.substr(0, entry.find(' '));
    const std::string value = entry.size() > key.size() ? entry.substr(key.size() + 1) : std::string();
    if (key == "status") {
      Add(pairs, server.basic);
      Add(pairs, server.info);
      Add(pairs, server.rules);
      Add(pairs, PlayerPairs(server.players));
    } else if (key == "basic") {
      Add(pairs, server.basic);
    } else if (key == "info") {
      Add(pairs, server.info);
    } else if (key == "rules") {
      Add(pairs, server.rules);
    } else if (key == "players") {
      Add(pairs, PlayerPairs(server.players));
    } else if (key == "secure") {
      pairs.push_back({"validate", ChallengeAnswer(server.game->key, value)});
    } else {
      continue;
    }
    understood = true;
  }
  if (!understood || datagram.empty() || datagram.front() != '\\') return {};
  // At least one pair in each part, so a part is never empty.
  const size_t count = std::clamp<size_t>(static_cast<size_t>(std::max(parts, 1)), 1, std::max<size_t>(pairs.size(), 1));
  std::vector<std::string> datagrams(count);
  for (size_t i = 0; i < pairs.size(); ++i) datagrams[i * count / pairs.size()] += PairText(pairs[i]);
  for (size_t part = 0; part < count; ++part) {
    if (part + 1 == count) datagrams[part] += "\\final\\";
    datagrams[part] += "\\queryid\\" + std::to_string(queryId) + "." + std::to_string(part + 1);
  }
  return datagrams;
}

std::string Heartbeat(int queryPort, const GameSpyGame& game, bool stateChanged) {
  return "\\heartbeat\\" + std::to_string(queryPort) + "\\gamename\\" + game.gameName +
         (stateChanged ? "\\statechanged\\" : "");
}
