#include "player_actions.h"

#include "overlay_layout.h"
#include "text.h"

namespace {

constexpr uint16_t kRightArrow = 39;

struct ActionText {
  char key;
  const char* prefix;
  const char* suffix;  // after the client number
};

// "\s" and "\q" are the inspection server's own escapes, sent as they stand.
constexpr ActionText kActionTexts[] = {
    {'K', "K", "KO4"},
    {'B', "K", "KB4"},
    {'D', "K", "DB4"},
    {'S', "Mcon\\s\\qkill\\q\\s", ""},
    {'Z', "Mscreenshot_action\\s", ""},
    {'Y', "Mscreenshot_all\\s", ""},
    {'A', "Mswitch_allies\\s", ""},
    {'G', "Mswitch_axis\\s", ""},
    {'P', "Mswitch_spectator\\s", ""},
    {'T', "Mtimeout\\s", ""},
    {'R', "Mrelease\\s", ""},
    {'F', "Mclient_forceskin\\s", ""},
    {'J', "J", ""},
    {'L', "L", ""},
    {'N', "Mclient_disconnect\\s", ""},
    {'Q', "Mclient_quit\\s", ""},
};

int ClientOfKey(uint16_t ck) {
  if (ck >= '0' && ck <= '9') return ck - 22;
  return ck - 65;
}

}  // namespace

std::string ActionCommand(char key, int client) {
  for (const ActionText& a : kActionTexts) {
    if (a.key == key) return a.prefix + std::to_string(client) + a.suffix;
  }
  return {};
}

void PlayerActions::pick(uint16_t ck) {
  if (ck == kRightArrow) {
    view_.ShowMaps(true);
    return;
  }
  state.pickedKey = std::string(1, static_cast<char>(ck));
  state.pickedClient = ClientOfKey(ck);
  // Every player row: in all-data mode a client's row can lie below the
  // number of lines in the record.
  // With no row for the key the line names the client number the command
  // will carry, never the player picked before.
  const std::string wanted = LowerCase(state.pickedKey);
  std::string shown = "Client " + std::to_string(state.pickedClient);
  for (int r = 1; r < grid_.Rows(); ++r) {
    if (LowerCase(grid_.Text(r, kKeyCol)) == wanted) shown = grid_.Text(r, kNameCol);
  }
  view_.SetLabel(shown);
  state.menuMode = kActionStep;
  view_.ShowActions(true);
}

void PlayerActions::kick(uint16_t act) {
  const char key = static_cast<char>(act);
  if (state.mapPending == 1) {
    ChooseMap(key);
  } else {
    ChooseAction(key);
  }
}

void PlayerActions::ChooseAction(char key) {
  const std::string text = ActionCommand(key, state.pickedClient);
  if (!text.empty()) {
    SendAndReport(text, true);
    state.menuMode = kDone;
    view_.ShowActions(false);
  } else if (key == 'C') {
    view_.ShowMaps(true);
    view_.ShowActions(false);
    state.mapPending = 1;
  } else if (key == 'X') {
    view_.SetLabel("Action Cancelled");
    state.menuMode = kDone;
    view_.ShowActions(false);
  } else {
    OverlayOnTop();
    view_.SetLabel("No Valid Command");
    state.menuMode = kDone;
  }
}

void PlayerActions::ChooseMap(char key) {
  state.mapPending = 0;
  const std::vector<std::string> lines = view_.MapLines();
  const long index = static_cast<long>(key) - 'A';
  // The last line is "Z - Cancel"; its position and anything past it hold no map.
  const bool isMap = key != 'Z' && index >= 0 && index + 1 < static_cast<long>(lines.size());
  if (!isMap) {
    view_.ShowMaps(false);
    state.menuMode = kDone;
    OverlayOnTop();
    if (key != 'Z') view_.SetLabel("No Valid Command");
    return;
  }
  SendAndReport("X" + lines[static_cast<size_t>(index)], false);
  OverlayOnTop();
  state.menuMode = kDone;
  view_.ShowMaps(false);
}

void PlayerActions::SendAndReport(const std::string& text, bool reportSent) {
  if (!link_.cmdSend(text)) {
    view_.SetLabel("Command Not Sent");
  } else if (reportSent) {
    view_.SetLabel("Command Sent");
  }
}

void PlayerActions::OverlayOnTop() {
  order_.SetTopmost(Pane::Actions, false);
  order_.SetTopmost(Pane::Overlay, true);
}

void PlayerActions::Dismiss() {
  order_.SetTopmost(Pane::Overlay, true);
  order_.SetTopmost(Pane::Actions, false);
  state.menuMode = kIdle;
}

void PlayerActions::Form_Click() { Dismiss(); }
void PlayerActions::Label1_Click() { Dismiss(); }

void PlayerActions::curmaps_Click() {
  view_.ShowMaps(false);
  Dismiss();
}
