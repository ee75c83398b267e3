#include "tools/game_server/status_reply.h"

DemoServerState DemoServer() {
  DemoServerState s;
  s.info = {
      {"sv_hostname", "Kestrun demo server"},
      {"sv_maxclients", "20"},
      {"g_maxGameClients", "20"},
      {"sv_privateClients", "2"},
      {"g_gametype", "4"},
      {"g_gametypestring", "Objective"},
      {"timelimit", "25"},
      {"fraglimit", "0"},
      {"mapname", "obj/obj_team2"},
      {"sv_maplist", "obj/obj_team1 obj/obj_team2 obj/obj_team3 obj/obj_team4 dm/mohdm6"},
  };
  s.players = {"12 48 \"Sgt Baker\"", "7 65 \"Cpl Dawes\"", "3 120 \"Pvt Able\""};
  return s;
}

std::string StatusReply(const DemoServerState& state) {
  std::string reply = "\xFF\xFF\xFF\xFFstatusResponse\n";
  for (const auto& [key, value] : state.info) reply += "\\" + key + "\\" + value;
  reply += "\n";
  for (const std::string& player : state.players) reply += player + "\n";
  return reply;
}

namespace {

// Four bytes 0xFF, then word after any control characters and blanks, ending
// the datagram or followed by one of them.
bool IsRequestFor(std::string_view datagram, std::string_view word) {
  if (datagram.substr(0, 4) != std::string_view("\xFF\xFF\xFF\xFF", 4)) return false;
  datagram.remove_prefix(4);
  while (!datagram.empty() && static_cast<unsigned char>(datagram.front()) <= ' ') datagram.remove_prefix(1);
  if (datagram.substr(0, word.size()) != word) return false;
  datagram.remove_prefix(word.size());
  return datagram.empty() || static_cast<unsigned char>(datagram.front()) <= ' ';
}

std::string InfoValue(const DemoServerState& state, std::string_view key) {
  for (const auto& [k, value] : state.info) {
    if (k == key) return value;
  }
  return "";
}

}  // namespace

bool IsStatusRequest(std::string_view datagram) { return IsRequestFor(datagram, "getstatus"); }

bool IsInfoRequest(std::string_view datagram) { return IsRequestFor(datagram, "getinfo"); }

std::string InfoReply(const DemoServerState& state) {
  return "\xFF\xFF\xFF\xFFinfoResponse\n\\hostname\\" + InfoValue(state, "sv_hostname") + "\\mapname\\" +
         InfoValue(state, "mapname") + "\\clients\\" + std::to_string(state.players.size()) + "\\sv_maxclients\\" +
         InfoValue(state, "sv_maxclients") + "\\gametype\\" + InfoValue(state, "g_gametype");
}
