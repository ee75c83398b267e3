#include "launcher/win/main_window.h"

#include <commctrl.h>

#include "common/win/list_controls.h"
#include "common/win/message_box.h"
#include "common/win/registry.h"
#include "common/win/settings.h"
#include "common/win/window_class.h"
#include "common/win/window_search.h"
#include "launcher/core/game_folder.h"
#include "launcher/core/server_status.h"
#include "launcher/win/button_icons.h"
#include "launcher/win/change_extensions.h"
#include "launcher/win/disable_list_window.h"
#include "launcher/win/file_io.h"
#include "launcher/win/list_editor.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/openmohaa_home.h"
#include "launcher/win/overlay_starter.h"
#include "launcher/win/server_list_window.h"

namespace {

constexpr const char* kMainClass = "KestrunMain";
constexpr const char* kGameKey = "Software\\2015\\MOHAA";
constexpr int kClientWidth = 644;
constexpr int kClientHeight = 382;

std::string UnwritableFolderMessage(const std::string& folder) {
  return "Kestrun cannot write to its folder\r\n\r\n" + folder +
         "\r\n\r\nso it cannot remember player names, servers, passwords or the archives to disable "
         "(player.txt, sip.txt, spwd.txt, disable.txt).\r\n\r\nMove Kestrun.exe and corvel2.exe to a folder of "
         "your own, for example in your Documents, and start Kestrun from there.";
}

// The system's ANSI lower case, which also maps letters beyond A to Z.
std::string SystemLowerCase(std::string_view text) {
  std::string lower(text);
  if (!lower.empty()) CharLowerBuffA(lower.data(), static_cast<DWORD>(lower.size()));
  return lower;
}

const FontSpec kHelpLineFont{"Tahoma", 825, FW_NORMAL, DEFAULT_PITCH | FF_SWISS};

// Input that is the player's next action, whichever control it reaches.
bool IsPlayerAction(UINT msg) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return true;
  }
  return false;
}

}  // namespace

MainWindow::MainWindow(std::string appFolder)
    : openMohaaHome(OpenMohaaHome()),
      statusQuery_([this](const std::string& server, const std::string& reply) { OnStatusQueryEnded(server, reply); }),
      appFolder_(std::move(appFolder)) {}

MainWindow::~MainWindow() {
  OnPlayerAction();  // no hook outlives its window
  editor_.reset();
  disableWindow_.reset();
  overlayStarter_.reset();
  serverList_.reset();
  if (hwnd_) {
    unloading_ = true;  // a window dropped without closing restores nothing
    DestroyWindow(hwnd_);
  }
  for (HICON icon : icons_) {
    if (icon) DestroyIcon(icon);
  }
  if (font_) DeleteObject(font_);
  if (helpFont_) DeleteObject(helpFont_);
}

bool MainWindow::Create() {
  RegisterWindowClass(kMainClass, ObjectWindowProc<MainWindow>, GetSysColorBrush(COLOR_BTNFACE));
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  const DWORD exStyle = WS_EX_CONTROLPARENT;
  hwnd_ = CreateWindowExA(exStyle, kMainClass, "Kestrun", style, CW_USEDEFAULT, CW_USEDEFAULT,
                          kClientWidth, kClientHeight, nullptr, nullptr, GetModuleHandleA(nullptr), this);
  if (!hwnd_) return false;
  CreateMenuBar();
  dpi_ = WindowDpi(hwnd_);
  // Sized once its monitor, and so its DPI, is known; the menu bar is counted in.
  RECT area{0, 0, Scaled(kClientWidth, dpi_), Scaled(kClientHeight, dpi_)};
  AdjustWindowRectForDpi(area, style, true, exStyle, dpi_);
  SetWindowPos(hwnd_, nullptr, 0, 0, area.right - area.left, area.bottom - area.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CreateControls();
  return true;
}

void MainWindow::CreateMenuBar() {
  HMENU tools = CreatePopupMenu();
  AppendMenuA(tools, MF_STRING, menuDisableAll, "Disable ALL PK3 Files");
  AppendMenuA(tools, MF_STRING, menuDisableSelected, "Disable Selected PK3 Files");
  AppendMenuA(tools, MF_STRING, menuRemovePlayer, "Remove Player from List");
  AppendMenuA(tools, MF_STRING, menuRemoveServer, "Remove IP ");
  AppendMenuA(tools, MF_STRING, menuServerList, "Server List");
  AppendMenuA(tools, MF_STRING, menuStartWithOpenMohaa, kOpenMohaaMenuEntry);
  AppendMenuA(tools, MF_STRING, menuExit, "Exit");
  HMENU bar = CreateMenu();
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(tools), "Tools");
  SetMenu(hwnd_, bar);
}

// Labels and the controls with a help text take their own mouse moves, as
// the help line needs. The others are left alone: a subclassed list under Wine
// pays for every line added to it, and a status reply can add thousands.
void MainWindow::CreateControls() {
  CreateTableControls(hwnd_, MainControls());
  for (const ControlSpec& c : MainControls()) {
    const bool isLabel = std::string_view(c.kind.cls) == "STATIC";
    if (!isLabel && !HelpTextFor(c.id)) continue;
    SetWindowSubclass(Control(c.id), HelpProc, static_cast<UINT_PTR>(c.id), reinterpret_cast<DWORD_PTR>(this));
  }
  ScaleControls();
}

// Fonts, places and button icons at the window's DPI, always from the 96-dpi
// table. The controls get the new fonts before the old ones are deleted.
void MainWindow::ScaleControls() {
  const HFONT oldFont = font_;
  const HFONT oldHelpFont = helpFont_;
  font_ = CreateMessageFont(dpi_);
  helpFont_ = CreateFontForDpi(kHelpLineFont, dpi_);
  const HFONT fonts[] = {font_, helpFont_};  // as MainFont numbers them
  GiveTableFonts(hwnd_, MainControls(), fonts);
  PlaceTableControls(hwnd_, MainControls(), dpi_);
  if (oldFont) DeleteObject(oldFont);
  if (oldHelpFont) DeleteObject(oldHelpFont);
  SetButtonIcons();
}

void MainWindow::SetButtonIcons() {
  for (size_t i = 0; i < std::size(kStartButtons); ++i) {
    const HICON old = icons_[i];
    icons_[i] = MakeEditionIcon(kStartButtons[i].edition, dpi_);
    SendMessageA(Control(kStartButtons[i].id), BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icons_[i]));
    if (old) DestroyIcon(old);
  }
}

void MainWindow::OnDpiChanged(int dpi, LPARAM suggestedRect) {
  dpi_ = dpi;
  TakeSuggestedRect(hwnd_, suggestedRect);
  ScaleControls();
}

std::string MainWindow::FieldText(int id) const { return WindowText(Control(id)); }
void MainWindow::SetFieldText(int id, const std::string& text) { SetWindowTextA(Control(id), text.c_str()); }

void MainWindow::StartUp() {
  appVersion = kAppVersion;
  SetWindowTextA(hwnd_, (std::string("Kestrun Version ") + appVersion).c_str());
  statusPrefix = kStatusPrefix;
  if (GameIsRunning()) {
    ShowMessage(kGameRunningMessage, MB_OK);
    Close();
    return;
  }
  WarnIfFolderUnwritable();
  LoadPlayerName();
  LoadGameFolder();
  SetFieldText(serverField, settings::Read(settings::kServerAddress));
  SetFieldText(passwordField, settings::Read(settings::kServerPassword));
  LoadLists();
  startWithOpenMohaa = settings::Read(settings::kStartWithOpenMohaa);
  LookForOpenMohaa();
  RestoreSwitchedOffFiles(FieldText(gameFolderField));
}

bool MainWindow::GameIsRunning() {
  for (const char* caption : {"MOHAA Console", "MOHAAS Console"}) {
    if (FindWindowByExactCaption(caption)) return true;
  }
  return false;
}

// Unzipped under "C:\Program Files", the launcher cannot keep its lists, and
// nothing else would tell the player why they are forgotten.
void MainWindow::WarnIfFolderUnwritable() {
  if (FolderIsWritable(appFolder_)) return;
  ShowMessage(UnwritableFolderMessage(appFolder_), MB_OK);
  folderWritable_ = false;
  for (const char* file : {"\\player.txt", "\\sip.txt", "\\spwd.txt"}) listsNamedUnsaved_.insert(appFolder_ + file);
}

void MainWindow::LoadPlayerName() {
  SetFieldText(nameField, settings::Read(settings::kPlayerName));
  if (FieldText(nameField).empty()) settings::CreateKey();
}

void MainWindow::LoadGameFolder() {
  const RegValue basepath = registry::ReadKeyValue(HKEY_CURRENT_USER, kGameKey, "basepath");
  const SettledFolder settled = SettleGameFolder(ValueText(basepath), SystemLowerCase);
  // Only the empty value and the short forms are written back; the game's key
  // is never created, and a value of a kind we cannot read is not replaced.
  if (settled.writeBack && !registry::HoldsOtherKind(HKEY_CURRENT_USER, kGameKey, "basepath")) {
    registry::StoreKeyValue(HKEY_CURRENT_USER, kGameKey, "basepath", *settled.writeBack, registry::kText);
  }
  SetFieldText(gameFolderField, settled.folder);
}

void MainWindow::LoadLists() {
  rememberedNames = ReadListFile(appFolder_ + "\\player.txt");
  rememberedServers = ReadListFile(appFolder_ + "\\sip.txt");
  rememberedPasswords = ReadListFile(appFolder_ + "\\spwd.txt");
  for (const auto& entry : rememberedNames) AddChoice(Control(nameField), entry);
  for (const auto& entry : rememberedServers) AddChoice(Control(serverField), entry);
  for (const auto& entry : rememberedPasswords) AddChoice(Control(passwordField), entry);
}

// Every file an earlier launch switched off comes back on: by the extension
// table, then by the disable list, so that archives outside the table's
// folders are not left switched off for good. OpenMoHAA's home folder is
// restored whether or not it is still chosen: the player may have turned it
// off since its archives were switched off.
void MainWindow::RestoreSwitchedOffFiles(const std::string& gameFolder) {
  ApplyExtensionTable(gameFolder);
  ApplyHomeExtensionTable(openMohaaHome);
  RestoreDisabledFiles(ReadDisableList(appFolder_ + "\\disable.txt"));
}

void MainWindow::Show(int how) {
  if (hwnd_ && !closed_) ShowWindow(hwnd_, how);
}

void MainWindow::Close() {
  if (!hwnd_ || unloading_) return;
  unloading_ = true;
  statusQuery_.Stop();  // its end would store an empty map list over the kept one
  ShutDown();
  DestroyWindow(hwnd_);
}

void MainWindow::ShutDown() {
  CloseModalWindows();
  RestoreSwitchedOffFiles(FieldText(gameFolderField));
}

bool MainWindow::ModalWindowOpen() const {
  return (editor_ && !editor_->Closed()) || (disableWindow_ && !disableWindow_->Closed()) ||
         (overlayStarter_ && !overlayStarter_->Closed()) || (serverList_ && !serverList_->Closed());
}

// An open window closes with its changes dropped.
void MainWindow::CloseModalWindows() {
  if (overlayStarter_) overlayStarter_->Close();
  if (editor_) editor_->Close();
  if (disableWindow_) disableWindow_->Close();
  if (serverList_) serverList_->Close();
}

void MainWindow::OnExitClicked() { Close(); }

ListEditorWindow* MainWindow::OpenEditor(const char* caption, std::vector<std::string>& remembered, int field,
                                         const char* file) {
  return OpenModal(editor_, caption, EditedList{&remembered, Control(field), appFolder_ + file});
}

ListEditorWindow* MainWindow::OpenPlayersEditor() {
  return OpenEditor("Remove Players", rememberedNames, nameField, "\\player.txt");
}

ListEditorWindow* MainWindow::OpenServerEditor() {
  return OpenEditor("Remove Server IP", rememberedServers, serverField, "\\sip.txt");
}

void MainWindow::OnRemovePlayerClicked() {
  if (ListEditorWindow* editor = OpenPlayersEditor()) editor->RunModal();
}

void MainWindow::OnRemoveServerClicked() {
  if (ListEditorWindow* editor = OpenServerEditor()) editor->RunModal();
}

ServerListWindow* MainWindow::OpenServerList() {
  return OpenModal(serverList_,
                   ServerListSetup{
                       .savedEntries = ServerListEntries(rememberedServers, FieldText(serverField)),
                       .onPick = [this](const std::string& server) { OnServerPicked(server); },
                       .onAddToSaved = [this](const std::string& server) { OnServerAddedToSaved(server); },
                       .statusRequest = StatusRequest(statusPrefix),
                       .keptMasterLists = &keptMasterLists,
                   });
}

void MainWindow::OnServerListClicked() {
  if (ServerListWindow* list = OpenServerList()) list->RunModal();
}

void MainWindow::ShowHelp(const std::string& text) {
  if (!warningShown_) SetFieldText(helpLine, text);
}

void MainWindow::ShowNotice(const std::string& text) {
  OnPlayerAction();
  SetFieldText(helpLine, text);
}

// One main window is open at a time, so one hook serves; it is there only
// while a warning is.
namespace {
MainWindow* warnedWindow = nullptr;
}  // namespace

void MainWindow::ShowWarning(const std::string& text) {
  OnPlayerAction();
  SetFieldText(helpLine, text);
  warningShown_ = true;
  warnedWindow = this;
  warningHook_ = SetWindowsHookExA(WH_GETMESSAGE, WarningHookProc, nullptr, GetCurrentThreadId());
}

void MainWindow::OnPlayerAction() {
  if (warningHook_) UnhookWindowsHookEx(warningHook_);
  warningHook_ = nullptr;
  if (warnedWindow == this) warnedWindow = nullptr;
  if (!warningShown_) return;
  warningShown_ = false;
  SetFieldText(helpLine, "");
}

bool MainWindow::OwnsWindow(HWND hwnd) const { return hwnd_ && (hwnd == hwnd_ || IsChild(hwnd_, hwnd)); }

// Only messages taken off the queue count (not those merely looked at), and
// only clicks and keys aimed at this window or its controls.
LRESULT CALLBACK MainWindow::WarningHookProc(int code, WPARAM removing, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const MSG*>(lParam);
  if (code == HC_ACTION && removing == PM_REMOVE && warnedWindow && IsPlayerAction(msg->message) &&
      warnedWindow->OwnsWindow(msg->hwnd)) {
    warnedWindow->OnPlayerAction();
  }
  return CallNextHookEx(nullptr, code, removing, lParam);
}

void MainWindow::OnCommand(int id) {
  switch (id) {
    case serverStatusButton:
      OnServerStatusClicked();
      break;
    case launchCorvelButton:
      OnLaunchCorvelClicked();
      break;
    case menuRemovePlayer:
      OnRemovePlayerClicked();
      break;
    case menuRemoveServer:
      OnRemoveServerClicked();
      break;
    case menuServerList:
      OnServerListClicked();
      break;
    case menuExit:
      OnExitClicked();
      break;
    case menuDisableAll:
      OnDisableAllClicked();
      break;
    case menuDisableSelected:
      OnDisableSelectedClicked();
      break;
    case menuStartWithOpenMohaa:
      OnStartWithOpenMohaaClicked();
      break;
  }
  for (const StartButton& button : kStartButtons) {
    if (id == button.id) OnStartClicked(button.edition);
  }
}

LRESULT CALLBACK MainWindow::HelpProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self) {
  if (msg == WM_MOUSEMOVE) {
    auto* window = reinterpret_cast<MainWindow*>(self);
    const std::string help = window->HelpText(static_cast<int>(id));
    if (!help.empty()) window->ShowHelp(help);
  } else if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, HelpProc, id);
  }
  return DefSubclassProc(hwnd, msg, wParam, lParam);
}

LRESULT MainWindow::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      // Handled once the focus has settled, so that the query never runs inside a focus change.
      if (LOWORD(wParam) == serverField && HIWORD(wParam) == CBN_KILLFOCUS) {
        PostMessageA(hwnd, kServerFieldLeftMessage, 0, 0);
      }
      if (LOWORD(wParam) == gameFolderField && HIWORD(wParam) == EN_CHANGE) LookForOpenMohaa();
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_INITMENUPOPUP:
      LookForOpenMohaa();  // OpenMoHAA may have been unzipped since
      return 0;
    case kServerFieldLeftMessage:
      OnServerFieldLeft();
      return 0;
    case kServerPickedMessage:
      QueryServerStatus();
      return 0;
    case kOpenStarterMessage:
      if (OverlayStarterWindow* starter = OpenOverlayStarter()) starter->RunModal();
      return 0;
    case WM_SETCURSOR:
      if (!Querying()) break;
      SetCursor(LoadCursor(nullptr, IDC_WAIT));
      return TRUE;
    case WM_MOUSEMOVE:
      ShowHelp("Kestrun - Version " + appVersion);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(DpiFromMessage(wParam), lParam);
      return 0;
    case WM_ENDSESSION:
      if (wParam) Close();  // the system ends the program: restore files all the same
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DESTROY:
      statusQuery_.Stop();
      hwnd_ = nullptr;
      closed_ = true;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
