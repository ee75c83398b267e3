#pragma once
// The controls of the launcher's main window: identifiers, kinds, captions,
// places (in dialog pixels at 96 DPI) and help texts, in tab order.
#include <windows.h>

enum ControlId : int {
  txtpath = 100, text6, text8, text9, portout, cmdline,
  cmd1, cmd2, cmd3, Command1, Command2, Text1,
  Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9, Label10, Label11, Label12,
  mapname, gamet, timel, fragl, Maxplay, Priv, List3, mpl,
};

enum MenuId : int { menuall = 200, menudis, menurp, menyrip, menuexit };

enum class Kind { Label, Edit, ReadOnly, Combo, IconButton, Button, List, Caption };

struct ControlDef {
  ControlId id;
  Kind kind;
  const char* text;  // caption or initial text
  int x, y, w, h;
  const char* help;  // mouse-move help text; nullptr for none
};

extern const ControlDef kMainControls[];
extern const int kMainControlCount;

constexpr const char* kAppVersion = "1.3";
constexpr const char* kInitialGameFolder = "C:\\Program Files\\EA Games\\MOHAA";
constexpr const char* kGameRunningMessage =
    "There is already an copy of MOHAA running. This must be closed down before starting Kestrun";

const ControlDef* FindControlDef(int id);
