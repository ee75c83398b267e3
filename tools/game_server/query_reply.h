#pragma once
// What the game-server stand-in answers on its query port, and what it sends
// its master from there: a stand-in server's query reply, split into parts as
// the game's servers do, and its heartbeats. Platform-free.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "launcher/core/gamespy_games.h"

using KeyValues = std::vector<std::pair<std::string, std::string>>;

struct StandInPlayer {
  std::string name;
  int frags = 0, deaths = 0, ping = 0;
};

struct StandInServer {
  const GameSpyGame* game = &kGameSpyGames[0];
  KeyValues basic, info, rules;  // in the order sent
  std::vector<StandInPlayer> players;
};

// Stand-in server number `index` (from 0) of a run: its name, map, player
// count and password follow from the number, so tests know what to expect.
StandInServer MakeStandInServer(int index, int gamePort, const GameSpyGame& game);

// The answer to one datagram on the query port, as the datagrams to send in
// part order: "\status\" (everything), "\basic\", "\info\", "\rules\",
// "\players\" in any combination, and "\secure\<challenge>" with "\validate\".
// Each part ends "\queryid\<queryId>.<part>", the last with "\final\" before
// it; the pairs are shared out over `parts` parts. Nothing for anything else.
std::vector<std::string> AnswerQuery(const StandInServer& server, std::string_view datagram, int queryId, int parts);

// The heartbeat sent to the master from the query port.
std::string Heartbeat(int queryPort, const GameSpyGame& game, bool stateChanged);
