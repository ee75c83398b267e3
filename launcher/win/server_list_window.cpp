#include "launcher/win/server_list_window.h"

#include <commctrl.h>

#include <algorithm>

#include "common/win/list_controls.h"
#include "common/win/settings.h"
#include "launcher/core/gamespy_games.h"
#include "launcher/core/master_servers.h"
#include "launcher/core/query_reply.h"
#include "launcher/core/server_status.h"
#include "launcher/win/local_networks.h"

namespace {

constexpr const char* kServerListClass = "KestrunServerList";
// Not IDOK or IDCANCEL: those come from Enter and Escape.
enum : int {
  kListId = 100,
  kPlayersId,
  kSourceId,
  kSearchLabelId,
  kSearchId,
  kHideEmptyId,
  kHideFullId,
  kHideNoReplyId,
  kSummaryId,
  kAddId,
  kRefreshId,
  kCloseId,
};
constexpr UINT_PTR kViewTimer = 1;
constexpr UINT kViewRefreshMs = 100;
// Arrow keys in the closed source box step through the sources: the masters
// are asked once the steps stop.
constexpr UINT_PTR kSourceSettleTimer = 2;
constexpr UINT kSourceSettleMs = 450;

// Sizes at 96 dpi.
constexpr int kClientWidth = 680;
constexpr int kClientHeight = 460;
constexpr int kMargin = 10;
constexpr int kGap = 8;
constexpr int kTopRowHeight = 23;
constexpr int kPlayersHeight = 110;
constexpr int kButtonWidth = 90;
constexpr int kAddButtonWidth = 100;
constexpr int kButtonHeight = 28;
constexpr int kColumnWidths[kServerColumnCount] = {140, 180, 110, 60, 70, 40};  // fit "bad address"
constexpr int kPlayerColumnWidths[] = {220, 60, 60};
constexpr const char* kPlayerColumns[] = {"Name", "Score", "Ping"};

// The top row, left to right: each control's gap before it and width at 96 dpi.
struct TopPlace {
  int id, gapBefore, width;
};
constexpr int kSearchWidth = 150;
// The search box gives up width before the filters would leave the window.
constexpr int kMinSearchWidth = 70;
constexpr TopPlace kTopRow[] = {
    {kSourceId, kMargin, 130}, {kSearchLabelId, 10, 45}, {kSearchId, 0, kSearchWidth},
    {kHideEmptyId, 10, 90},    {kHideFullId, 5, 80},     {kHideNoReplyId, 5, 110},
};
constexpr int TopRowWidth(int searchWidth) {
  int width = kMargin;
  for (const TopPlace& place : kTopRow) width += place.gapBefore + (place.id == kSearchId ? searchWidth : place.width);
  return width;
}
// The smallest client area keeps every control whole.
constexpr int kMinClientWidth = TopRowWidth(kMinSearchWidth);
constexpr int kMinClientHeight = 260;
static_assert(kMinClientWidth >= 2 * kMargin + kAddButtonWidth + 2 * kButtonWidth + 3 * kGap);
static_assert(kMinClientHeight >= 2 * kMargin + kTopRowHeight + kPlayersHeight + kButtonHeight + 3 * kGap + 40);
constexpr int kHideIds[3] = {kHideEmptyId, kHideFullId, kHideNoReplyId};

constexpr COLORREF kPingColours[] = {RGB(0, 128, 0), RGB(176, 112, 0), RGB(200, 0, 0)};  // by PingBand
constexpr COLORREF kLockColour = RGB(96, 96, 96);

// Added to the owned window's caption and close box: it can be sized.
constexpr DWORD kExtraWindowStyle = WS_THICKFRAME | WS_MAXIMIZEBOX;

constexpr DWORD kCheckBox = WS_TABSTOP | BS_AUTOCHECKBOX;

// Placed by LayOut, which fits them to the client area.
const ControlSpec kControls[] = {
    {kSourceId, {"COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST}, ""},
    {kSearchLabelId, {"STATIC", SS_RIGHT | SS_CENTERIMAGE}, "Search:"},
    {kSearchId, {"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE}, ""},
    {kHideEmptyId, {"BUTTON", kCheckBox}, "Hide empty"},
    {kHideFullId, {"BUTTON", kCheckBox}, "Hide full"},
    {kHideNoReplyId, {"BUTTON", kCheckBox}, "Hide no reply"},
    {kListId,
     {WC_LISTVIEWA, WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA, WS_EX_CLIENTEDGE},
     ""},
    // Shows, takes no keys: Tab goes from the servers to the buttons.
    {kPlayersId, {WC_LISTVIEWA, LVS_REPORT | LVS_NOSORTHEADER | LVS_SINGLESEL, WS_EX_CLIENTEDGE}, ""},
    {kSummaryId, {"STATIC", SS_LEFTNOWORDWRAP | SS_CENTERIMAGE}, ""},
    {kAddId, {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON}, "Add to Saved"},
    {kRefreshId, {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON}, "Refresh"},
    {kCloseId, {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON}, "Close"},
};

void AddListColumn(HWND list, int index, const char* caption, bool right) {
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT | LVCF_SUBITEM | LVCF_FMT;
  column.fmt = right ? LVCFMT_RIGHT : LVCFMT_LEFT;
  column.pszText = const_cast<char*>(caption);
  column.iSubItem = index;
  SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

void SetListCell(HWND list, int item, int column, const std::string& text) {
  LVITEMA cell{};
  cell.mask = LVIF_TEXT;
  cell.iItem = item;
  cell.iSubItem = column;
  cell.pszText = const_cast<char*>(text.c_str());
  SendMessageA(list, column == 0 ? LVM_INSERTITEMA : LVM_SETITEMTEXTA, static_cast<WPARAM>(item),
               reinterpret_cast<LPARAM>(&cell));
}

// "Server List Sort": 0 none, the column's number from 1, negative when reversed.
int32_t SortSetting(const ServerList& servers) {
  if (!servers.Sorted()) return 0;
  const int32_t number = static_cast<int32_t>(servers.SortColumn()) + 1;
  return servers.Descending() ? -number : number;
}

}  // namespace

// Each row waits as long as the status query waits for its reply, from its own request on.
ServerListWindow::ServerListWindow(OwnerWindow owner, ServerListSetup setup)
    : OwnedWindow(owner), setup_(std::move(setup)), round_(kStatusWaitMs, kServerNameLimitMs), servers_(round_.Rows()) {
  round_.onChanges = [this](const std::vector<RowChange>& changes) { OnChanges(changes); };
  round_.onEnd = [this] { EndRound(); };
  masters_.onDone = [this] { OnMastersDone(); };
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
  playersList_ = Control(kPlayersId);
  sourceBox_ = Control(kSourceId);
  searchBox_ = Control(kSearchId);
  for (int i = 0; i < 3; ++i) hideBoxes_[i] = Control(kHideIds[i]);
  summaryLine_ = Control(kSummaryId);
  addButton_ = Control(kAddId);
  refreshButton_ = Control(kRefreshId);
  closeButton_ = Control(kCloseId);
  for (HWND list : {list_, playersList_}) {
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  }
  AddColumns();
  FillSourceBox();
  ReadRememberedView();
  LayOut();
  ShowModal();
  SetFocus(list_);
  StartSource();
  return true;
}

void ServerListWindow::AddColumns() {
  for (int i = 0; i < kServerColumnCount; ++i) {
    const auto which = static_cast<ServerColumn>(i);
    AddListColumn(list_, i, ServerColumnCaption(which), which == ServerColumn::Players || which == ServerColumn::Ping);
  }
  for (int i = 0; i < 3; ++i) AddListColumn(playersList_, i, kPlayerColumns[i], i > 0);
}

void ServerListWindow::FillSourceBox() {
  for (int i = 0; i < kServerSourceCount; ++i) AddChoice(sourceBox_, ServerSourceCaption(static_cast<ServerSource>(i)));
}

// The source, sort and filters of the last time the window was open.
void ServerListWindow::ReadRememberedView() {
  const int32_t source = settings::Read(settings::kServerListSource);
  source_ = source >= 0 && source < kServerSourceCount ? static_cast<ServerSource>(source) : ServerSource::Saved;
  SendMessageA(sourceBox_, CB_SETCURSEL, static_cast<WPARAM>(source_), 0);
  const int32_t sort = settings::Read(settings::kServerListSort);
  // Bounded before it is negated: any number may stand in the registry.
  if (sort != 0 && sort >= -kServerColumnCount && sort <= kServerColumnCount) {
    servers_.SortBy(static_cast<ServerColumn>((sort < 0 ? -sort : sort) - 1), sort < 0);
  }
  const settings::FlagSetting hides[3] = {settings::kServerListHideEmpty, settings::kServerListHideFull,
                                          settings::kServerListHideNoReply};
  for (int i = 0; i < 3; ++i) {
    SendMessageA(hideBoxes_[i], BM_SETCHECK, settings::Read(hides[i]) ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  ApplyFilter();
}

HWND ServerListWindow::HideBox(int which) const { return which >= 0 && which < 3 ? hideBoxes_[which] : nullptr; }

void ServerListWindow::LayOut() {
  if (!hwnd_ || !list_) return;
  const int dpi = Dpi();
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int margin = Scaled(kMargin, dpi);
  const int gap = Scaled(kGap, dpi);
  const int buttonWidth = Scaled(kButtonWidth, dpi);
  const int buttonHeight = Scaled(kButtonHeight, dpi);
  const int buttonTop = client.bottom - margin - buttonHeight;
  const int width = std::max<int>(0, client.right - 2 * margin);
  const int spare = MulDiv(client.right, 96, dpi) - TopRowWidth(kSearchWidth);
  const int searchWidth = std::clamp(kSearchWidth + spare, kMinSearchWidth, kSearchWidth);
  int x = 0;
  for (const TopPlace& place : kTopRow) {
    x += place.gapBefore;
    const int placeWidth = place.id == kSearchId ? searchWidth : place.width;
    // A drop-down list's height is that of its open list.
    const int height = place.id == kSourceId ? 150 : kTopRowHeight;
    PlaceScaled(Control(place.id), x, kMargin, placeWidth, height, dpi);
    x += placeWidth;
  }
  const int listTop = margin + Scaled(kTopRowHeight, dpi) + gap;
  const int playersTop = std::max(listTop, buttonTop - gap - Scaled(kPlayersHeight, dpi));
  MoveWindow(list_, margin, listTop, width, std::max(0, playersTop - gap - listTop), TRUE);
  MoveWindow(playersList_, margin, playersTop, width, std::max(0, buttonTop - gap - playersTop), TRUE);
  int right = client.right - margin;
  for (HWND button : {closeButton_, refreshButton_, addButton_}) {
    const int w = button == addButton_ ? Scaled(kAddButtonWidth, dpi) : buttonWidth;
    MoveWindow(button, right - w, buttonTop, w, buttonHeight, TRUE);
    right -= w + gap;
  }
  MoveWindow(summaryLine_, margin, buttonTop, std::max(0, right - margin), buttonHeight, TRUE);
  // Widths the user dragged are kept until the dpi changes.
  if (dpi == columnsDpi_) return;
  columnsDpi_ = dpi;
  for (int i = 0; i < kServerColumnCount; ++i) {
    SendMessageA(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), Scaled(kColumnWidths[i], dpi));
  }
  for (int i = 0; i < 3; ++i) {
    SendMessageA(playersList_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i), Scaled(kPlayerColumnWidths[i], dpi));
  }
}

void ServerListWindow::ChooseSource(ServerSource source) {
  if (hwnd_) KillTimer(hwnd_, kSourceSettleTimer);
  refreshedKey_.clear();
  refreshedTopKey_.clear();
  source_ = source;
  SendMessageA(sourceBox_, CB_SETCURSEL, static_cast<WPARAM>(source), 0);
  settings::Write(settings::kServerListSource, static_cast<int32_t>(source));
  StartSource();
}

// The selected server stays selected when it is listed again, and the view
// stays on the server at its top; a Refresh while the masters are asked keeps
// the servers of the Refresh before.
void ServerListWindow::Refresh() {
  if (!hwnd_) return;
  if (selectedNumber_ < servers_.Size()) refreshedKey_ = servers_.KeyOf(servers_.PlaceOf(selectedNumber_));
  if (const size_t top = TopNumber(); top < servers_.Size()) refreshedTopKey_ = servers_.KeyOf(servers_.PlaceOf(top));
  StartSource();
}

void ServerListWindow::OnSourceBoxChanged() {
  if (SendMessageA(sourceBox_, CB_GETDROPPEDSTATE, 0, 0)) return;
  SetTimer(hwnd_, kSourceSettleTimer, kSourceSettleMs, nullptr);
}

void ServerListWindow::TakeSourceBoxChoice() {
  KillTimer(hwnd_, kSourceSettleTimer);
  const LRESULT chosen = SendMessageA(sourceBox_, CB_GETCURSEL, 0, 0);
  if (chosen >= 0 && chosen < kServerSourceCount && static_cast<ServerSource>(chosen) != source_) {
    ChooseSource(static_cast<ServerSource>(chosen));
  }
}

// The saved servers are asked at once; for a game the masters are asked
// first, and the rows come with their lists.
void ServerListWindow::StartSource() {
  round_.Stop();
  servers_.StartRound();
  awaitedKey_.clear();
  masters_.Cancel();
  if (refreshedKey_.empty()) playerChoseRow_ = false;  // Refresh keeps whose choice the selection is
  selectedNumber_ = SIZE_MAX;
  selectWhenFilled_ = true;
  if (source_ == ServerSource::LocalNetwork) return StartRound({});
  if (source_ == ServerSource::Saved) return StartRound(SavedServerTargets(setup_.savedEntries));
  askedMasters_ = MasterServersFromSetting(settings::ReadIfPresent(settings::kMasterServers));
  const char* game = ServerSourceGame(source_);
  const KeptMasterList* kept =
      setup_.keptMasterLists ? setup_.keptMasterLists->Find(game, askedMasters_, GetTickCount()) : nullptr;
  if (kept) {
    mastersAsked_ = kept->asked;
    mastersAnswered_ = kept->answered;
    StartRound(ListedServerTargets(kept->servers));
    return;
  }
  ShowAllRows();
  masters_.Start(askedMasters_, *FindGameSpyGame(game));
  SetWindowTextA(summaryLine_, ("Asking " + std::to_string(askedMasters_.size()) + " master servers...").c_str());
}

void ServerListWindow::OnMastersDone() {
  mastersAsked_ = masters_.Asked();
  mastersAnswered_ = masters_.Answered();
  if (setup_.keptMasterLists) {
    setup_.keptMasterLists->Keep(ServerSourceGame(source_), askedMasters_,
                                 {masters_.Servers(), mastersAsked_, mastersAnswered_}, GetTickCount());
  }
  StartRound(ListedServerTargets(masters_.Servers()));
}

// The requests go out before the rows are shown, so that redrawing is not
// counted in the pings.
void ServerListWindow::StartRound(std::vector<QueryTarget> targets) {
  if (source_ == ServerSource::LocalNetwork) {
    std::vector<int> ports;
    for (int port = kFirstLocalQueryPort; port <= kLastLocalQueryPort; ++port) ports.push_back(port);
    round_.StartHeard(LocalNetworks(), ports, kMaxServerRows);
  } else {
    round_.Start(std::move(targets), setup_.statusRequest);
  }
  servers_.StartRound();
  servers_.SortAgain();
  if (!refreshedKey_.empty()) selectedNumber_ = servers_.NumberOfKey(refreshedKey_);
  // The local network's rows come as they answer: the selected server's is awaited.
  if (source_ == ServerSource::LocalNetwork) awaitedKey_ = refreshedKey_;
  const size_t top = servers_.NumberOfKey(refreshedTopKey_);
  refreshedKey_.clear();
  refreshedTopKey_.clear();
  ShowAllRows();
  KeepAtTop(top);
  ShowPlayers(true);  // the new round's rows have no players yet
}

// The rows changed are redrawn with the list's rows and summary on the view
// timer, which selects the awaited server's row once it came.
void ServerListWindow::OnChanges(const std::vector<RowChange>& changes) {
  for (const RowChange& change : changes) {
    const size_t place = servers_.RowChanged(change.row);
    ShowRow(place);
    if (!awaitedKey_.empty() && servers_.KeyOf(place) == awaitedKey_) {
      selectedNumber_ = change.row;
      awaitedKey_.clear();
    }
    if (change.stage == QueryStage::Answered && change.row == selectedNumber_) ShowPlayers(true);
  }
  ViewChanged();
}

// At the end the rows are sorted again, now that their values are in. Until
// the player picks a row, the selection is the first one (the busiest server
// under a sort by players), without moving the view.
void ServerListWindow::EndRound() {
  const size_t top = TopNumber();
  awaitedKey_.clear();
  servers_.SortAgain();
  ShowAllRows();
  if (!playerChoseRow_ && !shownRows_.empty()) {
    selectedNumber_ = servers_.At(shownRows_.front()).number;
    ShowSelection();
  }
  KeepAtTop(top);
}

void ServerListWindow::ApplyFilter() {
  ServerFilter filter;
  filter.hideEmpty = SendMessageA(hideBoxes_[0], BM_GETCHECK, 0, 0) == BST_CHECKED;
  filter.hideFull = SendMessageA(hideBoxes_[1], BM_GETCHECK, 0, 0) == BST_CHECKED;
  filter.hideNoReply = SendMessageA(hideBoxes_[2], BM_GETCHECK, 0, 0) == BST_CHECKED;
  filter.search = WindowText(searchBox_);
  const ServerFilter was = servers_.Filter();
  if (filter == was) return;
  servers_.SetFilter(filter);
  // The search is not remembered: rows hidden by a word typed long ago would puzzle.
  if (filter.hideEmpty != was.hideEmpty) settings::Write(settings::kServerListHideEmpty, filter.hideEmpty);
  if (filter.hideFull != was.hideFull) settings::Write(settings::kServerListHideFull, filter.hideFull);
  if (filter.hideNoReply != was.hideNoReply) settings::Write(settings::kServerListHideNoReply, filter.hideNoReply);
  const size_t top = TopNumber();
  ShowAllRows();
  KeepAtTop(top);
}

void ServerListWindow::RememberSort() const { settings::Write(settings::kServerListSort, SortSetting(servers_)); }

// The list holds no texts of its own: it asks for the cells it draws
// (LVN_GETDISPINFO), so that a reply costs a redraw of one row, not six texts set.
void ServerListWindow::ShowAllRows() {
  if (viewTimerSet_) KillTimer(hwnd_, kViewTimer);
  viewTimerSet_ = false;
  shownRows_ = servers_.Shown();
  selectingRow_ = true;
  SendMessageA(list_, LVM_SETITEMCOUNT, shownRows_.size(), LVSICF_NOSCROLL);
  selectingRow_ = false;
  if (selectWhenFilled_ && !shownRows_.empty()) {
    SelectOnFirstFill();
  } else {
    ShowSelection();
  }
  InvalidateRect(list_, nullptr, TRUE);
  shownRowsChanged_ = false;
  ShowSummary();
}

size_t ServerListWindow::TopNumber() const {
  const LRESULT top = SendMessageA(list_, LVM_GETTOPINDEX, 0, 0);
  if (top <= 0 || static_cast<size_t>(top) >= shownRows_.size()) return SIZE_MAX;
  return servers_.At(shownRows_[static_cast<size_t>(top)]).number;
}

// A server no longer shown leaves the view where it is.
void ServerListWindow::KeepAtTop(size_t number) {
  if (number >= servers_.Size()) return;
  const int row = servers_.ShownPositionOf(servers_.PlaceOf(number));
  if (row >= 0) ScrollToTop(row);
}

void ServerListWindow::ScrollToTop(int row) {
  const int top = static_cast<int>(SendMessageA(list_, LVM_GETTOPINDEX, 0, 0));
  RECT item{};
  item.left = LVIR_BOUNDS;
  if (row == top || !SendMessageA(list_, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item))) return;
  SendMessageA(list_, LVM_SCROLL, 0, (row - top) * (item.bottom - item.top));
}

void ServerListWindow::ShowRow(size_t row) {
  const auto at = std::lower_bound(shownRows_.begin(), shownRows_.end(), row);
  if (at != shownRows_.end() && *at == row) shownRowsChanged_ = true;
}

void ServerListWindow::ViewChanged() {
  if (viewTimerSet_ || !hwnd_) return;
  viewTimerSet_ = SetTimer(hwnd_, kViewTimer, kViewRefreshMs, nullptr) != 0;
  if (!viewTimerSet_) RefreshView();
}

void ServerListWindow::RefreshView() {
  if (viewTimerSet_) KillTimer(hwnd_, kViewTimer);
  viewTimerSet_ = false;
  if (servers_.ShownChanged()) {
    const size_t top = TopNumber();
    ShowAllRows();
    KeepAtTop(top);
    return;
  }
  // One redraw for every row changed since the last: under Wine each costs a
  // call to the Wine server and a paint, a thousand of them per round.
  if (shownRowsChanged_) InvalidateRect(list_, nullptr, FALSE);
  shownRowsChanged_ = false;
  ShowSummary();
}

void ServerListWindow::ShowSummary() {
  const bool ofMasters = *ServerSourceGame(source_) != '\0';
  if (ofMasters && masters_.Running()) return;  // says the masters are being asked
  const std::string summary =
      ServerListSummary(ofMasters ? static_cast<int>(mastersAnswered_) : -1, ofMasters ? static_cast<int>(mastersAsked_) : -1,
                        servers_.Size(), servers_.PlayersTotal());
  if (WindowText(summaryLine_) != summary) SetWindowTextA(summaryLine_, summary.c_str());
}

void ServerListWindow::OnCellWanted(NMLVDISPINFOA& cell) {
  if (!(cell.item.mask & LVIF_TEXT) || !cell.item.pszText || cell.item.cchTextMax <= 0) return;
  const size_t item = static_cast<size_t>(cell.item.iItem);
  shownText_ = item < shownRows_.size()
                   ? servers_.CellText(shownRows_[item], static_cast<ServerColumn>(cell.item.iSubItem))
                   : std::string();
  const size_t room = static_cast<size_t>(cell.item.cchTextMax) - 1;
  const size_t length = std::min(shownText_.size(), room);
  shownText_.copy(cell.item.pszText, length);
  cell.item.pszText[length] = '\0';
}

// Pings take their band's colour; a server with a password gets a padlock
// drawn in its "Lock" cell.
LRESULT ServerListWindow::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
  const DWORD stage = draw.nmcd.dwDrawStage;
  if (stage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (stage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYSUBITEMDRAW;
  const size_t item = draw.nmcd.dwItemSpec;
  if (item >= shownRows_.size()) return CDRF_DODEFAULT;
  const ServerRow& row = servers_.At(shownRows_[item]);
  const auto column = static_cast<ServerColumn>(draw.iSubItem);
  if (stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
    const bool coloured = column == ServerColumn::Ping && row.stage == QueryStage::Answered;
    draw.clrText = coloured ? kPingColours[static_cast<int>(PingBandOf(row.pingMs))] : GetSysColor(COLOR_WINDOWTEXT);
    if (column == ServerColumn::Lock && row.password) return CDRF_NEWFONT | CDRF_NOTIFYPOSTPAINT;
    return CDRF_NEWFONT;
  }
  if (stage == (CDDS_ITEMPOSTPAINT | CDDS_SUBITEM) && column == ServerColumn::Lock) DrawLock(draw.nmcd.hdc, static_cast<int>(item));
  return CDRF_DODEFAULT;
}

// A padlock: a shackle over a body, centred in the cell, sized to the row.
void ServerListWindow::DrawLock(HDC dc, int item) {
  RECT cell{};
  cell.top = static_cast<int>(ServerColumn::Lock);
  cell.left = LVIR_BOUNDS;
  if (!SendMessageA(list_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&cell))) return;
  const int size = std::max<int>(6, (cell.bottom - cell.top) * 2 / 3);
  const int left = static_cast<int>((cell.left + cell.right - size) / 2);
  const int top = static_cast<int>((cell.top + cell.bottom - size) / 2);
  HBRUSH body = CreateSolidBrush(kLockColour);
  HPEN shackle = CreatePen(PS_SOLID, std::max(1, size / 7), kLockColour);
  HGDIOBJ oldPen = SelectObject(dc, shackle);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Arc(dc, left + size / 5, top, left + size - size / 5, top + size * 3 / 4, left + size, top + size / 3, left,
      top + size / 3);
  RECT box{left, top + size * 2 / 5, left + size, top + size};
  FillRect(dc, &box, body);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(shackle);
  DeleteObject(body);
}

int ServerListWindow::SelectedRow() const {
  return static_cast<int>(SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

const ServerRow* ServerListWindow::SelectedServer() const {
  const int item = SelectedRow();
  if (item < 0 || static_cast<size_t>(item) >= shownRows_.size()) return nullptr;
  return &servers_.At(shownRows_[static_cast<size_t>(item)]);
}

// No row for -1.
void ServerListWindow::SelectRow(int row) {
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = row >= 0 ? state.stateMask : 0;
  selectingRow_ = true;
  SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
  selectingRow_ = false;
}

void ServerListWindow::ShowRowInView(int row) {
  if (row >= 0) SendMessageA(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void ServerListWindow::SelectOnFirstFill() {
  selectWhenFilled_ = false;
  if (!playerChoseRow_ || selectedNumber_ >= servers_.Size()) selectedNumber_ = servers_.At(shownRows_.front()).number;
  ShowSelection();
  ShowRowInView(SelectedRow());
}

void ServerListWindow::ShowSelection() {
  const int row = selectedNumber_ < servers_.Size() ? servers_.ShownPositionOf(servers_.PlaceOf(selectedNumber_)) : -1;
  if (row != SelectedRow()) SelectRow(row);
  ShowPlayers(false);
}

// The player's choice, or none.
void ServerListWindow::OnSelectionChanged() {
  const ServerRow* selected = SelectedServer();
  selectedNumber_ = selected ? selected->number : SIZE_MAX;
  if (selected) {
    selectWhenFilled_ = false;
    playerChoseRow_ = true;
    awaitedKey_.clear();
  }
  ShowPlayers(false);
}

void ServerListWindow::ShowPlayers(bool rowChanged) {
  const ServerRow* selected = SelectedServer();
  EnableWindow(addButton_, selected && selected->gamePortKnown);
  const size_t number = selected ? selected->number : SIZE_MAX;
  if (number == playersNumber_ && !rowChanged) return;
  playersNumber_ = number;
  SendMessageA(playersList_, WM_SETREDRAW, FALSE, 0);
  SendMessageA(playersList_, LVM_DELETEALLITEMS, 0, 0);
  if (selected) {
    int item = 0;
    for (const ServerPlayer& player : selected->players) {
      SetListCell(playersList_, item, 0, player.name);
      SetListCell(playersList_, item, 1, std::to_string(player.score));
      SetListCell(playersList_, item, 2, std::to_string(player.pingMs));
      ++item;
    }
  }
  SendMessageA(playersList_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(playersList_, nullptr, TRUE);
}

// A listed server can be picked once its reply has named its game port.
void ServerListWindow::PickRow(int row) {
  if (row < 0 || static_cast<size_t>(row) >= shownRows_.size()) return;
  const ServerRow& picked = servers_.At(shownRows_[static_cast<size_t>(row)]);
  if (!picked.gamePortKnown) return;
  const std::string server = picked.server;
  Close();
  if (setup_.onPick) setup_.onPick(server);
}

// A copy of the server: a message box of the main window runs the round,
// whose end sorts the rows again.
void ServerListWindow::AddSelectedToSaved() {
  const ServerRow* selected = SelectedServer();
  if (!selected || !selected->gamePortKnown || !setup_.onAddToSaved) return;
  const std::string server = selected->server;
  setup_.onAddToSaved(server);
  // The saved list shown next time holds it too.
  if (std::find(setup_.savedEntries.begin(), setup_.savedEntries.end(), server) == setup_.savedEntries.end()) {
    setup_.savedEntries.push_back(server);
  }
}

// The selection stays on its server, wherever the player's sort takes it,
// and the view goes with it.
void ServerListWindow::SortBy(ServerColumn column) {
  servers_.SortBy(column);
  RememberSort();
  ShowAllRows();
  ShowRowInView(SelectedRow());
}

// Enter: on a button it presses it, anywhere else it picks the selected row.
void ServerListWindow::OnOkPressed() {
  const HWND focus = GetFocus();
  if (focus == refreshButton_) {
    Refresh();
  } else if (focus == closeButton_) {
    Close();
  } else if (focus == addButton_) {
    AddSelectedToSaved();
  } else {
    PickRow(SelectedRow());  // also from the search box: find a friend, Enter, join
  }
}

void ServerListWindow::Close() {
  round_.Stop();
  masters_.Cancel();
  OwnedWindow::Close();
}

LRESULT ServerListWindow::OnListNotice(NMHDR& notice) {
  switch (notice.code) {
    case LVN_COLUMNCLICK:
      SortBy(static_cast<ServerColumn>(reinterpret_cast<NMLISTVIEW&>(notice).iSubItem));
      break;
    case NM_DBLCLK:
      PickRow(reinterpret_cast<NMITEMACTIVATE&>(notice).iItem);
      break;
    case NM_RETURN:
      PickRow(SelectedRow());
      break;
    case LVN_GETDISPINFOA:
      OnCellWanted(reinterpret_cast<NMLVDISPINFOA&>(notice));
      break;
    case LVN_ITEMCHANGED:
      if (!selectingRow_) OnSelectionChanged();
      break;
    case NM_CUSTOMDRAW:
      return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(notice));
  }
  return 0;
}

LRESULT ServerListWindow::OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NOTIFY: {
      auto* notice = reinterpret_cast<NMHDR*>(lParam);
      if (notice->hwndFrom == list_) return OnListNotice(*notice);
      break;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == IDOK) OnOkPressed();
      if (id == IDCANCEL) Close();
      if (code == BN_CLICKED && id == kRefreshId) Refresh();
      if (code == BN_CLICKED && id == kCloseId) Close();
      if (code == BN_CLICKED && id == kAddId) AddSelectedToSaved();
      if (code == BN_CLICKED && (id == kHideEmptyId || id == kHideFullId || id == kHideNoReplyId)) ApplyFilter();
      if (code == EN_CHANGE && id == kSearchId) ApplyFilter();
      if (code == CBN_SELCHANGE && id == kSourceId) OnSourceBoxChanged();
      if (code == CBN_CLOSEUP && id == kSourceId) TakeSourceBoxChoice();
      return 0;
    }
    case WM_TIMER:
      if (wParam == kViewTimer) RefreshView();
      if (wParam == kSourceSettleTimer) TakeSourceBoxChoice();
      return 0;
    case WM_SIZE:
      LayOut();
      return 0;
    case WM_GETMINMAXINFO: {
      RECT smallest{0, 0, Scaled(kMinClientWidth, Dpi()), Scaled(kMinClientHeight, Dpi())};
      AdjustWindowRectForDpi(smallest, static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)), false,
                             static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE)), Dpi());
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {smallest.right - smallest.left,
                                                              smallest.bottom - smallest.top};
      return 0;
    }
    case WM_NCDESTROY:
      // Destroyed with its owner rather than closed.
      round_.Stop();
      masters_.Cancel();
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
