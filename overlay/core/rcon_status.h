#pragma once
// The remote console's "status" output read into players, whatever the
// server: the Quake III family's "cl score ping name address rate", the fixed
// "num score ping name lastmsg address qport rate" of 1.11 and older
// OpenMoHAA, and OpenMoHAA's widths that grow with their content. The columns
// come from the heading line, and each row is read from both ends: what stands
// left of the name and what stands right of it are single words, the name is
// what lies between and may hold blanks. The action window takes the players
// through GridPlayers as it takes an inspection record's.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "overlay/core/inspection_record.h"

struct RconPlayer {
  int client = 0;
  int score = 0;
  std::string ping;     // "48", or "CON", "ZMB", "CNCT", "ZMBI" while connecting or dropped
  std::string name;     // colour codes removed
  std::string address;  // as printed: "10.0.0.5:12203", "[::1]:12203", "::1", "bot", "loopback"
  std::string host;     // the address without port: "10.0.0.5", "::1", "bot"
};

struct RconStatus {
  std::string map;
  std::vector<RconPlayer> players;  // in the order printed, each client once
};

// None when the text holds no status heading. Rows that are not a player's
// are skipped, and so is a client number seen before.
std::optional<RconStatus> ReadRconStatus(std::string_view text);

// The name without "^" and the letter or digit after it.
std::string WithoutColourCodes(std::string_view name);

// The players as the action window shows them: every host in the IP column,
// "bot" and "loopback" included.
std::vector<GridPlayer> GridPlayers(const RconStatus& status);
