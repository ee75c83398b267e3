#include "overlay/core/rcon_commands.h"

#include <algorithm>

#include "common/core/text.h"

namespace {

constexpr size_t kMaxListed = 4096;

// What every server of a family has, and the game's commands, which cmdlist
// (the engine's list) never shows.
struct FamilyCommands {
  std::vector<std::string_view> everyServer;
  std::vector<std::string_view> game;
};

const FamilyCommands& CommandsOf(ServerFamily family) {
  static const FamilyCommands kAlliedAssault{{"clientkick", "map", "gamemap", "status", "cmdlist", "dumpuser"}, {}};
  static const FamilyCommands kQuakeThree{{"clientkick", "map", "status", "cmdlist", "dumpuser"}, {"forceteam"}};
  return family == ServerFamily::AlliedAssault ? kAlliedAssault : kQuakeThree;
}

bool Holds(const std::vector<std::string_view>& verbs, std::string_view verb) {
  return std::find(verbs.begin(), verbs.end(), verb) != verbs.end();
}

std::string_view FirstWord(std::string_view line) {
  line = TrimBlanksView(line);
  return line.substr(0, line.find(' '));
}

std::string_view VerbOf(const ConsoleCommand& command) { return FirstWord(command.Text()); }

// "banaddr" or the community patch's "banid".
std::optional<std::string_view> BanVerb(const ServerCommands& server) {
  for (std::string_view verb : {"banaddr", "banid"}) {
    if (server.Has(verb)) return verb;
  }
  return std::nullopt;
}

void AddForClient(std::vector<ConsoleCommand>& commands, std::string_view verb, int client) {
  if (auto command = ConsoleCommand::ForClient(verb, client)) commands.push_back(std::move(*command));
}

std::vector<ConsoleCommand> TeamCommand(std::string_view team, int client, const ServerCommands& server) {
  std::vector<ConsoleCommand> commands;
  if (!server.Has("forceteam")) return commands;
  if (auto command = ConsoleCommand::ForClientAndWord("forceteam", client, team)) commands.push_back(*command);
  return commands;
}

}  // namespace

bool ServerCommands::ReadCommandList(std::string_view reply) {
  std::set<std::string, std::less<>> listed;
  size_t at = 0;
  while (at < reply.size() && listed.size() < kMaxListed) {
    const size_t end = std::min(reply.find('\n', at), reply.size());
    std::string verb = LowerCase(FirstWord(reply.substr(at, end - at)));
    if (!verb.empty() && verb.back() == '\r') verb.pop_back();
    if (!verb.empty()) listed.insert(std::move(verb));
    at = end + 1;
  }
  // A list names cmdlist itself; a refusal or an error does not.
  if (!listed.count("cmdlist")) return false;
  listed_ = std::move(listed);
  listRead_ = true;
  return true;
}

bool ServerCommands::ReadCommandReply(const ConsoleCommand& sent, std::string_view reply) {
  // Only the reply's first line: a player's name further on may say anything.
  const size_t start = std::min(reply.find_first_not_of("\r\n "), reply.size());
  const std::string line = LowerCase(reply.substr(start, reply.find('\n', start) - start));
  const std::string verb = LowerCase(VerbOf(sent));
  if (line.rfind("unknown command", 0) != 0 || line.find(verb) == std::string::npos) return false;
  refused_.insert(verb);
  return true;
}

bool ServerCommands::Has(std::string_view verb) const {
  if (refused_.count(verb)) return false;
  const FamilyCommands& family = CommandsOf(family_);
  if (Holds(family.game, verb)) return true;
  return listRead_ ? listed_.count(verb) > 0 : Holds(family.everyServer, verb);
}

std::optional<RconAction> RconActionOfKey(char key) {
  switch (key) {
    case 'K': return RconAction::Kick;
    case 'B': return RconAction::Ban;
    case 'D': return RconAction::DayBan;
    case 'A': return RconAction::ToAllied;
    case 'G': return RconAction::ToAxis;
    case 'P': return RconAction::ToSpectator;
    case 'J': return RconAction::TauntsOff;
    case 'L': return RconAction::ChatOff;
    default: return std::nullopt;
  }
}

std::vector<ConsoleCommand> RconActionCommands(RconAction action, int client, const ServerCommands& server) {
  std::vector<ConsoleCommand> commands;
  const auto onlyIf = [&](std::string_view verb) {
    if (server.Has(verb)) AddForClient(commands, verb, client);
  };
  switch (action) {
    case RconAction::Kick:
      onlyIf("clientkick");
      break;
    case RconAction::Ban:
      if (auto verb = BanVerb(server)) AddForClient(commands, *verb, client);
      break;
    case RconAction::DayBan:
      // The ban goes first: it needs the client still on the server.
      if (!server.Has("clientkick")) break;
      if (DayBanUsesServerBan(server)) AddForClient(commands, "banaddr", client);
      AddForClient(commands, "clientkick", client);
      break;
    // The Quake III family's teams stand in for the Allies and the Axis.
    case RconAction::ToAllied:
      return TeamCommand("red", client, server);
    case RconAction::ToAxis:
      return TeamCommand("blue", client, server);
    case RconAction::ToSpectator:
      return TeamCommand("spectator", client, server);
    case RconAction::TauntsOff:
      onlyIf("distaunt");
      break;
    case RconAction::ChatOff:
      onlyIf("dischat");
      break;
  }
  return commands;
}

std::optional<ConsoleCommand> RconMapCommand(std::string_view map, const ServerCommands& server) {
  for (std::string_view verb : {"gamemap", "map"}) {
    if (server.Has(verb)) return ConsoleCommand::ForMap(verb, map);
  }
  return std::nullopt;
}

bool DayBanUsesServerBan(const ServerCommands& server) { return server.Has("banaddr") && server.Has("bandel"); }

std::optional<ConsoleCommand> RconLiftBan(std::string_view address, const ServerCommands& server) {
  if (!DayBanUsesServerBan(server)) return std::nullopt;
  return ConsoleCommand::ForAddress("bandel", address);
}
