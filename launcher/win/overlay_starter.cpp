#include "launcher/win/overlay_starter.h"

#include <shellapi.h>

#include "common/win/list_controls.h"
#include "common/win/log_places.h"
#include "common/win/message_box.h"
#include "common/win/settings.h"

const char* const kOverlayStarterHelp =
    "To use, enter Tavrin info, then apply. In Game you will have a small green square (connected) in upper right "
    "corner. It will turn red if connection lost.\r\n"
    "To use the remote, hit the Print Screen key to bring up the remote, or the Scroll Lock if you selected it.\r\n"
    "Only use the KEYBOARD, do not click on the remote with the mouse. Select the letter next to the players name, "
    "then the action.\r\n"
    "For other than player actions, just hit the A key then select your action, such as maps.\r\n";

const char* const kNoLogYetMessage = "corvel2 has not sent a command yet: there is no log.";

const char* const kRconPasswordNotStoredMessage =
    "Windows could not protect the rcon password, so it was not stored: corvel2 starts without it.";

namespace {

constexpr ControlKind kLabel{"STATIC", SS_LEFT};
constexpr ControlKind kField{"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
constexpr ControlKind kPasswordField{"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD, WS_EX_CLIENTEDGE};
constexpr ControlKind kCheck{"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX};
// The two link choices make one group, which the label after them closes.
constexpr ControlKind kFirstChoice{"BUTTON", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON};
constexpr ControlKind kChoice{"BUTTON", BS_AUTORADIOBUTTON};
constexpr ControlKind kLabelAfterChoices{"STATIC", SS_LEFT | WS_GROUP};

using Starter = OverlayStarterWindow;

const ControlSpec kStarterControls[] = {
    {Starter::introLabel, kLabel, "Corvel is a ingame version of Tavrin remote and requires a password.",
     {12, 10, 300, 32}},
    {Starter::inspectionLinkChoice, kFirstChoice, "Inspection server", {12, 46, 140, 20}},
    {Starter::rconLinkChoice, kChoice, "Remote console (rcon)", {156, 46, 160, 20}},
    {Starter::addressLabel, kLabelAfterChoices, "Tavrin IP", {12, 72, 100, 16}},
    {Starter::addressField, kField, "", {12, 90, 190, 22}},
    {Starter::portLabel, kLabel, "Port/Password", {212, 72, 100, 16}},
    {Starter::portField, kField, "", {212, 90, 100, 22}},
    {Starter::rconServerLabel, kLabel, "Rcon Server", {12, 120, 190, 16}},
    {Starter::rconServerField, kField, "", {12, 138, 190, 22}},
    {Starter::rconPasswordLabel, kLabel, "Rcon Password", {212, 120, 100, 16}},
    {Starter::rconPasswordField, kPasswordField, "", {212, 138, 100, 22}},
    {Starter::showAllCheck, kCheck, "Show All Data vs Name Only", {12, 170, 300, 20}},
    {Starter::scrollLockCheck, kCheck, "Use Scroll Lock vs PrntScrn", {12, 194, 300, 20}},
    {Starter::applyButton, {"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON}, "Apply", {30, 226, 80, 28}},
    {Starter::cancelButton, {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON}, "Cancel", {122, 226, 80, 28}},
    {Starter::showLogButton, {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON}, "Show Log", {214, 226, 80, 28}},
};

}  // namespace

OverlayStarterWindow::OverlayStarterWindow(OwnerWindow owner, std::string appFolder)
    : OwnedWindow(owner), appFolder_(std::move(appFolder)) {}

bool OverlayStarterWindow::Open() {
  ShowMessage(kOverlayStarterHelp, MB_OK);
  const bool created = Create({.className = "KestrunCorvelSetup",
                               .caption = "Corvel Setup",
                               .clientSize96 = {324, 266},
                               .cascadeOffset = 60,
                               .controls = kStarterControls});
  if (!created) return false;
  LoadSettings();
  ShowModal();
  return true;
}

void OverlayStarterWindow::LoadSettings() {
  SetWindowTextA(Control(addressField), settings::Read(settings::kInspectionServerAddress).c_str());
  SetWindowTextA(Control(portField), settings::Read(settings::kInspectionServerPort).c_str());
  const std::pair<int, bool> checks[] = {{showAllCheck, settings::Read(settings::kShowAllPlayerData)},
                                         {scrollLockCheck, settings::Read(settings::kUseScrollLock)}};
  for (const auto& [id, on] : checks) {
    SendMessageA(Control(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  const bool rcon = settings::ReadOverlayLink() == settings::OverlayLink::RemoteConsole;
  CheckRadioButton(hwnd_, inspectionLinkChoice, rconLinkChoice, rcon ? rconLinkChoice : inspectionLinkChoice);
  SetWindowTextA(Control(rconServerField), settings::Read(settings::kRconServer).c_str());
  std::string password = settings::Read(settings::kRconPassword);
  SetWindowTextA(Control(rconPasswordField), password.c_str());
  SecureZeroMemory(password.data(), password.size());
  OnLinkChosen();
}

bool OverlayStarterWindow::Checked(int id) const {
  return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void OverlayStarterWindow::OnLinkChosen() {
  const bool rcon = Checked(rconLinkChoice);
  for (int id : {addressLabel, addressField, portLabel, portField}) EnableWindow(Control(id), !rcon);
  for (int id : {rconServerLabel, rconServerField, rconPasswordLabel, rconPasswordField}) EnableWindow(Control(id), rcon);
}

void OverlayStarterWindow::OnApplyClicked() {
  settings::Write(settings::kInspectionServerAddress, WindowText(Control(addressField)));
  settings::Write(settings::kInspectionServerPort, WindowText(Control(portField)));
  settings::Write(settings::kShowAllPlayerData, Checked(showAllCheck));
  settings::Write(settings::kUseScrollLock, Checked(scrollLockCheck));
  settings::Write(Checked(rconLinkChoice) ? settings::OverlayLink::RemoteConsole
                                          : settings::OverlayLink::InspectionServer);
  settings::Write(settings::kRconServer, WindowText(Control(rconServerField)));
  std::string password = WindowText(Control(rconPasswordField));
  const bool passwordStored = settings::Write(settings::kRconPassword, password);
  SecureZeroMemory(password.data(), password.size());
  if (!passwordStored) ShowMessage(kRconPasswordNotStoredMessage, MB_OK);
  // The overlay reads the values above at its start; its result is not looked at.
  const std::string program = appFolder_ + "\\corvel2.exe";
  ShellExecuteA(hwnd_, "open", program.c_str(), "", appFolder_.c_str(), SW_SHOWNORMAL);
  Close();
}

void OverlayStarterWindow::OnCancelClicked() { Close(); }

// corvel2 lies in the launcher's folder. Its lines go to the fallback folder
// while its own log cannot be written, so a run's lines may lie in both logs:
// each is opened, the one written last last, so that it comes up on top.
void OverlayStarterWindow::OnShowLogClicked() {
  const std::vector<std::string> logs = CommandLogsByAge(appFolder_);
  if (logs.empty()) {
    ShowMessage(kNoLogYetMessage, MB_OK);
    return;
  }
  std::string unopened;
  for (const std::string& log : logs) {
    const std::string folder = log.substr(0, log.find_last_of('\\'));
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(hwnd_, "open", log.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL));
    if (result <= 32) unopened += "\r\n" + log;
  }
  if (!unopened.empty()) ShowMessage("No program could open the log:" + unopened, MB_OK);
}

LRESULT OverlayStarterWindow::OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == applyButton) OnApplyClicked();
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == cancelButton) OnCancelClicked();
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == showLogButton) OnShowLogClicked();
      if (HIWORD(wParam) == BN_CLICKED && (LOWORD(wParam) == inspectionLinkChoice || LOWORD(wParam) == rconLinkChoice)) {
        OnLinkChosen();
      }
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
