// The main window's status query and its "Launch Corvel" button.
#include "list_controls.h"
#include "main_controls.h"
#include "main_window.h"
#include "settings.h"
#include "server_status.h"
#include "wait.h"

namespace {
constexpr int32_t kStatusWaitMs = 1500;
}  // namespace

void MainWindow::getstatus() {
  if (querying_ || unloading_ || !hwnd_) return;
  buff1.clear();
  buff5.clear();
  const std::string server = FieldText(text8);
  if (server.empty()) return;

  querying_ = true;
  for (int id : {gamet, timel, mapname, Priv, Maxplay, fragl}) SetFieldText(id, "");
  mapList_.clear();
  reply_.clear();
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  SendMessageA(Control(List3), LB_RESETCONTENT, 0, 0);

  // A port that is no number sends nothing: the query then shows no reply.
  const ServerAddress address = SplitServerAddress(server);
  int port = 0;
  UDP1.DataArrival = [this](const std::string& data) { UDP1_DataArrival(data); };
  if (ParsePort(address.port, port)) UDP1.Send(address.host, port, StatusRequest(statusPrefix));
  // The full wait whether or not a reply came; the socket stays open throughout.
  WaitKeepingEventsFlowing(kStatusWaitMs);
  UDP1.Close();
  if (unloading_ || !hwnd_) {
    // Closed during the wait: the wait was cut short, so its empty result must
    // not replace the map list stored by an earlier query.
    querying_ = false;
    return;
  }

  const ServerStatus status = ParseStatusReply(reply_);
  buff1 = status.buff1;
  buff5 = status.buff5;
  SetFieldText(gamet, status.TypeShown());
  SetFieldText(Priv, status.privateSlots);
  SetFieldText(Maxplay, status.maxPlayers);
  SetFieldText(timel, status.timeLimit);
  SetFieldText(mapname, status.mapName);
  SetFieldText(fragl, status.fragLimit);
  // Drawn once when filled: a reply of many thousand lines would otherwise
  // redraw the list at every line.
  HWND list3 = Control(List3);
  SendMessageA(list3, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list3, LB_RESETCONTENT, 0, 0);
  for (const std::string& line : buff1) AddListLine(list3, line);
  SendMessageA(list3, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list3, nullptr, TRUE);
  mapList_ = status.mapList;
  SetFieldText(mpl, "Maps: " + mapList_);
  settings::Write(settings::kMapList, mapList_);
  querying_ = false;
  SetCursor(LoadCursor(nullptr, IDC_ARROW));

  // "Launch Corvel" pressed during this query opens the starter now.
  if (launchAfterQuery_ && !launching_) {
    launchAfterQuery_ = false;
    if (OverlayStarter* starter = OpenOverlayStarter()) starter->RunModal();
  }
}

void MainWindow::UDP1_DataArrival(const std::string& data) {
  // The last datagram counts.
  if (querying_) reply_ = data;
}

void MainWindow::Command1_Click() { getstatus(); }

void MainWindow::text8_LostFocus() {
  // Only a move to another control of this window counts: not a message box,
  // another window or another program taking the focus.
  HWND focus = GetFocus();
  HWND field = Control(text8);
  if (!focus || !IsChild(hwnd_, focus) || focus == field || IsChild(field, focus)) return;
  getstatus();
}

OverlayStarter* MainWindow::LaunchCorvel() {
  if (querying_) {
    launchAfterQuery_ = true;  // opens when the running query ends
    return nullptr;
  }
  if (mapList_.empty()) {
    launching_ = true;
    getstatus();
    launching_ = false;
  }
  launchAfterQuery_ = false;  // a click during that query was this same one
  return OpenOverlayStarter();
}

OverlayStarter* MainWindow::OpenOverlayStarter() {
  if (!hwnd_ || unloading_ || (ministart_ && !ministart_->Closed())) return nullptr;
  ministart_ = std::make_unique<OverlayStarter>(hwnd_, appFolder_);
  if (!ministart_->Open()) ministart_.reset();
  return ministart_.get();
}

void MainWindow::Command2_Click() {
  if (OverlayStarter* starter = LaunchCorvel()) starter->RunModal();
}
