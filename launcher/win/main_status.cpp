// The main window's status query and its "Launch Corvel" button.
#include <utility>

#include "common/win/list_controls.h"
#include "common/win/message_box.h"
#include "common/win/settings.h"
#include "launcher/core/server_status.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/main_window.h"
#include "launcher/win/overlay_starter.h"

void MainWindow::QueryServerStatus() { StartStatusQuery(AfterQuery::Nothing); }

// A second wish for a query's end joins the first.
MainWindow::AfterQuery MainWindow::Joined(AfterQuery due, AfterQuery asked) {
  const auto holds = [](AfterQuery after, AfterQuery part) {
    return after == part || after == AfterQuery::QueryAgainThenOpenStarter;
  };
  const bool again = holds(due, AfterQuery::QueryAgain) || holds(asked, AfterQuery::QueryAgain);
  const bool starter = holds(due, AfterQuery::OpenStarter) || holds(asked, AfterQuery::OpenStarter);
  if (again) return starter ? AfterQuery::QueryAgainThenOpenStarter : AfterQuery::QueryAgain;
  return starter ? AfterQuery::OpenStarter : AfterQuery::Nothing;
}

void MainWindow::StartStatusQuery(AfterQuery after) {
  if (unloading_ || !hwnd_) return;
  const std::string server = FieldText(serverField);
  if (statusQuery_.Running()) {
    // The running query answers for its own server; another waits its turn.
    if (server != statusQuery_.Server()) after = Joined(after, AfterQuery::QueryAgain);
    afterQuery_ = Joined(afterQuery_, after);
    return;
  }
  infoPairs.clear();
  if (server.empty()) {
    if (after == AfterQuery::OpenStarter) PostMessageA(hwnd_, kOpenStarterMessage, 0, 0);
    return;
  }
  for (int id : {typeField, timeLimitField, mapField, privateField, maxPlayersField, fragLimitField}) {
    SetFieldText(id, "");
  }
  mapList_.clear();
  SendMessageA(Control(playerList), LB_RESETCONTENT, 0, 0);
  if (!statusQuery_.Start(server, StatusRequest(statusPrefix))) return;
  afterQuery_ = after;
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

// The starter is opened from a message of this window's own: its modal loop
// must not run inside the query's notice.
void MainWindow::OnStatusQueryEnded(const std::string& server, const std::string& reply) {
  const AfterQuery after = std::exchange(afterQuery_, AfterQuery::Nothing);
  // Another server put into the field meanwhile: this reply is no longer the
  // field's, and the field's server is queried next if it was asked for.
  const bool fieldsReply = FieldText(serverField) == server;
  if (fieldsReply) ShowStatusReply(reply);
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  switch (after) {
    case AfterQuery::Nothing:
      break;
    case AfterQuery::QueryAgain:
      if (!fieldsReply) StartStatusQuery(AfterQuery::Nothing);
      break;
    case AfterQuery::QueryAgainThenOpenStarter:
      if (!fieldsReply) {
        StartStatusQuery(AfterQuery::OpenStarter);
        break;
      }
      [[fallthrough]];
    case AfterQuery::OpenStarter:
      PostMessageA(hwnd_, kOpenStarterMessage, 0, 0);
      break;
  }
}

void MainWindow::ShowStatusReply(const std::string& reply) {
  const ServerStatus status = ParseStatusReply(reply);
  infoPairs = status.infoPairs;
  SetFieldText(typeField, status.TypeShown());
  SetFieldText(privateField, status.privateSlots);
  SetFieldText(maxPlayersField, status.maxPlayers);
  SetFieldText(timeLimitField, status.timeLimit);
  SetFieldText(mapField, status.mapName);
  SetFieldText(fragLimitField, status.fragLimit);
  // Drawn once when filled: a reply of many thousand lines would otherwise
  // redraw the list at every line.
  HWND list = Control(playerList);
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& line : status.playerLines) AddListLine(list, line);
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
  mapList_ = status.mapList;
  SetFieldText(mapListCaption, "Maps: " + mapList_);
  settings::Write(settings::kMapList, mapList_);
}

void MainWindow::OnServerStatusClicked() { QueryServerStatus(); }

// Posted, so that the query runs after the Server List's own handling is done.
void MainWindow::OnServerPicked(const std::string& server) {
  SetFieldText(serverField, server);
  if (hwnd_) PostMessageA(hwnd_, kServerPickedMessage, 0, 0);
}

// Kept as a server the player started with is: in the field's choices and in
// sip.txt. A file that cannot be saved is named at once, as the list editors
// do: the Server List stands in front of the help line, and the next start
// names it no more.
void MainWindow::OnServerAddedToSaved(const std::string& server) {
  unsavedLists.clear();
  RememberEntry(rememberedServers, serverField, server, "\\sip.txt");
  for (const std::string& path : unsavedLists) ShowMessage("Could not save " + path, MB_OK);
  unsavedLists.clear();
}

void MainWindow::OnServerFieldLeft() {
  // Only a move to another control of this window counts: not a message box,
  // another window or another program taking the focus.
  HWND focus = GetFocus();
  HWND field = Control(serverField);
  if (!focus || !IsChild(hwnd_, focus) || focus == field || IsChild(field, focus)) return;
  QueryServerStatus();
}

// With no map list known the query runs first; the starter opens at its end.
OverlayStarterWindow* MainWindow::LaunchCorvel() {
  if (Querying() || (mapList_.empty() && !FieldText(serverField).empty())) {
    StartStatusQuery(AfterQuery::OpenStarter);
    return nullptr;
  }
  return OpenOverlayStarter();
}

OverlayStarterWindow* MainWindow::OpenOverlayStarter() { return OpenModal(overlayStarter_, appFolder_); }

void MainWindow::OnLaunchCorvelClicked() {
  if (OverlayStarterWindow* starter = LaunchCorvel()) starter->RunModal();
}
