#include "overlay/win/overlay_window.h"

#include <exception>

#include "common/core/text.h"
#include "common/win/log_places.h"
#include "common/win/settings.h"
#include "common/win/wait.h"
#include "common/win/window_class.h"
#include "overlay/core/dump_analysis.h"
#include "overlay/core/map_list.h"
#include "overlay/core/overlay_layout.h"
#include "overlay/win/screen_twips.h"
#include "overlay/win/system_keyboard.h"

namespace {

// The launcher's tests and the start-up probe find the square by this class name.
constexpr const char* kSquareClass = "MiniRemote";
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT_PTR kJoinTimer = 2;
constexpr UINT_PTR kConsoleTimer = 3;
// Often enough that a command leaves within a tick and a reply's quiet end is seen soon.
constexpr UINT kConsoleTickMs = 50;

bool AboveAll(HWND hwnd) {
  return GetTopWindow(nullptr) == hwnd && (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

// The game keeps the focus: windows change bands without being activated.
// Every tick asks for the top; a window already above all others is left
// alone, since moving it costs far more than asking where it is.
void SetBand(HWND hwnd, bool topmost) {
  if (!hwnd || (topmost && AboveAll(hwnd))) return;
  SetWindowPos(hwnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

std::string TimeOfDay() {
  char text[64] = {};
  if (GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, sizeof text) <= 0) return {};
  return text;
}

}  // namespace

OverlayWindow::OverlayWindow() : actions_(actionWindow_, *this, *this, actionWindow_.Grid()) {
  log_.SetFolders(CommandLogFolders(RunningProgramFolder()));
  actions_.SetLog(&log_);
}

OverlayWindow::~OverlayWindow() {
  if (hwnd_) Close();
}

bool OverlayWindow::Open() {
  RegisterWindowClass(kSquareClass, ObjectWindowProc<OverlayWindow>);
  hwnd_ = CreateWindowExA(0, kSquareClass, "corvel2", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                          GetModuleHandleA(nullptr), this);
  if (!hwnd_) return false;
  dpi_ = WindowDpi(hwnd_);
  screenWidth_ = ScreenWidthTwips(dpi_);

  PlaceSquare();
  ReadSettings();
  actionWindow_.Create();
  PlaceActionWindow();

  link_.onNotice = [this](const LinkNotice& notice) { OnLinkNotice(notice); };
  link_.SetLocalPort(kLinkLocalPort);
  SetTimer(hwnd_, kRefreshTimer, refreshMs_, nullptr);
  int remotePort = 0;
  ParseInt32(TrimBlanks(serverPort_), remotePort);
  link_.SetRemote(TrimBlanks(serverAddress_), remotePort);

  watchdog_ = Watchdog{};
  actions_.state = ActionState{};
  gridState_.mode = gridMode_;
  actionWindow_.SetClickTarget(&actions_);
  if (link_.State() == LinkState::Error) {
    link_.Close();
    link_.Listen();
  }

  const ActionWindowLayout layout = ActionLayoutFor(gridMode_);
  actionWindow_.SetActionLines(ActionMenuLines());
  SetupGridHeadings(actionWindow_.Grid(), gridMode_);
  actionWindow_.RefreshGrid();
  actionWindow_.SetMessageLine(layout.messageLine);
  actionWindow_.SetTop(kSquareTop);
  actionWindow_.SetLeft(screenWidth_ - layout.width);
  actionWindow_.Show();

  if (ConsoleMode()) {
    StartConsole();
  } else {
    link_.Connect();
  }
  actionWindow_.SetMapLines(BuildMapLines(mapList_));
  ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  SetBand(hwnd_, true);
  return true;
}

void OverlayWindow::ReadSettings() {
  gridMode_ = settings::Read(settings::kShowAllPlayerData) ? GridMode::AllData : GridMode::NamesOnly;
  useScrollLock_ = settings::Read(settings::kUseScrollLock);
  serverAddress_ = settings::Read(settings::kInspectionServerAddress);
  serverPort_ = settings::Read(settings::kInspectionServerPort);
  mapList_ = settings::Read(settings::kMapList);
  linkSettings_ = ReadLinkSettings();
}

void OverlayWindow::PlaceSquare() {
  const PixelRect r = TwipsRectToPixels(screenWidth_ - kSquareRightGap, kSquareTop, kSquareSize, kSquareSize, dpi_);
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The square keeps its size in twips and its place at the screen's top right
// corner: the suggested rectangle, scaled about the old place, would leave it
// elsewhere.
void OverlayWindow::OnDpiChanged(int dpi) {
  dpi_ = dpi;
  screenWidth_ = ScreenWidthTwips(dpi_);
  PlaceSquare();
}

void OverlayWindow::PlaceActionWindow() {
  const ActionWindowLayout layout = ActionLayoutFor(gridMode_);
  actionWindow_.SetWidth(layout.width);
  actionWindow_.SetLeft(screenWidth_ - layout.width);
  actionWindow_.SetMessageLineWidth(layout.messageLineWidth);
  actionWindow_.SetGridWidth(layout.gridWidth);
}

void OverlayWindow::StopLinkAndTimers() {
  link_.Close();
  console_.Stop();
  if (hwnd_) {
    KillTimer(hwnd_, kRefreshTimer);
    KillTimer(hwnd_, kJoinTimer);
    KillTimer(hwnd_, kConsoleTimer);
  }
  actionWindow_.Close();
}

void OverlayWindow::Close() {
  if (!hwnd_ || closing_) return;
  closing_ = true;
  StopLinkAndTimers();
  DestroyWindow(hwnd_);
}

void OverlayWindow::OnRightClick() {
  link_.Close();
  Close();
}

void OverlayWindow::OnRefreshTick() {
  static SystemKeyboard keyboard;
  switch (HotkeyTick(actions_, keyboard, *this, useScrollLock_)) {
    case TickEnd::CloseOverlay:
      actionWindow_.Close();
      Close();
      return;
    case TickEnd::Opened:
      return;
    case TickEnd::Finished:
      break;
  }
  // The console has no connection to retry: its square shows whether it answers.
  if (ConsoleMode()) return;
  const WatchdogStep step = WatchdogTick(watchdog_);
  if (step.retry) {
    actionWindow_.SetMessageLine(step.messageLine);
    link_.Connect();
  }
  if (step.endProgram) Close();
}

bool OverlayWindow::SendCommand(const std::string& text) { return link_.Send(text); }

void OverlayWindow::SetTopmost(Pane pane, bool topmost) {
  SetBand(pane == Pane::Overlay ? hwnd_ : actionWindow_.Handle(), topmost);
}

void OverlayWindow::ShowInspectionRecord(const std::string& body) {
  lastInspectionRecord_ = body;
  ++inspectionRecordCount_;
  DecodeInspectionRecord(body, actionWindow_.Grid(), gridState_);
  ShowPlayerGrid();
}

void OverlayWindow::ShowPlayerGrid() {
  const ActionWindowHeights heights = HeightsAfterRecord(actionWindow_.Grid().Rows(), gridState_.recordLineCount,
                                                        actionWindow_.RoomBelowTop(), actionWindow_.Dpi());
  actionWindow_.SetMessageLine(LastUpdateLine(gridState_, TimeOfDay()));
  actionWindow_.Grid().SetRowHeight(heights.rowHeight);
  actionWindow_.SetGridHeight(heights.gridHeight);
  actionWindow_.SetHeight(heights.windowHeight);
  actionWindow_.SetMessageLineTop(heights.messageLineTop);
  actionWindow_.RefreshGrid();
}

void OverlayWindow::ShowDumpVerdict(const std::string& body) {
  // A record too large for memory is dropped rather than ending the overlay.
  try {
    AnalyseDumpAndWriteVerdict(body);
  } catch (const std::exception&) {
  }
}

void OverlayWindow::AnalyseDumpAndWriteVerdict(const std::string& body) {
  lastDumpRecord_ = body;
  ++dumpRecordCount_;
  DumpAnalysis analysis = AnalyseDump(body);
  dumpLines_ = std::move(analysis.lines);
  if (!StartVerdict(analysis, actionWindow_.Grid())) return;
  actionWindow_.RefreshGrid();
  // Records keep coming during the pause, dumps among them, each pausing in
  // turn inside this one; past a few such pauses the verdict is written at
  // once, so a flood of dumps cannot nest waits without end.
  if (dumpPauses_ < kMaxDumpPauses) {
    ++dumpPauses_;
    WaitKeepingEventsFlowing(kDumpPauseMs);
    --dumpPauses_;
  }
  if (!hwnd_) return;
  FinishVerdict(analysis, actionWindow_.Grid());
  actionWindow_.RefreshGrid();
}

void OverlayWindow::StartConsole() {
  console_.Start(linkSettings_.rcon, log_.Folders());
  actions_.SetRouter(&console_);
  if (!linkSettings_.rcon.server) actionWindow_.SetMessageLine(RconServerProblem(linkSettings_.rcon.serverText));
  SetTimer(hwnd_, kConsoleTimer, kConsoleTickMs, nullptr);
}

void OverlayWindow::OnConsoleTick() {
  if (!console_.Running()) return;
  console_.Pump();
  ShowConsoleState();
}

void OverlayWindow::ShowConsoleState() {
  RconSession& session = console_.Session();
  std::optional<RconStatus> status = session.TakeStatus();
  if (status) {
    ++inspectionRecordCount_;
    ShowPlayerRows(GridPlayers(*status), actionWindow_.Grid(), gridState_);
    ShowPlayerGrid();
  }
  bool modelsShown = false;
  for (const auto& [client, models] : session.TakeModels()) {
    modelsShown = ShowPlayerModels(client, models, actionWindow_.Grid()) || modelsShown;
  }
  if (modelsShown) actionWindow_.RefreshGrid();
  const RconHealth& health = session.Health();
  if (health.Green() || health.Red()) SetBackColor(health.Green() ? kLinkUpColor : kLinkDownColor);
  // A red state is said once as it comes; the next status's line replaces it.
  const std::string line = health.StatusText();
  if (line != consoleLine_ && !line.empty()) actionWindow_.SetMessageLine(line);
  consoleLine_ = line;
  const BanFileWrite write = console_.SaveBans();
  // Bans held in memory only are lost when corvel2 ends: that wins over the
  // routine update line, but not over what the keys just said.
  if (console_.BansUnsaved() && (status || (write == BanFileWrite::Failed && !noBanFileShown_))) {
    actionWindow_.SetMessageLine(kNoBanFileMessage);
  }
  if (write != BanFileWrite::Unchanged) noBanFileShown_ = write == BanFileWrite::Failed;
}

void OverlayWindow::SetBackColor(COLORREF color) {
  backColor_ = color;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void OverlayWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  HBRUSH brush = CreateSolidBrush(backColor_);
  RECT client;
  GetClientRect(hwnd_, &client);
  FillRect(dc, &client, brush);
  DeleteObject(brush);
  EndPaint(hwnd_, &ps);
}

void OverlayWindow::OnLinkNotice(const LinkNotice& notice) {
  switch (notice.event) {
    case LinkEvent::Connected:
      OnLinkConnected();
      break;
    case LinkEvent::Data:
      OnLinkData(notice.data);
      break;
    case LinkEvent::Closed:
      OnLinkClosed(notice.data);
      break;
    case LinkEvent::Accepted:
      OnIncomingConnection();
      break;
    case LinkEvent::Refused:
    case LinkEvent::None:
      break;
  }
}

void OverlayWindow::OnLinkConnected() {
  WatchdogLinkUp(watchdog_);
  SetBackColor(kLinkUpColor);
}

void OverlayWindow::OnLinkData(const std::string& data) {
  std::vector<std::string> ready;
  joiner_.Piece(data, MillisecondClock(), ready);
  // Before the records are shown: a dump among them pauses, and the record
  // this piece began must still be completed by the quiet time meanwhile.
  if (joiner_.Pending()) SetTimer(hwnd_, kJoinTimer, RecordJoiner::kQuietMs, nullptr);
  DispatchRecords(ready);
}

void OverlayWindow::PollJoiner() {
  std::vector<std::string> ready;
  joiner_.Poll(MillisecondClock(), ready);
  if (!joiner_.Pending()) KillTimer(hwnd_, kJoinTimer);
  DispatchRecords(ready);
}

void OverlayWindow::DispatchRecords(std::vector<std::string>& ready) {
  records_.Add(ready);
  records_.ShowWaiting(*this);
}

void OverlayWindow::OnLinkClosed(const std::string& lastPiece) {
  // Listen before handing on the last records: a dump among them pauses, and
  // the server may connect back meanwhile. Red until it does.
  link_.Close();
  link_.Listen();
  SetBackColor(kLinkDownColor);
  // A record still being joined ended with the connection.
  std::vector<std::string> ready;
  if (!lastPiece.empty()) joiner_.Piece(lastPiece, MillisecondClock(), ready);
  joiner_.Flush(ready);
  KillTimer(hwnd_, kJoinTimer);
  DispatchRecords(ready);
}

// The server connecting back, from its own address only.
void OverlayWindow::OnIncomingConnection() { SetBackColor(kLinkUpColor); }

LRESULT OverlayWindow::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_RBUTTONDOWN:
      OnRightClick();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_MBUTTONDOWN:
      return 0;
    case WM_TIMER:
      if (wParam == kRefreshTimer) OnRefreshTick();
      if (wParam == kJoinTimer) PollJoiner();
      if (wParam == kConsoleTimer) OnConsoleTick();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(DpiFromMessage(wParam));
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      hwnd_ = nullptr;
      ended_ = true;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
