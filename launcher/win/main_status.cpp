// The main window's status query and its "Launch Corvel" button.
#include "common/win/list_controls.h"
#include "common/win/message_box.h"
#include "common/win/settings.h"
#include "common/win/wait.h"
#include "launcher/core/server_status.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/main_window.h"
#include "launcher/win/overlay_starter.h"

void MainWindow::QueryServerStatus() {
  if (querying_ || unloading_ || !hwnd_) return;
  queryPicked_ = false;  // this query is the picked server's
  infoPairs.clear();
  const std::string server = FieldText(serverField);
  if (server.empty()) return;

  querying_ = true;
  for (int id : {typeField, timeLimitField, mapField, privateField, maxPlayersField, fragLimitField}) {
    SetFieldText(id, "");
  }
  mapList_.clear();
  statusReply_.clear();
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  SendMessageA(Control(playerList), LB_RESETCONTENT, 0, 0);

  // A port that is no number sends nothing: the query then shows no reply.
  // Only the server's own address and port are heard; a name is looked up
  // within the wait, and one still unresolved at its end is no reply.
  const ServerAddress address = SplitServerAddress(server);
  int port = 0;
  if (ParsePort(address.port, port)) {
    statusRound_.Start({{address.host, port, ReplyForm::Status, RowListens::UntilDeadline}}, StatusRequest(statusPrefix));
  }
  // The full wait whether or not a reply came; the socket stays open throughout.
  WaitKeepingEventsFlowing(kStatusWaitMs);
  statusRound_.Stop();
  if (unloading_ || !hwnd_) {
    // Closed during the wait: the wait was cut short, so its empty result must
    // not replace the map list stored by an earlier query.
    querying_ = false;
    return;
  }

  // Another server picked meanwhile: this reply is no longer the field's.
  if (FieldText(serverField) == server) ShowStatusReply(statusReply_);
  querying_ = false;
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  if (queryPicked_) {
    QueryServerStatus();  // which opens the starter if "Launch Corvel" was pressed meanwhile
    return;
  }

  // "Launch Corvel" pressed during this query opens the starter now.
  if (launchAfterQuery_ && !launching_) {
    launchAfterQuery_ = false;
    if (OverlayStarterWindow* starter = OpenOverlayStarter()) starter->RunModal();
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
  queryPicked_ = true;
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

OverlayStarterWindow* MainWindow::LaunchCorvel() {
  if (querying_) {
    launchAfterQuery_ = true;  // opens when the running query ends
    return nullptr;
  }
  if (mapList_.empty()) {
    launching_ = true;
    QueryServerStatus();
    launching_ = false;
  }
  launchAfterQuery_ = false;  // a click during that query was this same one
  return OpenOverlayStarter();
}

OverlayStarterWindow* MainWindow::OpenOverlayStarter() { return OpenModal(overlayStarter_, appFolder_); }

void MainWindow::OnLaunchCorvelClicked() {
  if (OverlayStarterWindow* starter = LaunchCorvel()) starter->RunModal();
}
