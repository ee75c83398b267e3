#include "main_controls.h"

// Fields and buttons first, in the order the Tab key visits them; labels and
// the status display after them.
const ControlDef kMainControls[] = {
    {txtpath, Kind::Edit, kInitialGameFolder, 12, 28, 330, 22, nullptr},
    {text6, Kind::Combo, "", 12, 74, 220, 200, nullptr},
    {text8, Kind::Combo, "", 12, 120, 220, 200, nullptr},
    {text9, Kind::Combo, "", 12, 166, 220, 200, nullptr},
    {portout, Kind::Edit, "", 12, 212, 80, 22, nullptr},
    {cmdline, Kind::Edit, "+set cl_playintro 0", 12, 258, 330, 22, nullptr},
    {cmd1, Kind::IconButton, "", 12, 292, 44, 44, "Start Allied Assault"},
    {cmd2, Kind::IconButton, "", 62, 292, 44, 44, "Start SpearHead"},
    {cmd3, Kind::IconButton, "", 112, 292, 44, 44, "Start BreakThrough"},
    {Command1, Kind::Button, "Server Status", 166, 300, 96, 28, "Get the server status of current IP"},
    {Command2, Kind::Button, "Launch Corvel", 268, 300, 96, 28,
     "Mini version of Tavrin Remote that overlays the game"},
    {Text1, Kind::ReadOnly, "", 12, 348, 620, 22, nullptr},
    {Label1, Kind::Label, "Port Out (For Routers) Leave Blank ifnot needed to Connect", 12, 194, 340, 16,
     "Out going Port only if Port Forwarding"},
    {Label2, Kind::Label, "MOHAA Directory", 12, 10, 200, 16, "Path to MOH (Location)"},
    {Label3, Kind::Label, "Player Name", 12, 56, 200, 16, "Player Name"},
    {Label4, Kind::Label, "Cmd Line", 12, 240, 200, 16, "Add any addition command line entries"},
    {Label5, Kind::Label, "Map", 370, 10, 80, 16, nullptr},
    {Label6, Kind::Label, "IP to Server", 12, 102, 200, 16, "IP to server, include : and port if not 12203"},
    {Label7, Kind::Label, "Password to Server", 12, 148, 200, 16, "Password if one is required"},
    {Label8, Kind::Label, "Type", 370, 36, 80, 16, nullptr},
    {Label9, Kind::Label, "TimeLimit", 370, 62, 80, 16, nullptr},
    {Label10, Kind::Label, "FragLimit", 370, 88, 80, 16, nullptr},
    {Label11, Kind::Label, "MaxPlayers", 370, 114, 80, 16, nullptr},
    {Label12, Kind::Label, "Private", 370, 140, 80, 16, nullptr},
    {mapname, Kind::ReadOnly, "", 450, 8, 180, 20, nullptr},
    {gamet, Kind::ReadOnly, "", 450, 34, 180, 20, nullptr},
    {timel, Kind::ReadOnly, "", 450, 60, 180, 20, nullptr},
    {fragl, Kind::ReadOnly, "", 450, 86, 180, 20, nullptr},
    {Maxplay, Kind::ReadOnly, "", 450, 112, 180, 20, nullptr},
    {Priv, Kind::ReadOnly, "", 450, 138, 180, 20, nullptr},
    {List3, Kind::List, "", 370, 166, 260, 110, nullptr},
    {mpl, Kind::Caption, "", 370, 280, 260, 60, nullptr},
};

const int kMainControlCount = static_cast<int>(sizeof kMainControls / sizeof kMainControls[0]);

const ControlDef* FindControlDef(int id) {
  for (const ControlDef& def : kMainControls) {
    if (def.id == id) return &def;
  }
  return nullptr;
}
