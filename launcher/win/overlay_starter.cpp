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

namespace {

constexpr ControlKind kLabel{"STATIC", SS_LEFT};
constexpr ControlKind kField{"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
constexpr ControlKind kCheck{"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX};

using Starter = OverlayStarterWindow;

const ControlSpec kStarterControls[] = {
    {Starter::introLabel, kLabel, "Corvel is a ingame version of Tavrin remote and requires a password.",
     {12, 10, 300, 32}},
    {Starter::addressLabel, kLabel, "Tavrin IP", {12, 50, 100, 16}},
    {Starter::addressField, kField, "", {12, 68, 190, 22}},
    {Starter::portLabel, kLabel, "Port/Password", {212, 50, 100, 16}},
    {Starter::portField, kField, "", {212, 68, 100, 22}},
    {Starter::showAllCheck, kCheck, "Show All Data vs Name Only", {12, 100, 300, 20}},
    {Starter::scrollLockCheck, kCheck, "Use Scroll Lock vs PrntScrn", {12, 124, 300, 20}},
    {Starter::applyButton, {"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON}, "Apply", {30, 156, 80, 28}},
    {Starter::cancelButton, {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON}, "Cancel", {122, 156, 80, 28}},
    {Starter::showLogButton, {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON}, "Show Log", {214, 156, 80, 28}},
};

}  // namespace

OverlayStarterWindow::OverlayStarterWindow(OwnerWindow owner, std::string appFolder)
    : OwnedWindow(owner), appFolder_(std::move(appFolder)) {}

bool OverlayStarterWindow::Open() {
  ShowMessage(kOverlayStarterHelp, MB_OK);
  const bool created = Create({.className = "KestrunCorvelSetup",
                               .caption = "Corvel Setup",
                               .clientSize96 = {324, 196},
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
}

void OverlayStarterWindow::OnApplyClicked() {
  auto checked = [&](int id) { return SendMessageA(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; };
  settings::Write(settings::kInspectionServerAddress, WindowText(Control(addressField)));
  settings::Write(settings::kInspectionServerPort, WindowText(Control(portField)));
  settings::Write(settings::kShowAllPlayerData, checked(showAllCheck));
  settings::Write(settings::kUseScrollLock, checked(scrollLockCheck));
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
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
