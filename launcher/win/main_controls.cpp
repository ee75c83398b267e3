#include "launcher/win/main_controls.h"

// Fields and buttons first, in the order the Tab key visits them; labels and
// the status display after them.
const ControlDef kMainControls[] = {
    {gameFolderField, Kind::Edit, kInitialGameFolder, 12, 28, 330, 22, nullptr},
    {nameField, Kind::Combo, "", 12, 74, 220, 200, nullptr},
    {serverField, Kind::Combo, "", 12, 120, 220, 200, nullptr},
    {passwordField, Kind::Combo, "", 12, 166, 220, 200, nullptr},
    {portField, Kind::Edit, "", 12, 212, 80, 22, nullptr},
    {commandLineField, Kind::Edit, "+set cl_playintro 0", 12, 258, 330, 22, nullptr},
    {alliedAssaultButton, Kind::IconButton, "", 12, 292, 44, 44, "Start Allied Assault"},
    {spearheadButton, Kind::IconButton, "", 62, 292, 44, 44, "Start SpearHead"},
    {breakthroughButton, Kind::IconButton, "", 112, 292, 44, 44, "Start BreakThrough"},
    {serverStatusButton, Kind::Button, "Server Status", 166, 300, 96, 28, "Get the server status of current IP"},
    {launchCorvelButton, Kind::Button, "Launch Corvel", 268, 300, 96, 28,
     "Mini version of Tavrin Remote that overlays the game"},
    {helpLine, Kind::ReadOnly, "", 12, 348, 620, 22, nullptr},
    {portLabel, Kind::Label, "Port Out (For Routers) Leave Blank ifnot needed to Connect", 12, 194, 340, 16,
     "Out going Port only if Port Forwarding"},
    {gameFolderLabel, Kind::Label, "MOHAA Directory", 12, 10, 200, 16, "Path to MOH (Location)"},
    {nameLabel, Kind::Label, "Player Name", 12, 56, 200, 16, "Player Name"},
    {commandLineLabel, Kind::Label, "Cmd Line", 12, 240, 200, 16, "Add any addition command line entries"},
    {mapLabel, Kind::Label, "Map", 370, 10, 80, 16, nullptr},
    {serverLabel, Kind::Label, "IP to Server", 12, 102, 200, 16, "IP to server, include : and port if not 12203"},
    {passwordLabel, Kind::Label, "Password to Server", 12, 148, 200, 16, "Password if one is required"},
    {typeLabel, Kind::Label, "Type", 370, 36, 80, 16, nullptr},
    {timeLimitLabel, Kind::Label, "TimeLimit", 370, 62, 80, 16, nullptr},
    {fragLimitLabel, Kind::Label, "FragLimit", 370, 88, 80, 16, nullptr},
    {maxPlayersLabel, Kind::Label, "MaxPlayers", 370, 114, 80, 16, nullptr},
    {privateLabel, Kind::Label, "Private", 370, 140, 80, 16, nullptr},
    {mapField, Kind::ReadOnly, "", 450, 8, 180, 20, nullptr},
    {typeField, Kind::ReadOnly, "", 450, 34, 180, 20, nullptr},
    {timeLimitField, Kind::ReadOnly, "", 450, 60, 180, 20, nullptr},
    {fragLimitField, Kind::ReadOnly, "", 450, 86, 180, 20, nullptr},
    {maxPlayersField, Kind::ReadOnly, "", 450, 112, 180, 20, nullptr},
    {privateField, Kind::ReadOnly, "", 450, 138, 180, 20, nullptr},
    {playerList, Kind::List, "", 370, 166, 260, 110, nullptr},
    {mapListCaption, Kind::Caption, "", 370, 280, 260, 60, nullptr},
};

const int kMainControlCount = static_cast<int>(sizeof kMainControls / sizeof kMainControls[0]);

const ControlDef* FindControlDef(int id) {
  for (const ControlDef& def : kMainControls) {
    if (def.id == id) return &def;
  }
  return nullptr;
}
