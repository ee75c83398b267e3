#include "overlay/core/player_actions.h"

#include <optional>
#include <utility>

#include "common/core/text.h"
#include "overlay/core/inspection_record.h"
#include "overlay/core/key_codes.h"
#include "overlay/core/overlay_layout.h"

// "\s" and "\q" are the inspection server's own escapes, sent as they stand.
const std::array<PlayerAction, 18> kPlayerActions = {{
    {"K - Kick", ActionKind::SendCommand, "K", "KO4"},
    {"B - Bann", ActionKind::SendCommand, "K", "KB4"},
    {"D - Bann for Day", ActionKind::SendCommand, "K", "DB4"},
    {"S - Suicide", ActionKind::SendCommand, "Mcon\\s\\qkill\\q\\s", ""},
    {"Z - Action SS", ActionKind::SendCommand, "Mscreenshot_action\\s", ""},
    {"Y - All SS", ActionKind::SendCommand, "Mscreenshot_all\\s", ""},
    {"A - To Allied", ActionKind::SendCommand, "Mswitch_allies\\s", ""},
    {"G - To Axis", ActionKind::SendCommand, "Mswitch_axis\\s", ""},
    {"P - To Spec", ActionKind::SendCommand, "Mswitch_spectator\\s", ""},
    {"T - Timeout", ActionKind::SendCommand, "Mtimeout\\s", ""},
    {"R - Release", ActionKind::SendCommand, "Mrelease\\s", ""},
    {"F - ForceSkins", ActionKind::SendCommand, "Mclient_forceskin\\s", ""},
    {"J - Taunts OFF", ActionKind::SendCommand, "J", ""},
    {"L - Chat OFF", ActionKind::SendCommand, "L", ""},
    {"N - Disconnect", ActionKind::SendCommand, "Mclient_disconnect\\s", ""},
    {"Q - Force Quit", ActionKind::SendCommand, "Mclient_quit\\s", ""},
    {"C - Change Map", ActionKind::ChangeMap, "", ""},
    {"X - Cancel", ActionKind::Cancel, "", ""},
}};

namespace {

std::string ChangeMapLine() {
  for (const PlayerAction& a : kPlayerActions) {
    if (a.kind == ActionKind::ChangeMap) return a.menuLine;
  }
  return {};
}

// "B - dm/mohdm6" holds the map dm/mohdm6.
std::string MapOfLine(const std::string& line) {
  return line.size() >= 4 && line.compare(1, 3, " - ") == 0 ? line.substr(4) : line;
}

const PlayerAction* ActionOfKey(char key) {
  for (const PlayerAction& a : kPlayerActions) {
    if (a.Key() == key) return &a;
  }
  return nullptr;
}

}  // namespace

std::vector<std::string> ActionMenuLines() {
  std::vector<std::string> lines;
  for (const PlayerAction& a : kPlayerActions) lines.emplace_back(a.menuLine);
  return lines;
}

std::string ActionCommand(char key, int client) {
  const PlayerAction* action = ActionOfKey(key);
  if (!action || action->kind != ActionKind::SendCommand) return {};
  return action->prefix + std::to_string(client) + action->suffix;
}

void PlayerActions::OnPickKey(uint16_t key) {
  if (key == kRightArrowKey) {
    view_.ShowMaps(true);
    return;
  }
  if (key == kPageDownKey) {
    state.nextPage = true;
    view_.SetMessageLine(kNextPageMessage);
    return;
  }
  // Letters and digits are their own characters' codes.
  const std::optional<int> client = key <= 0x7F ? ClientOfKeyCharacter(static_cast<char>(key)) : std::nullopt;
  if (!client) return;
  const bool nextPage = std::exchange(state.nextPage, false);
  state.pickedKey = (nextPage ? std::string(1, kNextPageMark) : std::string()) + static_cast<char>(key);
  state.pickedClient = *client + (nextPage ? kKeysPerPage : 0);
  // Every player row: in all-data mode a client's row can lie below the
  // number of lines in the record.
  // With no row for the key the line names the client number the command
  // will carry, never the player picked before.
  const std::string wanted = LowerCase(state.pickedKey);
  std::string shown = "Client " + std::to_string(state.pickedClient);
  for (int r = 1; r < grid_.Rows(); ++r) {
    if (LowerCase(grid_.Text(r, kKeyCol)) == wanted) shown = grid_.Text(r, kNameCol);
  }
  view_.SetMessageLine(shown);
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
  const PlayerAction* action = ActionOfKey(key);
  if (!action) {
    OverlayOnTop();
    view_.SetMessageLine("No Valid Command");
    state.menuMode = MenuMode::Done;
    return;
  }
  switch (action->kind) {
    case ActionKind::SendCommand: {
      CommandRecord record;
      record.menuLine = action->menuLine;
      record.client = std::to_string(state.pickedClient);
      FillPickedRow(record);
      if (router_) {
        ReportRouted(router_->RouteAction(key, state.pickedClient), true, std::move(record));
      } else {
        SendAndReport(ActionCommand(key, state.pickedClient), true, std::move(record));
      }
      state.menuMode = MenuMode::Done;
      view_.ShowActions(false);
      break;
    }
    case ActionKind::ChangeMap:
      view_.ShowMaps(true);
      view_.ShowActions(false);
      state.mapPending = true;
      break;
    case ActionKind::Cancel:
      view_.SetMessageLine("Action Cancelled");
      state.menuMode = MenuMode::Done;
      view_.ShowActions(false);
      break;
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
    if (key != 'Z') view_.SetMessageLine("No Valid Command");
    return;
  }
  const std::string& line = lines[static_cast<size_t>(index)];
  CommandRecord record;
  record.menuLine = ChangeMapLine();
  record.map = MapOfLine(line);
  if (router_) {
    const RoutedCommand routed = router_->RouteMap(record.map);
    ReportRouted(routed, false, std::move(record));
  } else {
    SendAndReport("X" + line, false, std::move(record));
  }
  OverlayOnTop();
  state.menuMode = MenuMode::Done;
  view_.ShowMaps(false);
}

// The line is written after the send, so that the log never holds a command
// up, and only for a command that went out.
void PlayerActions::SendAndReport(const std::string& text, bool reportSent, CommandRecord record) {
  if (!link_.SendCommand(text)) {
    view_.SetMessageLine("Command Not Sent");
    return;
  }
  if (reportSent) view_.SetMessageLine("Command Sent");
  Record(std::move(record), text);
}

void PlayerActions::ReportRouted(const RoutedCommand& routed, bool reportSent, CommandRecord record) {
  switch (routed.outcome) {
    case RouteOutcome::Sent:
      break;
    case RouteOutcome::NotSent:
      view_.SetMessageLine("Command Not Sent");
      return;
    case RouteOutcome::NotAvailable:
      view_.SetMessageLine(kNotAvailableMessage);
      return;
    case RouteOutcome::ServerNotKnown:
      view_.SetMessageLine(kServerNotKnownMessage);
      return;
  }
  if (reportSent) view_.SetMessageLine("Command Sent");
  Record(std::move(record), routed.command);
}

void PlayerActions::Record(CommandRecord record, const std::string& command) {
  if (!log_) return;
  record.command = command;
  if (log_->Append(record)) {
    noLogShown_ = false;
  } else if (!noLogShown_) {
    view_.SetMessageLine(kNoLogMessage);
    noLogShown_ = true;
  }
}

// The picked key's row as the window shows it at the send: the server acts
// on the client number, whoever holds it now.
void PlayerActions::FillPickedRow(CommandRecord& record) const {
  const std::string wanted = LowerCase(state.pickedKey);
  for (int r = 1; r < grid_.Rows(); ++r) {
    if (LowerCase(grid_.Text(r, kKeyCol)) != wanted) continue;
    record.name = grid_.Text(r, kNameCol);
    record.address = grid_.Text(r, kIpCol);
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
  state.nextPage = false;
}

void PlayerActions::OnWindowClick() { Dismiss(); }
void PlayerActions::OnMessageLineClick() { Dismiss(); }

void PlayerActions::OnMapListClick() {
  view_.ShowMaps(false);
  Dismiss();
}
