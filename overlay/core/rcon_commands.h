#pragma once
// What the remote console can do for the action menu: the console command of
// each action by the server's family, and which of them this server has,
// learned from its "cmdlist" at link-up and from an "Unknown command" reply.
// An action the server cannot do yields no command; the action window then
// says kNotAvailableMessage (player_actions.h), sends nothing, logs nothing.
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "overlay/core/rcon_wire.h"

class ServerCommands {
 public:
  explicit ServerCommands(ServerFamily family) : family_(family) {}

  ServerFamily Family() const { return family_; }

  // Takes the reply to "cmdlist": one command a line. False (and nothing
  // learned) when the text is no command list.
  bool ReadCommandList(std::string_view reply);

  // Takes the reply to a command that went out; true when its first line
  // says the server has no such command, which is then never offered again.
  bool ReadCommandReply(const ConsoleCommand& sent, std::string_view reply);

  // True when a command of this verb can be expected to run: not refused
  // before, and listed by cmdlist, or, before the list came, one every server
  // of the family has. The game's own commands are never listed but run.
  bool Has(std::string_view verb) const;

 private:
  ServerFamily family_;
  bool listRead_ = false;
  std::set<std::string, std::less<>> listed_;
  std::set<std::string, std::less<>> refused_;
};

// The menu lines the console can stand in for.
enum class RconAction { Kick, Ban, DayBan, ToAllied, ToAxis, ToSpectator, TauntsOff, ChatOff };

// The action of a menu key ("K" for "K - Kick"); none for the actions only
// the inspection server can do, for "C" (a map goes through RconMapCommand)
// and for "X".
std::optional<RconAction> RconActionOfKey(char key);

// The commands that do the action on a client, in the order they go; none
// when the server cannot. A ban for a day kicks, and first bans on the server
// where that ban can be lifted when the day is over.
std::vector<ConsoleCommand> RconActionCommands(RconAction action, int client, const ServerCommands& server);

// "gamemap <map>" where the server has it, else "map <map>"; none for a map
// name that fails the check.
std::optional<ConsoleCommand> RconMapCommand(std::string_view map, const ServerCommands& server);

// True when a ban for a day uses the server's own ban, which RconLiftBan lifts.
bool DayBanUsesServerBan(const ServerCommands& server);
std::optional<ConsoleCommand> RconLiftBan(std::string_view address, const ServerCommands& server);
