#include "launcher/win/main_controls.h"

namespace {

constexpr ControlKind kLabel{"STATIC", SS_LEFT | SS_NOTIFY};
constexpr ControlKind kEdit{"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
constexpr ControlKind kReadOnly{"EDIT", ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE};
constexpr ControlKind kCombo{"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL};
constexpr ControlKind kIconButton{"BUTTON", WS_TABSTOP | BS_PUSHBUTTON | BS_ICON};
constexpr ControlKind kButton{"BUTTON", WS_TABSTOP | BS_PUSHBUTTON};
constexpr ControlKind kList{"LISTBOX", WS_VSCROLL | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE};

// Fields and buttons first, in the order the Tab key visits them; labels and
// the status display after them.
const ControlSpec kMainControls[] = {
    {gameFolderField, kEdit, kInitialGameFolder, {12, 28, 330, 22}},
    {nameField, kCombo, "", {12, 74, 220, 200}},
    {serverField, kCombo, "", {12, 120, 220, 200}},
    {passwordField, kCombo, "", {12, 166, 220, 200}},
    {portField, kEdit, "", {12, 212, 80, 22}},
    {commandLineField, kEdit, "+set cl_playintro 0", {12, 258, 330, 22}},
    {alliedAssaultButton, kIconButton, "", {12, 292, 44, 44}},
    {spearheadButton, kIconButton, "", {62, 292, 44, 44}},
    {breakthroughButton, kIconButton, "", {112, 292, 44, 44}},
    {serverStatusButton, kButton, "Server Status", {166, 300, 96, 28}},
    {launchCorvelButton, kButton, "Launch Corvel", {268, 300, 96, 28}},
    {helpLine, kReadOnly, "", {12, 348, 620, 22}, helpLineFont},
    {portLabel, kLabel, "Port Out (For Routers) Leave Blank ifnot needed to Connect", {12, 194, 340, 16}},
    {gameFolderLabel, kLabel, "MOHAA Directory", {12, 10, 200, 16}},
    {nameLabel, kLabel, "Player Name", {12, 56, 200, 16}},
    {commandLineLabel, kLabel, "Cmd Line", {12, 240, 200, 16}},
    {mapLabel, kLabel, "Map", {370, 10, 80, 16}},
    {serverLabel, kLabel, "IP to Server", {12, 102, 200, 16}},
    {passwordLabel, kLabel, "Password to Server", {12, 148, 200, 16}},
    {typeLabel, kLabel, "Type", {370, 36, 80, 16}},
    {timeLimitLabel, kLabel, "TimeLimit", {370, 62, 80, 16}},
    {fragLimitLabel, kLabel, "FragLimit", {370, 88, 80, 16}},
    {maxPlayersLabel, kLabel, "MaxPlayers", {370, 114, 80, 16}},
    {privateLabel, kLabel, "Private", {370, 140, 80, 16}},
    {mapField, kReadOnly, "", {450, 8, 180, 20}},
    {typeField, kReadOnly, "", {450, 34, 180, 20}},
    {timeLimitField, kReadOnly, "", {450, 60, 180, 20}},
    {fragLimitField, kReadOnly, "", {450, 86, 180, 20}},
    {maxPlayersField, kReadOnly, "", {450, 112, 180, 20}},
    {privateField, kReadOnly, "", {450, 138, 180, 20}},
    {playerList, kList, "", {370, 166, 260, 110}},
    {mapListCaption, kLabel, "", {370, 280, 260, 60}},
};

struct HelpText {
  ControlId id;
  const char* text;
};

// The buttons and the labels of the fields; the fields themselves have none.
constexpr HelpText kHelpTexts[] = {
    {alliedAssaultButton, "Start Allied Assault"},
    {spearheadButton, "Start SpearHead"},
    {breakthroughButton, "Start BreakThrough"},
    {serverStatusButton, "Get the server status of current IP"},
    {launchCorvelButton, "Mini version of Tavrin Remote that overlays the game"},
    {portLabel, "Out going Port only if Port Forwarding"},
    {gameFolderLabel, "Path to MOH (Location)"},
    {nameLabel, "Player Name"},
    {commandLineLabel, "Add any addition command line entries"},
    {serverLabel, "IP to server, include : and port if not 12203"},
    {passwordLabel, "Password if one is required"},
};

}  // namespace

std::span<const ControlSpec> MainControls() { return kMainControls; }

const char* HelpTextFor(int id) {
  for (const HelpText& help : kHelpTexts) {
    if (help.id == id) return help.text;
  }
  return nullptr;
}
