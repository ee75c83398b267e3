#include "launcher/win/disable_list_window.h"

#include <algorithm>

#include "common/win/list_controls.h"
#include "common/win/message_box.h"
#include "launcher/core/archive_listing.h"
#include "launcher/core/list_file.h"
#include "launcher/win/file_io.h"
#include "launcher/win/game_listing.h"

namespace {

enum : int { kFoundListId = 1, kChosenListId, kSelectAllId, kQuitId, kSaveId, kFoundLabelId, kChosenLabelId };

bool Holds(const std::vector<std::string>& lines, const std::string& text) {
  return std::find(lines.begin(), lines.end(), text) != lines.end();
}

// The selected line of a single-selection list, or false when none is.
bool SelectedLine(HWND list, int& index, std::string& text) {
  const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR) return false;
  index = static_cast<int>(selected);
  const LRESULT len = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (len == LB_ERR) return false;
  text.assign(static_cast<size_t>(len) + 1, '\0');
  SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(len));
  return true;
}

// The window's three fonts, in the order of kFonts.
enum : int { kListFont, kLabelFont, kButtonFont };

const FontSpec kFonts[] = {
    {"Arial Narrow", 900, FW_NORMAL, DEFAULT_PITCH | FF_SWISS},
    {"Tahoma", 800, FW_NORMAL, DEFAULT_PITCH | FF_SWISS},
    {},  // the message-box font
};

constexpr ControlKind kLabel{"STATIC"};
constexpr ControlKind kList{"LISTBOX", WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                            WS_EX_CLIENTEDGE};
constexpr ControlKind kButton{"BUTTON", WS_TABSTOP | BS_PUSHBUTTON};

const ControlSpec kControls[] = {
    {kFoundLabelId, kLabel, "Current PK3 Files - Dbl Click to add to remove list", {10, 8, 345, 18}, kLabelFont},
    {kFoundListId, kList, "", {10, 28, 345, 320}, kListFont},
    {kChosenLabelId, kLabel, "PK3 Files to Disable - Dbl Click to remove from list", {365, 8, 345, 18}, kLabelFont},
    {kChosenListId, kList, "", {365, 28, 345, 320}, kListFont},
    {kSelectAllId, kButton, "Select All", {10, 360, 100, 28}, kButtonFont},
    {kQuitId, kButton, "Quit", {500, 360, 100, 28}, kButtonFont},
    {kSaveId, kButton, "Save", {610, 360, 100, 28}, kButtonFont},
};

}  // namespace

DisableListWindow::DisableListWindow(OwnerWindow owner, std::vector<std::string> folders, std::string disablePath)
    : OwnedWindow(owner), folders_(std::move(folders)), disablePath_(std::move(disablePath)) {}

bool DisableListWindow::Open() {
  const bool created = Create({.className = "KestrunDisableListWindow",
                               .caption = "Disable PK3 Files",
                               .clientSize96 = {720, 400},
                               .cascadeOffset = 20,
                               .controls = kControls,
                               .fonts = kFonts});
  if (!created) return false;
  FillFoundList();
  ShowModal();
  return true;
}

// The paths' widths change with the font.
void DisableListWindow::LayOut() {
  OwnedWindow::LayOut();
  FitHorizontalExtent(FoundList());
  FitHorizontalExtent(ChosenList());
}

HWND DisableListWindow::FoundList() const { return Control(kFoundListId); }
HWND DisableListWindow::ChosenList() const { return Control(kChosenListId); }
HWND DisableListWindow::SelectAllButton() const { return Control(kSelectAllId); }
HWND DisableListWindow::QuitButton() const { return Control(kQuitId); }
HWND DisableListWindow::SaveButton() const { return Control(kSaveId); }

void DisableListWindow::FillFoundList() {
  std::vector<std::string> found;
  for (const std::string& folder : folders_) ListGameFolder(folder, kArchiveExtension, found);
  SendMessageA(FoundList(), LB_RESETCONTENT, 0, 0);
  SendMessageA(FoundList(), WM_SETREDRAW, FALSE, 0);
  for (const std::string& path : found) AddListLine(FoundList(), path);
  SendMessageA(FoundList(), WM_SETREDRAW, TRUE, 0);
  FitHorizontalExtent(FoundList());
}

// Full paths are wider than the list: let it scroll sideways to the longest.
void DisableListWindow::FitHorizontalExtent(HWND list) {
  HDC dc = GetDC(list);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc, Font(kListFont));
  LONG widest = 0;
  for (const std::string& line : ListLines(list)) {
    SIZE size{};
    if (GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size)) {
      widest = std::max(widest, size.cx);
    }
  }
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
}

void DisableListWindow::OnFoundDoubleClicked() {
  int index = 0;
  std::string entry;
  if (!SelectedLine(FoundList(), index, entry)) return;
  if (Holds(ListLines(ChosenList()), entry)) {
    ShowMessage("File is already in the disable list", MB_OK);
    return;
  }
  AddListLine(ChosenList(), entry);
  FitHorizontalExtent(ChosenList());
}

void DisableListWindow::OnChosenDoubleClicked() {
  int index = 0;
  std::string entry;
  if (SelectedLine(ChosenList(), index, entry)) {
    SendMessageA(ChosenList(), LB_DELETESTRING, static_cast<WPARAM>(index), 0);
  }
}

void DisableListWindow::OnSelectAllClicked() {
  std::vector<std::string> chosen = ListLines(ChosenList());
  for (const std::string& entry : ListLines(FoundList())) {
    if (Holds(chosen, entry)) continue;
    AddListLine(ChosenList(), entry);
    chosen.push_back(entry);
  }
  FitHorizontalExtent(ChosenList());
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

void DisableListWindow::OnQuitClicked() { Close(); }

void DisableListWindow::OnSaveClicked() {
  // Whole or not at all; on failure the window stays so that nothing chosen is lost.
  if (!ReplaceListFile(disablePath_, kEditorHeader, ListLines(ChosenList()))) {
    ShowMessage("Could not save " + disablePath_, MB_OK);
    return;
  }
  Close();
}

LRESULT DisableListWindow::OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == kFoundListId && code == LBN_DBLCLK) OnFoundDoubleClicked();
      if (id == kChosenListId && code == LBN_DBLCLK) OnChosenDoubleClicked();
      if (code == BN_CLICKED && id == kSelectAllId) OnSelectAllClicked();
      if (code == BN_CLICKED && id == kQuitId) OnQuitClicked();
      if (code == BN_CLICKED && id == kSaveId) OnSaveClicked();
      return 0;
    }
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
