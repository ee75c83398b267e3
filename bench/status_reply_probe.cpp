// Prints what taking a game server's status reply apart costs natively: a full
// reply of 64 players with a 1000-character map rotation, and a datagram of
// 64 KiB of arbitrary bytes, the most one UDP reply can carry.
#include <chrono>
#include <random>
#include <string>

#include "bench/machine.h"
#include "launcher/core/server_status.h"

namespace {

std::string FullReply() {
  std::string maps;
  for (int i = 0; maps.size() < 1000; ++i) maps += (i % 2 ? "obj/obj_team" : "dm/mohdm") + std::to_string(i % 7 + 1) + " ";
  maps.resize(1000);
  std::string reply = "\xFF\xFF\xFF\xFFstatusResponse\n";
  reply += "\\sv_hostname\\Kestrun bench server\\sv_maxclients\\64\\g_maxGameClients\\64\\sv_privateClients\\4"
           "\\g_gametype\\4\\g_gametypestring\\Objective\\timelimit\\25\\fraglimit\\0\\mapname\\obj/obj_team2"
           "\\sv_maplist\\" + maps + "\n";
  for (int p = 0; p < 64; ++p) {
    reply += std::to_string(p * 3) + " " + std::to_string(40 + p) + " \"Player number " + std::to_string(p) + "\"\n";
  }
  return reply;
}

std::string RandomBytes(size_t size) {
  std::mt19937 random(8);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

volatile size_t parsedLines;  // keeps the parses from being optimised away

// Mean microseconds per parse over runs parses.
double MicrosPerParse(const std::string& reply, int runs) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < runs; ++i) parsedLines = ParseStatusReply(reply).playerLines.size();
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / runs;
}

}  // namespace

int main() {
  const std::string machine = MachineName();
  const std::string full = FullReply();
  const ServerStatus parsed = ParseStatusReply(full);
  if (parsed.playerLines.size() != 65 || parsed.mapList.size() != 1000 || parsed.maxPlayers != "64") {
    return MeasuredNothing("the bench reply did not parse as a full reply");
  }
  BenchRow("status reply, 64 players, 1000-character map list", Figure("%.2f us", MicrosPerParse(full, 20000)),
           "report", machine);
  BenchRow("status reply, 64 KiB of random bytes", Figure("%.2f us", MicrosPerParse(RandomBytes(65507), 2000)),
           "report", machine);
  return 0;
}
