#pragma once
// A player's settings as the remote console's "dumpuser" prints them: a
// "userinfo" line, a line of dashes, then one key and its value a line. The
// grid's skin columns take the player models named there; the hack code stays
// empty, since only the inspection server can check a player's settings.
#include <optional>
#include <string>
#include <string_view>

#include "overlay/core/grid_model.h"

struct PlayerModels {
  std::string name;  // colour codes removed, as the grid shows it
  std::string alliedModel;
  std::string axisModel;
};

// None when the reply is no userinfo.
std::optional<PlayerModels> ReadDumpUser(std::string_view reply);

// Writes the models into the client's row of an all-data grid, when that
// row still shows the player named (the client number may have passed to
// another player since). False when nothing was written.
bool ShowPlayerModels(int client, const PlayerModels& models, GridModel& grid);
