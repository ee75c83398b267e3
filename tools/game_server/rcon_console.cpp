#include "tools/game_server/rcon_console.h"

#include <algorithm>
#include <cstdio>

#include "common/core/text.h"
#include "tools/game_server/status_reply.h"

namespace {

constexpr int kAddressBurst = 10;
constexpr int64_t kAddressPeriodMs = 1000;
constexpr int kBadPasswordBurst = 10;
constexpr int64_t kBadPasswordPeriodMs = 100;
constexpr size_t kMaxRequestText = 1023;
constexpr size_t kMaxTrackedAddresses = 4096;
constexpr int kMaxPlayers = 64;
constexpr std::string_view kHeader("\xFF\xFF\xFF\xFF", 4);

std::string Format(const char* format, int value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string PadTo(std::string text, size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view NextToken(std::string_view& text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  if (!text.empty() && text.front() == '"') {
    const size_t end = text.find('"', 1);
    const std::string_view token = text.substr(1, end == std::string_view::npos ? text.npos : end - 1);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return token;
  }
  size_t end = 0;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  const std::string_view token = text.substr(0, end);
  text.remove_prefix(end);
  return token;
}

bool ParseClientNumber(std::string_view text, int& number) {
  if (text.empty() || text.size() > 3) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return ParseInt32(text, number);
}

bool IsIPv6(const ConsolePlayer& p) { return p.address.find('[') != std::string::npos; }

std::string HostOf(std::string_view address) {
  if (!address.empty() && address.front() == '[') return std::string(address.substr(1, address.find(']') - 1));
  return std::string(address.substr(0, address.rfind(':')));
}

size_t AddressWidth(const ConsoleState& state) {
  if (state.layout == StatusLayout::Fixed) return 21;
  return std::any_of(state.players.begin(), state.players.end(), IsIPv6) ? 38 : 21;
}

std::string StatusRow(const ConsolePlayer& p, StatusLayout layout, size_t addressWidth) {
  const bool fixed = layout == StatusLayout::Fixed;
  std::string row = Format("%3i ", p.number) + Format("%5i ", p.score);
  row += p.ping == kConnectingPing ? "CNCT " : Format("%4i ", p.ping);
  row += fixed ? PadTo(p.name, 16) : PadTo(p.name, 15) + " ";
  row += Format("%7i ", p.lastMsg) + PadTo(p.address, addressWidth) + " ";
  return row + Format("%5i", p.qport) + Format(" %5i", p.rate) + "\n";
}

std::vector<ConsolePlayer>::iterator FindPlayer(ConsoleState& state, std::string_view argument) {
  int number = -1;
  if (!ParseClientNumber(argument, number)) return state.players.end();
  return std::find_if(state.players.begin(), state.players.end(),
                      [number](const ConsolePlayer& p) { return p.number == number; });
}

bool IsMapName(std::string_view name) {
  if (name.empty()) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.' || c == '/';
  });
}

std::vector<std::string> DumpUser(const ConsolePlayer& p) {
  const std::string allied = p.number % 2 == 0 ? "american_army" : "allied_airborne";
  const std::string axis = p.number % 2 == 0 ? "german_wehrmacht_soldier" : "german_waffenss_officer";
  return {"userinfo\n", "--------\n", PadTo("name", 20) + p.name + "\n", PadTo("dm_playermodel", 20) + allied + "\n",
          PadTo("dm_playergermanmodel", 20) + axis + "\n", PadTo("rate", 20) + std::to_string(p.rate) + "\n",
          PadTo("ip", 20) + p.address + "\n"};
}

std::vector<std::string> CommandList(const ConsoleState& state) {
  std::vector<std::string> lines;
  for (const std::string& c : state.commands) lines.push_back(c + "\n");
  lines.push_back(std::to_string(state.commands.size()) + " commands\n");
  return lines;
}

std::vector<std::string> RemovePlayer(ConsoleState& state, std::string_view argument, bool ban) {
  const auto player = FindPlayer(state, argument);
  if (player == state.players.end()) return {"Bad client slot: " + std::string(argument) + "\n"};
  std::vector<std::string> lines;
  if (ban) {
    state.bans.push_back(HostOf(player->address));
    lines.push_back("Banned " + state.bans.back() + "\n");
  }
  lines.push_back(player->name + " was kicked\n");
  state.players.erase(player);
  return lines;
}

std::vector<std::string> RunCommand(ConsoleState& state, std::string_view command) {
  std::string_view rest = command;
  const std::string verb = LowerCase(NextToken(rest));
  if (verb.empty()) return {};
  if (std::find(state.commands.begin(), state.commands.end(), verb) == state.commands.end()) {
    return {"Unknown command \"" + verb + "\"\n"};
  }
  std::string_view next = rest;
  const std::string_view argument = NextToken(next);
  if (verb == "status") return StatusLines(state);
  if (verb == "cmdlist") return CommandList(state);
  if (verb == "clientkick") return RemovePlayer(state, argument, false);
  if (verb == "banaddr" || verb == "banid") return RemovePlayer(state, argument, true);
  if (verb == "say") return {"console: " + TrimBlanks(rest) + "\n"};
  if (verb == "map" || verb == "gamemap") {
    if (!IsMapName(argument)) return {"Can't find map " + std::string(argument) + "\n"};
    state.map = std::string(argument);
    return {};
  }
  if (verb == "dumpuser") {
    const auto player = FindPlayer(state, argument);
    return player == state.players.end() ? std::vector<std::string>{"Bad client slot: " + std::string(argument) + "\n"}
                                         : DumpUser(*player);
  }
  if (verb == "listbans") {
    std::vector<std::string> lines;
    for (const std::string& ban : state.bans) lines.push_back(ban + "\n");
    return lines;
  }
  return {};  // a command with no output of its own here
}

// The request's command line: its first line only, '%' made '.', at most
// the length the server reads.
std::string CommandText(std::string_view rest) {
  rest = rest.substr(0, kMaxRequestText);
  rest = rest.substr(0, rest.find('\n'));
  std::string text = TrimBlanks(rest);
  std::replace(text.begin(), text.end(), '%', '.');
  return text;
}

}  // namespace

bool TakeToken(RequestBucket& bucket, int burst, int64_t periodMs, int64_t nowMs) {
  if (!bucket.used || nowMs < bucket.refilledMs) bucket = {true, burst, nowMs};
  const int64_t periods = (nowMs - bucket.refilledMs) / periodMs;
  if (periods > 0) {
    bucket.tokens = static_cast<int>(std::min<int64_t>(burst, bucket.tokens + periods));
    bucket.refilledMs += periods * periodMs;
  }
  // A full bucket banks no time: the next token comes a whole period after one is used.
  if (bucket.tokens >= burst) bucket.refilledMs = nowMs;
  if (bucket.tokens == 0) return false;
  --bucket.tokens;
  return true;
}

std::vector<std::string> DefaultConsoleCommands() {
  return {"status", "cmdlist", "clientkick", "banaddr", "listbans", "bandel", "map", "gamemap", "dumpuser", "say",
          "tell"};
}

std::vector<ConsolePlayer> MakeConsolePlayers(int count) {
  std::vector<ConsolePlayer> players;
  for (int i = 0; i < std::min(count, kMaxPlayers); ++i) {
    ConsolePlayer p;
    p.number = i;
    p.score = i % 5 == 4 ? -i : i * 3;
    p.ping = i % 10 == 9 ? kConnectingPing : 20 + i * 7;
    p.name = (i % 7 == 6 ? "Private First Class " : "Sgt ") + std::to_string(i) + " Baker";
    const std::string host = "127.0.0." + std::to_string(10 + i);
    const std::string port = std::to_string(12203 + i);
    p.address = i % 4 == 3 ? "[::ffff:" + host + "]:" + port : host + ":" + port;
    p.lastMsg = i * 50;
    p.qport = 1000 + i * 31;
    players.push_back(p);
  }
  return players;
}

bool ParseConsolePlayer(std::string_view text, int number, ConsolePlayer& player) {
  std::vector<std::string> fields = SplitKeepEmpty(text, '|');
  if (fields.size() < 4 || text.find('\n') != std::string_view::npos) return false;
  for (size_t i = 4; i < fields.size(); ++i) fields[3] += "|" + fields[i];
  player = {};
  player.number = number;
  player.qport = 1000 + number;
  player.name = fields[3];
  player.address = fields[2];
  if (fields[1] == "CNCT") player.ping = kConnectingPing;
  else if (!ParseInt32(fields[1], player.ping) || player.ping < 0) return false;
  return ParseInt32(fields[0], player.score) && !player.address.empty();
}

bool AllowRequest(ConsoleState& state, std::string_view from, int64_t nowMs) {
  const std::string host = HostOf(from);
  if (state.perAddress.size() >= kMaxTrackedAddresses && !state.perAddress.count(host)) state.perAddress.clear();
  return TakeToken(state.perAddress[host], kAddressBurst, kAddressPeriodMs, nowMs);
}

std::vector<std::string> StatusLines(const ConsoleState& state) {
  const size_t width = AddressWidth(state);
  std::vector<std::string> lines{"map: " + state.map + "\n"};
  if (state.layout == StatusLayout::Fixed) {
    lines.push_back("num score ping name            lastmsg address               qport rate\n");
    lines.push_back("--- ----- ---- --------------- ------- --------------------- ----- -----\n");
  } else {
    lines.push_back("num score ping name            lastmsg " + PadTo("address", width) + " qport rate  \n");
    lines.push_back("--- ----- ---- --------------- ------- " + std::string(width, '-') + " ----- ----- \n");
  }
  for (const ConsolePlayer& p : state.players) lines.push_back(StatusRow(p, state.layout, width));
  return lines;
}

std::vector<std::string> SplitOutput(const std::vector<std::string>& lines, size_t buffer, std::string_view header) {
  const size_t room = buffer - 1;
  std::vector<std::string> datagrams;
  std::string text;
  for (std::string_view line : lines) {
    if (!text.empty() && text.size() + line.size() > room) {
      datagrams.push_back(std::string(header) + text);
      text.clear();
    }
    // A line longer than the whole buffer goes in pieces of its size.
    while (line.size() > room) {
      datagrams.push_back(std::string(header) + std::string(line.substr(0, room)));
      line.remove_prefix(room);
    }
    text += line;
  }
  datagrams.push_back(std::string(header) + text);
  return datagrams;
}

ConsoleAnswer AnswerConsole(ConsoleState& state, std::string_view datagram, std::string_view from, int64_t nowMs) {
  ConsoleAnswer answer;
  if (datagram.substr(0, 4) != kHeader) return answer;
  std::string_view rest = datagram.substr(4);
  const RequestForm form = !rest.empty() && rest.front() == '\x02' ? RequestForm::AlliedAssault : RequestForm::QuakeThree;
  if (form == RequestForm::AlliedAssault) rest.remove_prefix(1);
  if (LowerCase(NextToken(rest)) != "rcon") return answer;
  answer.isConsoleRequest = true;
  const std::string password(NextToken(rest));
  const std::string command = CommandText(rest);
  const std::string who = std::string(form == RequestForm::AlliedAssault ? "rcon" : "rcon WITHOUT the direction byte") +
                          " from " + std::string(from) + ": ";
  if (!AllowRequest(state, from, nowMs)) {
    answer.log = who + "dropped over the address's rate";
    return answer;
  }
  const bool refused = !state.passwordSet || password != state.password;
  if (refused && !TakeToken(state.badPasswords, kBadPasswordBurst, kBadPasswordPeriodMs, nowMs)) {
    answer.log = who + "bad password, dropped over the rate";
    return answer;
  }
  std::vector<std::string> output;
  if (!state.passwordSet) {
    output = {"No rconpassword set on the server.\n"};
    answer.log = who + "refused, no password set";
  } else if (refused) {
    output = {"Bad rconpassword.\n"};
    answer.log = who + "bad password";
  } else {
    output = RunCommand(state, command);
    answer.log = who + command;
  }
  const bool alliedAssault = form == RequestForm::AlliedAssault;
  answer.datagrams = SplitOutput(output, alliedAssault ? state.buffer : kQuakeThreeBuffer,
                                 alliedAssault ? "\xFF\xFF\xFF\xFF\x01print\n" : "\xFF\xFF\xFF\xFFprint\n");
  return answer;
}

std::string ConsoleStatusResponse(const ConsoleState& state) {
  DemoServerState shown = DemoServer();
  for (auto& [key, value] : shown.info) {
    if (key == "mapname") value = state.map;
  }
  shown.players.clear();
  for (const ConsolePlayer& p : state.players) {
    shown.players.push_back(std::to_string(p.score) + " " + std::to_string(p.ping == kConnectingPing ? 999 : p.ping) +
                            " \"" + p.name + "\"");
  }
  std::string reply = StatusReply(shown);
  return reply.insert(4, 1, '\x01');
}
