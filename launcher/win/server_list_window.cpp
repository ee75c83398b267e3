#include "launcher/win/server_list_window.h"

#include <commctrl.h>

#include <algorithm>

#include "launcher/core/server_status.h"

namespace {

constexpr const char* kServerListClass = "KestrunServerList";
// Not IDOK or IDCANCEL: those come from Enter and Escape.
enum : int { kListId = 100, kRefreshId, kCloseId };
// Sizes at 96 dpi.
constexpr int kClientWidth = 600;
constexpr int kClientHeight = 320;
constexpr int kMinWidth = 320;
constexpr int kMinHeight = 160;
constexpr int kMargin = 10;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 28;
constexpr int kColumnWidths[kServerColumnCount] = {140, 165, 110, 60, 85};  // fit "bad address"

// Added to the owned window's caption and close box: it can be sized.
constexpr DWORD kExtraWindowStyle = WS_THICKFRAME | WS_MAXIMIZEBOX;

// Placed by LayOut, which fits them to the client area.
const ControlSpec kControls[] = {
    {kListId,
     {WC_LISTVIEWA, WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA, WS_EX_CLIENTEDGE},
     ""},
    {kRefreshId, {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON}, "Refresh"},
    {kCloseId, {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON}, "Close"},
};

}  // namespace

// Each row waits as long as the status query waits for its reply, from its own request on.
ServerListWindow::ServerListWindow(OwnerWindow owner, std::vector<std::string> entries,
                                   std::function<void(const std::string&)> onPick, std::string request)
    : OwnedWindow(owner),
      onPick_(std::move(onPick)),
      entries_(std::move(entries)),
      request_(std::move(request)),
      round_(kStatusWaitMs, kServerNameLimitMs) {
  round_.onRowChange = [this](size_t entry, UdpRowChange change, uint32_t address, uint32_t atMs) {
    OnRowChange(entry, change, address, atMs);
  };
  round_.onReply = [this](const UdpReply& reply) { OnReply(reply); };
  round_.onEnd = [this] { EndRound(); };
}

ServerListWindow::~ServerListWindow() {
  Close();
}

bool ServerListWindow::Open() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  const bool created = Create({.className = kServerListClass,
                               .caption = "Server List",
                               .clientSize96 = {kClientWidth, kClientHeight},
                               .cascadeOffset = 30,
                               .extraStyle = kExtraWindowStyle,
                               .controls = kControls});
  if (!created) return false;
  list_ = Control(kListId);
  refreshButton_ = Control(kRefreshId);
  closeButton_ = Control(kCloseId);
  SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  AddColumns();
  LayOut();
  servers_.SetServers(entries_);
  ShowAllRows();
  ShowModal();
  SetFocus(list_);
  StartRound();
  return true;
}

void ServerListWindow::AddColumns() {
  for (int i = 0; i < kServerColumnCount; ++i) {
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_SUBITEM | LVCF_FMT;
    const auto which = static_cast<ServerColumn>(i);
    column.fmt = which == ServerColumn::Players || which == ServerColumn::Ping ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.pszText = const_cast<char*>(ServerColumnCaption(which));
    column.iSubItem = i;
    SendMessageA(list_, LVM_INSERTCOLUMNA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
  }
}

void ServerListWindow::LayOut() {
  if (!hwnd_ || !list_) return;
  const int dpi = Dpi();
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int margin = Scaled(kMargin, dpi);
  const int buttonWidth = Scaled(kButtonWidth, dpi);
  const int buttonHeight = Scaled(kButtonHeight, dpi);
  const int buttonTop = client.bottom - margin - buttonHeight;
  MoveWindow(list_, margin, margin, std::max<int>(0, client.right - 2 * margin),
             std::max(0, buttonTop - 2 * margin), TRUE);
  MoveWindow(closeButton_, client.right - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight, TRUE);
  MoveWindow(refreshButton_, client.right - 2 * (margin + buttonWidth), buttonTop, buttonWidth, buttonHeight, TRUE);
  // Widths the user dragged are kept until the dpi changes.
  if (dpi == columnsDpi_) return;
  columnsDpi_ = dpi;
  for (int i = 0; i < kServerColumnCount; ++i) {
    SendMessageA(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), Scaled(kColumnWidths[i], dpi));
  }
}

// The list holds no texts of its own: it asks for the cells it draws
// (LVN_GETDISPINFO), so that a reply costs a redraw of one row, not five texts set.
void ServerListWindow::ShowAllRows() {
  SendMessageA(list_, LVM_SETITEMCOUNT, servers_.Size(), 0);
  if (servers_.Size() > 0 && SelectedRow() < 0) SelectRow(0);
}

void ServerListWindow::ShowEveryRow() { InvalidateRect(list_, nullptr, TRUE); }

void ServerListWindow::ShowRow(size_t row) { SendMessageA(list_, LVM_REDRAWITEMS, row, row); }

void ServerListWindow::OnCellWanted(NMLVDISPINFOA& cell) {
  if (!(cell.item.mask & LVIF_TEXT) || !cell.item.pszText || cell.item.cchTextMax <= 0) return;
  shownText_ = servers_.CellText(static_cast<size_t>(cell.item.iItem), static_cast<ServerColumn>(cell.item.iSubItem));
  const size_t room = static_cast<size_t>(cell.item.cchTextMax) - 1;
  const size_t length = std::min(shownText_.size(), room);
  shownText_.copy(cell.item.pszText, length);
  cell.item.pszText[length] = '\0';
}

// The requests go out before the rows are redrawn, so that redrawing is not
// counted in the pings.
void ServerListWindow::StartRound() {
  servers_.StartRound();
  std::vector<UdpTarget> targets;
  targets.reserve(servers_.Size());
  for (size_t entry = 0; entry < servers_.Size(); ++entry) {
    const ServerRow& row = servers_.Rows()[servers_.RowOf(entry)];
    targets.push_back(row.state == RowState::BadAddress ? UdpTarget{} : UdpTarget{row.host, row.port});
  }
  round_.Start(std::move(targets), request_);
  ShowEveryRow();
}

void ServerListWindow::OnRowChange(size_t entry, UdpRowChange change, uint32_t address, uint32_t atMs) {
  const size_t row = servers_.RowOf(entry);
  switch (change) {
    case UdpRowChange::Sent:
      servers_.MarkSent(row, address, atMs);
      return;  // a row waiting looks like one resolving
    case UdpRowChange::BadAddress:
      servers_.MarkBadAddress(row);
      break;
    case UdpRowChange::NoReply:
      servers_.MarkNoReply(row);
      break;
  }
  ShowRow(row);
}

// A row answered waits no more; a second datagram of its server changes nothing.
void ServerListWindow::OnReply(const UdpReply& reply) {
  for (size_t row : servers_.TakeReply(reply.address, reply.port, reply.bytes, reply.atMs)) ShowRow(row);
  for (size_t entry : reply.rows) round_.Finish(entry);
}

void ServerListWindow::EndRound() {
  servers_.EndRound();
  ShowEveryRow();
}

void ServerListWindow::Refresh() {
  if (hwnd_) StartRound();
}

int ServerListWindow::SelectedRow() const {
  return static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ServerListWindow::PickRow(int row) {
  if (row < 0 || static_cast<size_t>(row) >= servers_.Size()) return;
  const std::string server = servers_.Rows()[static_cast<size_t>(row)].server;
  Close();
  if (onPick_) onPick_(server);
}

// The selection stays on its server, wherever the sort takes it.
void ServerListWindow::SortBy(ServerColumn column) {
  const int selected = SelectedRow();
  const std::vector<size_t> wasAt = servers_.SortBy(column);
  const auto moved = std::find(wasAt.begin(), wasAt.end(), static_cast<size_t>(selected));
  if (selected >= 0 && moved != wasAt.end()) SelectRow(static_cast<int>(moved - wasAt.begin()));
  ShowEveryRow();
}

void ServerListWindow::SelectRow(int row) {
  LVITEMA state{};
  state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
  SendMessageA(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

// Enter: on the list it picks the selected row, on a button it presses it.
void ServerListWindow::OnOkPressed() {
  const HWND focus = GetFocus();
  if (focus == refreshButton_) {
    Refresh();
  } else if (focus == closeButton_) {
    Close();
  } else {
    PickRow(SelectedRow());
  }
}

void ServerListWindow::Close() {
  round_.Stop();
  OwnedWindow::Close();
}

LRESULT ServerListWindow::OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NOTIFY: {
      const auto* notice = reinterpret_cast<const NMHDR*>(lParam);
      if (notice->hwndFrom != list_) break;
      if (notice->code == LVN_COLUMNCLICK) {
        SortBy(static_cast<ServerColumn>(reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem));
      }
      if (notice->code == NM_DBLCLK) PickRow(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->iItem);
      if (notice->code == NM_RETURN) PickRow(SelectedRow());
      if (notice->code == LVN_GETDISPINFOA) OnCellWanted(*reinterpret_cast<NMLVDISPINFOA*>(lParam));
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) OnOkPressed();
      if (LOWORD(wParam) == IDCANCEL) Close();
      if (LOWORD(wParam) == kRefreshId && HIWORD(wParam) == BN_CLICKED) Refresh();
      if (LOWORD(wParam) == kCloseId && HIWORD(wParam) == BN_CLICKED) Close();
      return 0;
    case WM_SIZE:
      LayOut();
      return 0;
    case WM_GETMINMAXINFO: {
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize = {Scaled(kMinWidth, Dpi()), Scaled(kMinHeight, Dpi())};
      return 0;
    }
    case WM_NCDESTROY:
      // Destroyed with its owner rather than closed.
      round_.Stop();
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
