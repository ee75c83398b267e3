#include "launcher/win/server_list_window.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kServerListClass = "KestrunServerList";
// Not IDOK or IDCANCEL: those come from Enter and Escape.
enum : int { kListId = 100, kRefreshId, kCloseId };
constexpr UINT_PTR kRoundTimer = 1;
// As long as the status query waits for its reply.
constexpr UINT kRoundMs = 1500;
constexpr int kMaxDatagram = 65536;
// Datagrams read per notice; more waiting raise the notice again.
constexpr int kReadsPerNotice = 32;

// Placed by LayOut, which fits them to the client area.
const ControlSpec kControls[] = {
    {kListId,
     {WC_LISTVIEWA, WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA, WS_EX_CLIENTEDGE},
     ""},
    {kRefreshId, {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON}, "Refresh"},
    {kCloseId, {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON}, "Close"},
};

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

// Milliseconds from the performance counter: GetTickCount moves in steps of
// 10 to 16 ms, too coarse for the ping of a server nearby.
uint32_t NowMs() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return f.QuadPart > 0 ? f.QuadPart : 1;
  }();
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<uint32_t>(now.QuadPart / frequency * 1000 + now.QuadPart % frequency * 1000 / frequency);
}

}  // namespace

ServerListWindow::ServerListWindow(OwnerWindow owner, std::vector<std::string> entries, HWND serverField,
                                   std::string request)
    : OwnedWindow(owner), serverField_(serverField), entries_(std::move(entries)), request_(std::move(request)) {
  WSADATA data;
  winsockReady_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

ServerListWindow::~ServerListWindow() {
  Close();
  if (winsockReady_) WSACleanup();
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
  StopRound();
  servers_.StartRound();
  SendRound();
  ShowEveryRow();
}

void ServerListWindow::SendRound() {
  if (!winsockReady_) {
    EndRound();
    return;
  }
  socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  // Bound and selected before the first send, so that no reply can come before the notices.
  if (socket_ == INVALID_SOCKET || bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      WSAAsyncSelect(socket_, hwnd_, kSocketMessage, FD_READ) != 0) {
    EndRound();
    return;
  }
  datagram_.resize(kMaxDatagram);
  SetTimer(hwnd_, kRoundTimer, kRoundMs, nullptr);
  for (size_t i = 0; i < servers_.Size(); ++i) {
    const ServerRow& row = servers_.Rows()[i];
    uint32_t address = 0;
    if (row.state == RowState::Resolving && ParseDottedIPv4(row.host, address)) SendRequest(i, address);
  }
  StartLookups();
  if (!servers_.Waiting()) EndRound();  // only bad addresses, or no servers at all
}

// A new socket per round: replies to an earlier round's requests reach the
// earlier socket, which is closed, and so never fill this round's rows.
void ServerListWindow::StopRound() {
  for (const auto& lookup : lookups_) WSACancelAsyncRequest(lookup->handle);
  lookups_.clear();
  if (hwnd_) KillTimer(hwnd_, kRoundTimer);
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

void ServerListWindow::EndRound() {
  StopRound();
  servers_.EndRound();
  ShowEveryRow();
}

void ServerListWindow::SendRequest(size_t row, uint32_t address) {
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_addr.s_addr = htonl(address);
  remote.sin_port = htons(static_cast<u_short>(servers_.Rows()[row].port));
  servers_.MarkSent(row, address, NowMs());
  // A failed send is a server that does not answer: the row shows "no reply".
  sendto(socket_, request_.data(), static_cast<int>(request_.size()), 0, reinterpret_cast<const sockaddr*>(&remote),
         sizeof remote);
}

bool ServerListWindow::LookingUp(const std::string& host) const {
  return std::any_of(lookups_.begin(), lookups_.end(), [&](const auto& lookup) { return lookup->host == host; });
}

// Host names are looked up beside the window thread, a few at a time; each
// lookup serves every row of that host.
void ServerListWindow::StartLookups() {
  for (size_t i = 0; i < servers_.Size() && lookups_.size() < kMaxLookups; ++i) {
    const ServerRow& row = servers_.Rows()[i];
    if (row.state != RowState::Resolving || LookingUp(row.host)) continue;
    auto lookup = std::make_unique<Lookup>();
    lookup->host = row.host;
    lookup->handle = WSAAsyncGetHostByName(hwnd_, kLookupMessage, lookup->host.c_str(), lookup->entry,
                                           sizeof lookup->entry);
    if (!lookup->handle) {
      servers_.MarkBadAddress(i);
      ShowRow(i);
      continue;
    }
    lookups_.push_back(std::move(lookup));
  }
}

void ServerListWindow::OnLookupDone(HANDLE handle, int error) {
  const auto found = std::find_if(lookups_.begin(), lookups_.end(),
                                  [&](const auto& lookup) { return lookup->handle == handle; });
  if (found == lookups_.end()) return;  // a lookup of an earlier round
  const std::unique_ptr<Lookup> lookup = std::move(*found);
  lookups_.erase(found);
  const auto* entry = reinterpret_cast<const hostent*>(lookup->entry);
  const bool resolved = error == 0 && entry->h_addrtype == AF_INET && entry->h_length == 4 && entry->h_addr_list &&
                        entry->h_addr_list[0];
  uint32_t address = 0;
  if (resolved) {
    std::memcpy(&address, entry->h_addr_list[0], sizeof address);
    address = ntohl(address);
  }
  for (size_t i = 0; i < servers_.Size(); ++i) {
    const ServerRow& row = servers_.Rows()[i];
    if (row.state != RowState::Resolving || row.host != lookup->host) continue;
    if (address != 0) {
      SendRequest(i, address);
    } else {
      servers_.MarkBadAddress(i);
    }
    ShowRow(i);
  }
  StartLookups();
  if (!servers_.Waiting()) EndRound();
}

void ServerListWindow::ReadWaiting() {
  for (int i = 0; i < kReadsPerNotice && socket_ != INVALID_SOCKET; ++i) {
    sockaddr_in from{};
    int fromSize = sizeof from;
    const int got = recvfrom(socket_, datagram_.data(), kMaxDatagram, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (got < 0) {
      // A port nobody listens on answers an earlier request with a reset.
      if (WSAGetLastError() == WSAECONNRESET) continue;
      return;
    }
    const std::string_view bytes(datagram_.data(), static_cast<size_t>(got));
    for (size_t row : servers_.TakeReply(ntohl(from.sin_addr.s_addr), ntohs(from.sin_port), bytes, NowMs())) {
      ShowRow(row);
    }
  }
  if (!servers_.Waiting()) EndRound();
}

int ServerListWindow::LocalPort() const {
  if (socket_ == INVALID_SOCKET) return 0;
  sockaddr_in local{};
  int size = sizeof local;
  if (getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &size) != 0) return 0;
  return ntohs(local.sin_port);
}

void ServerListWindow::Refresh() {
  if (hwnd_) StartRound();
}

int ServerListWindow::SelectedRow() const {
  return static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ServerListWindow::PickRow(int row) {
  if (row < 0 || static_cast<size_t>(row) >= servers_.Size()) return;
  SetWindowTextA(serverField_, servers_.Rows()[static_cast<size_t>(row)].server.c_str());
  Close();
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
  StopRound();
  OwnedWindow::Close();
}

LRESULT ServerListWindow::OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case kSocketMessage:
      // Notices of a socket closed meanwhile are stale.
      if (static_cast<SOCKET>(wParam) == socket_ && WSAGETSELECTEVENT(lParam) == FD_READ) ReadWaiting();
      return 0;
    case kLookupMessage:
      OnLookupDone(reinterpret_cast<HANDLE>(wParam), WSAGETASYNCERROR(lParam));
      return 0;
    case WM_TIMER:
      if (wParam == kRoundTimer) EndRound();
      return 0;
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
      StopRound();
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
