#include "mini_remote.h"

#include <exception>

#include "dump_analysis.h"
#include "map_list.h"
#include "overlay_layout.h"
#include "settings.h"
#include "text.h"
#include "wait.h"
#include "window_class.h"

namespace {

constexpr const char* kSquareClass = "MiniRemote";
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT_PTR kJoinTimer = 2;

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

class SystemKeyboard : public Keyboard {
 public:
  uint16_t AsyncKeyState(int code) override { return static_cast<uint16_t>(GetAsyncKeyState(code)); }
};

std::string TimeOfDay() {
  char text[64] = {};
  if (GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, text, sizeof text) <= 0) return {};
  return text;
}

}  // namespace

MiniRemote::MiniRemote() : actions_(plist_, *this, *this, plist_.Grid()) {}

MiniRemote::~MiniRemote() {
  if (hwnd_) Close();
}

bool MiniRemote::Form_Load() {
  RegisterWindowClass(kSquareClass, ObjectWindowProc<MiniRemote>);
  hwnd_ = CreateWindowExA(0, kSquareClass, "corvel2", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                          GetModuleHandleA(nullptr), this);
  if (!hwnd_) return false;
  dpi_ = WindowDpi(nullptr);
  screenWidth_ = PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi_);

  PlaceSquare();
  ReadSettings();
  plist_.Create(dpi_);
  PlaceActionWindow();

  // The link: fixed local port, 10 ms refresh timer, remote host and port.
  winsock1_.Attach(hwnd_);
  winsock1_.SetLocalPort(kLinkLocalPort);
  SetTimer(hwnd_, kRefreshTimer, refreshMs_, nullptr);
  int remotePort = 0;
  ParseInt32(TrimBlanks(port_), remotePort);
  winsock1_.SetRemote(TrimBlanks(ip_), remotePort);

  watchdog_ = Watchdog{};
  actions_.state = ActionState{};
  status_.showAll = showAll_;
  plist_.SetClickTarget(&actions_);
  if (winsock1_.State() == LinkState::Error) {
    winsock1_.Close();
    winsock1_.Listen();
  }

  plist_.SetActionLines({kActionLines.begin(), kActionLines.end()});
  SetupGridHeadings(plist_.Grid(), showAll_);
  plist_.RefreshGrid();
  plist_.SetLabel(ActionLayoutFor(showAll_).labelText);
  plist_.SetTop(kSquareTop);
  plist_.SetLeft(screenWidth_ - ActionLayoutFor(showAll_).width);
  plist_.Show();

  winsock1_.Connect();
  plist_.SetMapLines(BuildMapLines(mapList_));
  ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
  SetBand(hwnd_, true);
  return true;
}

void MiniRemote::ReadSettings() {
  showAll_ = settings::Read(settings::kShowAllPlayerData) ? 1 : 0;
  useScrollLock_ = settings::Read(settings::kUseScrollLock) ? 1 : 0;
  ip_ = settings::Read(settings::kInspectionServerAddress);
  port_ = settings::Read(settings::kInspectionServerPort);
  mapList_ = settings::Read(settings::kMapList);
}

void MiniRemote::PlaceSquare() {
  const PixelRect r = TwipsRectToPixels(screenWidth_ - kSquareRightGap, kSquareTop, kSquareSize, kSquareSize, dpi_);
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MiniRemote::PlaceActionWindow() {
  const ActionWindowLayout layout = ActionLayoutFor(showAll_);
  plist_.SetWidth(layout.width);
  plist_.SetLeft(screenWidth_ - layout.width);
  if (showAll_ == 1) plist_.SetLabelWidth(10300);
  plist_.SetLabelWidth(layout.labelWidth);
  plist_.SetGridWidth(layout.gridWidth);
}

void MiniRemote::Form_Unload() {
  winsock1_.Close();
  if (hwnd_) {
    KillTimer(hwnd_, kRefreshTimer);
    KillTimer(hwnd_, kJoinTimer);
  }
  plist_.Close();
}

void MiniRemote::Close() {
  if (!hwnd_ || unloading_) return;
  unloading_ = true;
  Form_Unload();
  DestroyWindow(hwnd_);
}

void MiniRemote::Form_MouseDown(int button) {
  if (button != 2) return;
  winsock1_.Close();
  Close();
}

void MiniRemote::Timer1_Timer() {
  static SystemKeyboard keyboard;
  switch (HotkeyTick(actions_, keyboard, *this, useScrollLock_)) {
    case TickEnd::CloseOverlay:
      plist_.Close();
      Close();
      return;
    case TickEnd::Opened:
      return;
    case TickEnd::Finished:
      break;
  }
  const WatchdogStep step = WatchdogTick(watchdog_);
  if (step.retry) {
    plist_.SetLabel(step.label);
    winsock1_.Connect();
  }
  if (step.endProgram) Close();
}

bool MiniRemote::cmdSend(const std::string& strTemp) { return winsock1_.Send(strTemp); }

void MiniRemote::SetTopmost(Pane pane, bool topmost) {
  SetBand(pane == Pane::Overlay ? hwnd_ : plist_.Handle(), topmost);
}

void MiniRemote::extractstatus(const std::string& MainData) {
  lastStatus_ = MainData;
  ++statusCount_;
  const StatusLayout layout = DecodeStatus(MainData, TimeOfDay(), plist_.Grid(), status_);
  plist_.SetLabel(layout.label);
  plist_.SetGridHeight(layout.gridHeight);
  plist_.SetHeight(layout.windowHeight);
  plist_.SetLabelTop(layout.labelTop);
  plist_.RefreshGrid();
}

void MiniRemote::dump(const std::string& MainData) {
  // A record too large for memory is dropped rather than ending the overlay.
  try {
    AnalyseAndShowDump(MainData);
  } catch (const std::exception&) {
  }
}

void MiniRemote::AnalyseAndShowDump(const std::string& MainData) {
  lastDump_ = MainData;
  ++dumpCount_;
  DumpAnalysis analysis = AnalyseDump(MainData);
  List2_ = std::move(analysis.List2);
  if (!StartVerdict(analysis, plist_.Grid())) return;
  plist_.RefreshGrid();
  // Records keep coming during the pause, dumps among them, each pausing in
  // turn inside this one; past a few such pauses the verdict is written at
  // once, so a flood of dumps cannot nest waits without end.
  if (dumpPauses_ < kMaxDumpPauses) {
    ++dumpPauses_;
    WaitKeepingEventsFlowing(kDumpPauseMs);
    --dumpPauses_;
  }
  if (!hwnd_) return;
  FinishVerdict(analysis, plist_.Grid());
  plist_.RefreshGrid();
}

void MiniRemote::SetBackColor(COLORREF color) {
  backColor_ = color;
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void MiniRemote::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  HBRUSH brush = CreateSolidBrush(backColor_);
  RECT client;
  GetClientRect(hwnd_, &client);
  FillRect(dc, &client, brush);
  DeleteObject(brush);
  EndPaint(hwnd_, &ps);
}

void MiniRemote::OnSocketMessage(WPARAM wParam, LPARAM lParam) {
  LinkNotice notice = winsock1_.OnMessage(wParam, lParam);
  switch (notice.event) {
    case LinkEvent::Connected:
      Winsock1_Connect();
      break;
    case LinkEvent::Data:
      Winsock1_DataArrival(notice.data);
      break;
    case LinkEvent::Closed:
      Winsock1_Close(notice.data);
      break;
    case LinkEvent::Accepted:
      Winsock1_ConnectionRequest();
      break;
    case LinkEvent::Refused:
    case LinkEvent::None:
      break;
  }
}

void MiniRemote::Winsock1_Connect() {
  WatchdogLinkUp(watchdog_);
  SetBackColor(kLinkUpColor);
}

void MiniRemote::Winsock1_DataArrival(const std::string& data) {
  std::vector<std::string> ready;
  joiner_.Piece(data, GetTickCount(), ready);
  DispatchReady(ready);
  if (joiner_.Pending()) SetTimer(hwnd_, kJoinTimer, RecordJoiner::kQuietMs, nullptr);
}

void MiniRemote::PollJoiner() {
  std::vector<std::string> ready;
  joiner_.Poll(GetTickCount(), ready);
  if (!joiner_.Pending()) KillTimer(hwnd_, kJoinTimer);
  DispatchReady(ready);
}

void MiniRemote::DispatchReady(std::vector<std::string>& ready) {
  for (const auto& record : ready) DispatchRecord(record, *this);
}

void MiniRemote::Winsock1_Close(const std::string& lastPiece) {
  // Listen before handing on the last records: a dump among them pauses, and
  // the server may connect back meanwhile. Red until it does.
  winsock1_.Close();
  winsock1_.Listen();
  SetBackColor(kLinkDownColor);
  // A record still being joined ended with the connection.
  std::vector<std::string> ready;
  if (!lastPiece.empty()) joiner_.Piece(lastPiece, GetTickCount(), ready);
  joiner_.Flush(ready);
  KillTimer(hwnd_, kJoinTimer);
  DispatchReady(ready);
}

void MiniRemote::Winsock1_ConnectionRequest() { SetBackColor(kLinkUpColor); }

LRESULT MiniRemote::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_RBUTTONDOWN:
      Form_MouseDown(2);
      return 0;
    case WM_LBUTTONDOWN:
      Form_MouseDown(1);
      return 0;
    case WM_MBUTTONDOWN:
      Form_MouseDown(4);
      return 0;
    case WM_TIMER:
      if (wParam == kRefreshTimer) Timer1_Timer();
      if (wParam == kJoinTimer) PollJoiner();
      return 0;
    case TcpLink::kMessage:
      OnSocketMessage(wParam, lParam);
      return 0;
    case TcpLink::kLookupMessage:
      winsock1_.OnLookupDone(wParam, lParam);
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
