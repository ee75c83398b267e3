#include "overlay/core/player_actions.h"

#include "common/core/text.h"
#include "overlay/core/overlay_layout.h"

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

int ClientOfKey(uint16_t key) {
  if (key >= '0' && key <= '9') return key - 22;
  return key - 65;
}

}  // namespace

std::string ActionCommand(char key, int client) {
  for (const ActionText& a : kActionTexts) {
    if (a.key == key) return a.prefix + std::to_string(client) + a.suffix;
  }
  return {};
}

void PlayerActions::OnPickKey(uint16_t key) {
  if (key == kRightArrow) {
    view_.ShowMaps(true);
    return;
  }
  state.pickedKey = std::string(1, static_cast<char>(key));
  state.pickedClient = ClientOfKey(key);
  // Every player row: in all-data mode a client's row can lie below the
  // number of lines in the record.
  // With no row for the key the line names the client number the command
  // will carry, never the player picked before.
  const std::string wanted = LowerCase(state.pickedKey);
  std::string shown = "Client " + std::to_string(state.pickedClient);
  for (int r = 1; r < grid_.Rows(); ++r) {
    if (LowerCase(grid_.Text(r, kKeyCol)) == wanted) shown = grid_.Text(r, kNameCol);
  }
  view_.SetStatusLine(shown);
  state.menuMode = MenuMode::Action;
  view_.ShowActions(true);
}

void PlayerActions::OnActionKey(uint16_t key) {
  const char letter = static_cast<char>(key);
  if (state.mapPending) {
    ChooseMap(letter);
  } else {
    ChooseAction(letter);
  }
}

void PlayerActions::ChooseAction(char key) {
  const std::string text = ActionCommand(key, state.pickedClient);
  if (!text.empty()) {
    SendAndReport(text, true);
    state.menuMode = MenuMode::Done;
    view_.ShowActions(false);
  } else if (key == 'C') {
    view_.ShowMaps(true);
    view_.ShowActions(false);
    state.mapPending = true;
  } else if (key == 'X') {
    view_.SetStatusLine("Action Cancelled");
    state.menuMode = MenuMode::Done;
    view_.ShowActions(false);
  } else {
    OverlayOnTop();
    view_.SetStatusLine("No Valid Command");
    state.menuMode = MenuMode::Done;
  }
}

void PlayerActions::ChooseMap(char key) {
  state.mapPending = false;
  const std::vector<std::string> lines = view_.MapLines();
  const long index = static_cast<long>(key) - 'A';
  // The last line is "Z - Cancel"; its position and anything past it hold no map.
  const bool isMap = key != 'Z' && index >= 0 && index + 1 < static_cast<long>(lines.size());
  if (!isMap) {
    view_.ShowMaps(false);
    state.menuMode = MenuMode::Done;
    OverlayOnTop();
    if (key != 'Z') view_.SetStatusLine("No Valid Command");
    return;
  }
  SendAndReport("X" + lines[static_cast<size_t>(index)], false);
  OverlayOnTop();
  state.menuMode = MenuMode::Done;
  view_.ShowMaps(false);
}

void PlayerActions::SendAndReport(const std::string& text, bool reportSent) {
  if (!link_.SendCommand(text)) {
    view_.SetStatusLine("Command Not Sent");
  } else if (reportSent) {
    view_.SetStatusLine("Command Sent");
  }
}

void PlayerActions::OverlayOnTop() {
  order_.SetTopmost(Pane::Actions, false);
  order_.SetTopmost(Pane::Overlay, true);
}

void PlayerActions::Dismiss() {
  order_.SetTopmost(Pane::Overlay, true);
  order_.SetTopmost(Pane::Actions, false);
  state.menuMode = MenuMode::Idle;
}

void PlayerActions::OnWindowClick() { Dismiss(); }
void PlayerActions::OnStatusLineClick() { Dismiss(); }

void PlayerActions::OnMapListClick() {
  view_.ShowMaps(false);
  Dismiss();
}
