// Stand-in for game servers: each answers status requests on its game port
// with the demo server's status (and "getinfo" with its short information, as
// server browsers ask) and, given a query port, the queries there;
// it announces itself to a master by heartbeats from that query port and
// answers the master's challenge. Every datagram is printed.
// Options: --port N (first game port, default 12203), --query-port N (first
// query port; none without it), --count N (servers on ports in a row, at most
// 4096), --silent N (the last N take requests but never answer them; they
// still answer a master's challenge), --game mohaa[,mohaas,...] (server i is
// of the i-th game, in turn), --master A.B.C.D[:PORT] (loopback only; UDP
// port 27900 when missing), --heartbeat-ms N (default 60000; every 3 s
// until the master has challenged the server), --parts N
// (query replies in N parts), --reverse-parts (sent last part first),
// --quit-after-ms N, --lan-address A.B.C.D (query ports on every address, to
// hear a broadcast, and that address of this machine answered as loopback is:
// only in a private network namespace).
// Remote console on the game port, in the Allied Assault form (status
// replies then carry the direction byte, and status and console requests
// share the per-address rate limit): --rcon-password PW or --rcon-no-password,
// --rcon-layout growing|fixed, --rcon-players N (made up, at most 64) or
// --rcon-player "SCORE|PING|ADDRESS|NAME" (repeated; PING may be CNCT),
// --rcon-commands a,b,... (what it has; others are unknown), --rcon-buffer N
// (output bytes per reply datagram, default 8176), --rcon-log FILE (each
// request and what was done, never the password; stdout without it).
// Builds as a Windows console program and natively, for the tests that run
// against a real master on this machine.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/core/text.h"
#include "launcher/core/gamespy_games.h"
#include "launcher/core/server_list.h"
#include "launcher/core/server_status.h"
#include "tools/game_server/query_reply.h"
#include "tools/game_server/rcon_console.h"
#include "tools/game_server/status_reply.h"
#include "tools/game_server/udp_sockets.h"

namespace {

constexpr int kMaxServers = 4096;
// A master reads heartbeats one at a time: a thousand sent at once overflow
// its socket. First heartbeats go this far apart, and a server the master has
// not challenged yet sends its heartbeat again this soon.
constexpr std::chrono::milliseconds kHeartbeatSpacing{2};
constexpr std::chrono::milliseconds kUnchallengedRetry{3000};
constexpr uint32_t kLoopbackNet = 0x7F000000;

struct Options {
  int port = 12203;
  int queryPort = 0;
  int count = 1;
  int silent = 0;
  std::vector<const GameSpyGame*> games{&kGameSpyGames[0]};
  uint32_t masterAddress = 0;
  int masterPort = 27900;
  long heartbeatMs = 60000;
  int parts = 1;
  bool reverseParts = false;
  uint32_t lanAddress = 0;
  long quitAfterMs = -1;
  bool rcon = false;
  bool playersListed = false;  // the first --rcon-player replaces the made-up ones
  ConsoleState console;
  std::string rconLog;
};

using Clock = std::chrono::steady_clock;

struct Server {
  int index = 0;
  Clock::time_point nextHeartbeat;
  bool challenged = false;
  bool heartbeatSent = false;
  int gamePort = 0, queryPort = 0;
  bool silent = false;
  UdpSocket game, query;
  StandInServer standIn;
  int nextQueryId = 1;
  ConsoleState console;
};

void Say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::string Printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

bool IsLoopback(uint32_t address) { return (address & 0xFF000000) == kLoopbackNet; }

std::string AddressText(uint32_t address, int port) {
  return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 255) + "." +
         std::to_string(address >> 8 & 255) + "." + std::to_string(address & 255) + ":" + std::to_string(port);
}

bool ParseGames(const std::string& text, std::vector<const GameSpyGame*>& games) {
  games.clear();
  for (const std::string& name : SplitKeepEmpty(text, ',')) {
    const GameSpyGame* game = FindGameSpyGame(name);
    if (game == nullptr) return false;
    games.push_back(game);
  }
  return !games.empty();
}

bool ParseMaster(const std::string& text, Options& o) {
  const ServerAddress split = SplitServerAddress(text);
  if (!ParseDottedIPv4(split.host, o.masterAddress) || !IsLoopback(o.masterAddress)) return false;
  return text.find(':') == std::string::npos ? (o.masterPort = 27900, true) : ParsePort(split.port, o.masterPort);
}

bool ParseConsoleOption(const std::string& option, const std::string& value, Options& o) {
  ConsoleState& c = o.console;
  o.rcon = true;
  if (option == "--rcon-password") {
    c.password = value;
  } else if (option == "--rcon-layout") {
    if (value != "growing" && value != "fixed") return false;
    c.layout = value == "fixed" ? StatusLayout::Fixed : StatusLayout::Growing;
  } else if (option == "--rcon-players") {
    int count = 0;
    if (!ParseInt32(value, count) || count < 0 || count > 64) return false;
    c.players = MakeConsolePlayers(count);
  } else if (option == "--rcon-player") {
    if (!o.playersListed) c.players.clear();
    o.playersListed = true;
    ConsolePlayer p;
    if (!ParseConsolePlayer(value, static_cast<int>(c.players.size()), p) || c.players.size() >= 64) return false;
    c.players.push_back(p);
  } else if (option == "--rcon-commands") {
    c.commands.clear();
    for (const std::string& name : SplitKeepEmpty(value, ',')) c.commands.push_back(LowerCase(name));
  } else if (option == "--rcon-buffer") {
    int size = 0;
    if (!ParseInt32(value, size) || size < 2 || size > 65000) return false;
    c.buffer = static_cast<size_t>(size);
  } else if (option == "--rcon-log") {
    o.rconLog = value;
  } else {
    return false;
  }
  return true;
}

bool ParseOptions(int argc, char** argv, Options& o) {
  o.console.players = MakeConsolePlayers(3);
  o.console.commands = DefaultConsoleCommands();
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--reverse-parts") {
      o.reverseParts = true;
      continue;
    }
    if (option == "--rcon-no-password") {
      o.rcon = true;
      o.console.passwordSet = false;
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (option.rfind("--rcon-", 0) == 0) {
      if (!ParseConsoleOption(option, value, o)) return false;
    } else if (option == "--port") o.port = std::atoi(value.c_str());
    else if (option == "--query-port") o.queryPort = std::atoi(value.c_str());
    else if (option == "--count") o.count = std::atoi(value.c_str());
    else if (option == "--silent") o.silent = std::atoi(value.c_str());
    else if (option == "--heartbeat-ms") o.heartbeatMs = std::atol(value.c_str());
    else if (option == "--parts") o.parts = std::atoi(value.c_str());
    else if (option == "--quit-after-ms") o.quitAfterMs = std::atol(value.c_str());
    else if (option == "--lan-address") {
      if (!ParseDottedIPv4(value, o.lanAddress)) return false;
    }
    else if (option == "--game") {
      if (!ParseGames(value, o.games)) return false;
    } else if (option == "--master") {
      if (!ParseMaster(value, o)) return false;
    } else {
      return false;
    }
  }
  return o.count >= 1 && o.count <= kMaxServers && o.silent >= 0 && o.silent <= o.count && o.parts >= 1 &&
         o.parts <= 64 && o.port > 0 && o.port + o.count - 1 <= 65535 && o.queryPort >= 0 &&
         o.queryPort + o.count - 1 <= 65535 && o.heartbeatMs > 0;
}

// The console's account goes to its own file when one is given, so that a
// test reads only that.
void LogConsole(const Options& o, const std::string& line) {
  if (o.rconLog.empty()) return Say("game server: " + line);
  if (FILE* f = std::fopen(o.rconLog.c_str(), "a")) {
    std::fputs(("game server: " + line + "\n").c_str(), f);
    std::fclose(f);
  }
}

// True when the datagram was the console's business: a console request, or a
// status request over the rate it shares with the console.
bool AnswerConsoleMode(Server& server, const Datagram& d, const Options& o, int64_t nowMs) {
  const std::string from = AddressText(d.address, d.port);
  if (IsStatusRequest(d.bytes) || IsInfoRequest(d.bytes)) {
    if (AllowRequest(server.console, from, nowMs)) return false;
    LogConsole(o, "status request from " + from + " dropped over the address's rate");
    return true;
  }
  const ConsoleAnswer answer = AnswerConsole(server.console, d.bytes, from, nowMs);
  if (!answer.isConsoleRequest) return false;
  size_t total = 0;
  for (const std::string& datagram : answer.datagrams) {
    server.game.SendTo(d.address, d.port, datagram);
    total += datagram.size();
  }
  LogConsole(o, answer.log + " (answered with " + std::to_string(total) + " bytes in " +
                    std::to_string(answer.datagrams.size()) + " datagrams)");
  return true;
}

void AnswerGamePort(Server& server, const Datagram& d, const Options& o, int64_t nowMs, const std::string& reply,
                    const std::string& info) {
  if (o.rcon && AnswerConsoleMode(server, d, o, nowMs)) return;
  const std::string who = AddressText(d.address, d.port) + " on port " + std::to_string(server.gamePort);
  const bool wantsInfo = IsInfoRequest(d.bytes);
  if (!IsStatusRequest(d.bytes) && !wantsInfo) {
    Say("game server: ignored " + std::to_string(d.bytes.size()) + " bytes from " + who + ": " + Printable(d.bytes));
    return;
  }
  if (server.silent) {
    Say("game server: status request from " + who + ", left unanswered");
    return;
  }
  const std::string& answer = !o.rcon ? (wantsInfo ? info : reply)
                             : wantsInfo ? std::string(info).insert(4, 1, '\x01')
                                         : ConsoleStatusResponse(server.console);
  server.game.SendTo(d.address, d.port, answer);
  Say(std::string("game server: ") + (wantsInfo ? "info" : "status") + " request from " + who + " (" +
      std::to_string(d.bytes.size()) + " bytes: " + Printable(d.bytes) + "), answered with " +
      std::to_string(answer.size()) + " bytes");
}

void AnswerQueryPort(Server& server, const Datagram& d, const Options& o) {
  const std::string who = AddressText(d.address, d.port) + " on query port " + std::to_string(server.queryPort);
  const bool challenge = d.bytes.find("\\secure\\") != std::string::npos;
  if (challenge && d.address == o.masterAddress) server.challenged = true;
  if (server.silent && !challenge) {
    Say("game server: query from " + who + ", left unanswered: " + Printable(d.bytes));
    return;
  }
  std::vector<std::string> parts = AnswerQuery(server.standIn, d.bytes, server.nextQueryId, o.parts);
  if (parts.empty()) {
    Say("game server: ignored " + std::to_string(d.bytes.size()) + " bytes from " + who + ": " + Printable(d.bytes));
    return;
  }
  ++server.nextQueryId;
  size_t total = 0;
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[o.reverseParts ? parts.size() - 1 - i : i];
    server.query.SendTo(d.address, d.port, part);
    total += part.size();
  }
  Say("game server: query from " + who + " (" + Printable(d.bytes) + "), answered with " + std::to_string(total) +
      " bytes in " + std::to_string(parts.size()) + " parts");
}

// Each server's heartbeat when it is due; returns how long until the next.
Clock::duration SendDueHeartbeats(std::vector<Server>& servers, const Options& o, Clock::time_point now) {
  Clock::duration wait = std::chrono::milliseconds(100);
  for (Server& s : servers) {
    if (now >= s.nextHeartbeat) {
      s.query.SendTo(o.masterAddress, o.masterPort, Heartbeat(s.queryPort, *s.standIn.game, !s.heartbeatSent));
      s.heartbeatSent = true;
      s.nextHeartbeat = now + (s.challenged ? std::chrono::milliseconds(o.heartbeatMs) : kUnchallengedRetry);
    }
    wait = std::min<Clock::duration>(wait, s.nextHeartbeat - now);
  }
  return wait;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: game_server [--port N] [--query-port N] [--count 1..%d] [--silent N] [--game mohaa,...]\n"
                 "                   [--master 127.x.y.z[:PORT]] [--heartbeat-ms N] [--parts N] [--reverse-parts]\n"
                 "                   [--lan-address A.B.C.D]\n"
                 "                   [--quit-after-ms N] [--rcon-password PW | --rcon-no-password]\n"
                 "                   [--rcon-layout growing|fixed] [--rcon-players 0..64] [--rcon-player S|P|ADDR|NAME]\n"
                 "                   [--rcon-commands a,b,...] [--rcon-buffer N] [--rcon-log FILE]\n",
                 kMaxServers);
    return 2;
  }
  if (o.masterAddress != 0 && o.queryPort == 0) {
    std::fprintf(stderr, "game server: --master needs --query-port, where heartbeats are sent from\n");
    return 2;
  }
  UdpStartup();
  std::vector<Server> servers(static_cast<size_t>(o.count));
  for (int i = 0; i < o.count; ++i) {
    Server& s = servers[static_cast<size_t>(i)];
    s.index = i;
    s.gamePort = o.port + i;
    s.silent = i >= o.count - o.silent;
    s.console = o.console;
    s.standIn = MakeStandInServer(i, s.gamePort, *o.games[static_cast<size_t>(i) % o.games.size()]);
    if (!s.game.BindLoopback(s.gamePort)) {
      Say("game server: cannot use UDP port " + std::to_string(s.gamePort));
      return 1;
    }
    if (o.queryPort != 0) {
      s.queryPort = o.queryPort + i;
      if (!s.query.BindLoopback(s.queryPort, o.lanAddress != 0)) {
        Say("game server: cannot use UDP port " + std::to_string(s.queryPort));
        return 1;
      }
    }
  }
  const std::string reply = StatusReply(DemoServer());
  const std::string info = InfoReply(DemoServer());
  std::string ports = o.count == 1 ? "UDP port " + std::to_string(o.port)
                                   : "UDP ports " + std::to_string(o.port) + " to " + std::to_string(o.port + o.count - 1);
  if (o.queryPort != 0) ports += ", query ports from " + std::to_string(o.queryPort);
  Say("game server: answering status requests on " + ports + ", the last " + std::to_string(o.silent) +
      " of them silent" + (o.rcon ? ", with a remote console" : ""));

  if (o.masterAddress != 0) {
    Say("game server: heartbeats to " + AddressText(o.masterAddress, o.masterPort) + " every " +
        std::to_string(o.heartbeatMs) + " ms, until challenged every " + std::to_string(kUnchallengedRetry.count()) +
        " ms");
  }
  std::vector<UdpSocket*> sockets;
  for (Server& s : servers) {
    sockets.push_back(&s.game);
    if (o.queryPort != 0) sockets.push_back(&s.query);
  }
  const Clock::time_point started = Clock::now();
  for (Server& s : servers) s.nextHeartbeat = started + kHeartbeatSpacing * s.index;
  Datagram d;
  for (;;) {
    const Clock::time_point now = Clock::now();
    if (o.quitAfterMs >= 0 && now - started > std::chrono::milliseconds(o.quitAfterMs)) break;
    Clock::duration wait = std::chrono::milliseconds(100);
    if (o.masterAddress != 0) wait = SendDueHeartbeats(servers, o, now);
    const auto waitMs = std::chrono::duration_cast<std::chrono::milliseconds>(wait).count();
    for (size_t ready : WaitReadable(sockets, static_cast<int>(std::max<long long>(waitMs, 0)))) {
      Server& s = servers[o.queryPort != 0 ? ready / 2 : ready];
      const bool onQueryPort = o.queryPort != 0 && ready % 2 == 1;
      // Several may be waiting: read them all before the next wait.
      while (sockets[ready]->Receive(d)) {
        // Nothing goes back to an address outside this machine.
        if (!IsLoopback(d.address) && d.address != o.lanAddress) continue;
        if (onQueryPort) {
          AnswerQueryPort(s, d, o);
        } else {
          const auto sinceStart = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
          AnswerGamePort(s, d, o, sinceStart.count(), reply, info);
        }
      }
    }
  }
  return 0;
}
