#pragma once
// The controls of the launcher's main window: identifiers, kinds, captions,
// places (in dialog pixels at 96 DPI) and help texts, in tab order.
#include <windows.h>

#include <span>

#include "common/win/control_table.h"
#include "launcher/core/launch_line.h"

enum ControlId : int {
  // What the player fills in and presses, and the help line.
  gameFolderField = 100, nameField, serverField, passwordField, portField, commandLineField,
  alliedAssaultButton, spearheadButton, breakthroughButton, serverStatusButton, launchCorvelButton, helpLine,
  portLabel, gameFolderLabel, nameLabel, commandLineLabel, mapLabel, serverLabel, passwordLabel, typeLabel,
  timeLimitLabel, fragLimitLabel, maxPlayersLabel, privateLabel,
  // The status display, filled by a status query.
  mapField, typeField, timeLimitField, fragLimitField, maxPlayersField, privateField, playerList, mapListCaption,
};

enum MenuId : int {
  menuDisableAll = 200, menuDisableSelected, menuRemovePlayer, menuRemoveServer, menuExit, menuServerList,
  menuStartWithOpenMohaa,
};

// The start buttons and the game edition each starts.
struct StartButton {
  ControlId id;
  GameEdition edition;
};
constexpr StartButton kStartButtons[] = {{alliedAssaultButton, GameEdition::AlliedAssault},
                                         {spearheadButton, GameEdition::Spearhead},
                                         {breakthroughButton, GameEdition::Breakthrough}};

// The main window's fonts, as ControlSpec::font numbers them.
enum MainFont : int { messageFont, helpLineFont };

std::span<const ControlSpec> MainControls();

// The help line's text for the mouse over a control; nullptr for none.
const char* HelpTextFor(int id);

constexpr const char* kAppVersion = "1.3";
constexpr const char* kInitialGameFolder = "C:\\Program Files\\EA Games\\MOHAA";
constexpr const char* kGameRunningMessage =
    "There is already an copy of MOHAA running. This must be closed down before starting Kestrun";
