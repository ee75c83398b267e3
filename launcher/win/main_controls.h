#pragma once
// The controls of the launcher's main window: identifiers, kinds, captions,
// places (in dialog pixels at 96 DPI) and help texts, in tab order.
#include <windows.h>

enum ControlId : int {
  // What the player fills in and presses, and the help line.
  gameFolderField = 100, nameField, serverField, passwordField, portField, commandLineField,
  alliedAssaultButton, spearheadButton, breakthroughButton, serverStatusButton, launchCorvelButton, helpLine,
  portLabel, gameFolderLabel, nameLabel, commandLineLabel, mapLabel, serverLabel, passwordLabel, typeLabel,
  timeLimitLabel, fragLimitLabel, maxPlayersLabel, privateLabel,
  // The status display, filled by a status query.
  mapField, typeField, timeLimitField, fragLimitField, maxPlayersField, privateField, playerList, mapListCaption,
};

enum MenuId : int { menuDisableAll = 200, menuDisableSelected, menuRemovePlayer, menuRemoveServer, menuExit, menuServerList };

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
