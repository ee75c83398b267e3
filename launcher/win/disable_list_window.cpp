#include "launcher/win/disable_list_window.h"

#include <algorithm>

#include "common/win/list_controls.h"
#include "common/win/message_box.h"
#include "common/win/window_class.h"
#include "launcher/core/archive_listing.h"
#include "launcher/core/list_file.h"
#include "launcher/win/file_io.h"
#include "launcher/win/game_listing.h"

namespace {

constexpr const char* kDisableListWindowClass = "KestrunDisableListWindow";
enum : int { kFoundListId = 1, kChosenListId, kSelectAllId, kQuitId, kSaveId, kFoundLabelId, kChosenLabelId };
constexpr int kClientWidth = 720;
constexpr int kClientHeight = 400;

HFONT MakeFont(const char* face, int points, int dpi) {
  return CreateFontA(-MulDiv(points, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, face);
}

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

using ControlFont = DisableListWindow::ControlFont;

// Each control's font and place at 96 dpi (RECT: left, top, width, height).
struct DisableListControl {
  int id;
  const char* cls;
  const char* text;
  DWORD style;
  DWORD exStyle;
  RECT place;
  ControlFont font;
};

constexpr DWORD kListStyle = WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;

const DisableListControl kControls[] = {
    {kFoundLabelId, "STATIC", "Current PK3 Files - Dbl Click to add to remove list", 0, 0, {10, 8, 345, 18},
     ControlFont::Label},
    {kFoundListId, "LISTBOX", "", kListStyle, WS_EX_CLIENTEDGE, {10, 28, 345, 320}, ControlFont::List},
    {kChosenLabelId, "STATIC", "PK3 Files to Disable - Dbl Click to remove from list", 0, 0, {365, 8, 345, 18},
     ControlFont::Label},
    {kChosenListId, "LISTBOX", "", kListStyle, WS_EX_CLIENTEDGE, {365, 28, 345, 320}, ControlFont::List},
    {kSelectAllId, "BUTTON", "Select All", WS_TABSTOP | BS_PUSHBUTTON, 0, {10, 360, 100, 28}, ControlFont::Button},
    {kQuitId, "BUTTON", "Quit", WS_TABSTOP | BS_PUSHBUTTON, 0, {500, 360, 100, 28}, ControlFont::Button},
    {kSaveId, "BUTTON", "Save", WS_TABSTOP | BS_PUSHBUTTON, 0, {610, 360, 100, 28}, ControlFont::Button},
};

}  // namespace

DisableListWindow::DisableListWindow(HWND owner, std::string gameFolder, std::string disablePath)
    : owner_(owner), gameFolder_(std::move(gameFolder)), disablePath_(std::move(disablePath)) {}

DisableListWindow::~DisableListWindow() {
  Close();
  for (HFONT font : {listFont_, labelFont_, buttonFont_}) {
    if (font) DeleteObject(font);
  }
}

bool DisableListWindow::Open() {
  RegisterWindowClass(kDisableListWindowClass, ObjectWindowProc<DisableListWindow>, GetSysColorBrush(COLOR_BTNFACE));
  dpi_ = WindowDpi(owner_);
  hwnd_ = CreateOwnedWindow(kDisableListWindowClass, "Disable PK3 Files", WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT,
                            owner_, kClientWidth, kClientHeight, dpi_, 20, this);
  if (!hwnd_) return false;
  CreateControls();
  FillFoundList();
  ShowModalWindow(hwnd_, owner_);
  return true;
}

void DisableListWindow::CreateControls() {
  for (const DisableListControl& c : kControls) {
    CreateWindowExA(c.exStyle, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0, hwnd_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), GetModuleHandleA(nullptr), nullptr);
  }
  foundList_ = GetDlgItem(hwnd_, kFoundListId);
  chosenList_ = GetDlgItem(hwnd_, kChosenListId);
  ScaleControls();
}

// Fonts and places at the window's DPI, from the places at 96 dpi; the old
// fonts go once no control holds them.
void DisableListWindow::ScaleControls() {
  const HFONT oldFonts[] = {listFont_, labelFont_, buttonFont_};
  listFont_ = MakeFont("Arial Narrow", 9, dpi_);
  labelFont_ = MakeFont("Tahoma", 8, dpi_);
  buttonFont_ = CreateMessageFont(dpi_);
  for (const DisableListControl& c : kControls) {
    HWND control = GetDlgItem(hwnd_, c.id);
    SetControlFont(control, FontFor(c.font));
    PlaceScaled(control, c.place.left, c.place.top, c.place.right, c.place.bottom, dpi_);
  }
  for (HFONT font : oldFonts) {
    if (font) DeleteObject(font);
  }
  FitHorizontalExtent(foundList_);
  FitHorizontalExtent(chosenList_);
}

HFONT DisableListWindow::FontFor(ControlFont font) const {
  switch (font) {
    case ControlFont::List:
      return listFont_;
    case ControlFont::Label:
      return labelFont_;
    case ControlFont::Button:
      break;
  }
  return buttonFont_;
}

void DisableListWindow::OnDpiChanged(int dpi, LPARAM suggestedRect) {
  dpi_ = dpi;
  TakeSuggestedRect(hwnd_, suggestedRect);
  ScaleControls();
}

HWND DisableListWindow::SelectAllButton() const { return GetDlgItem(hwnd_, kSelectAllId); }
HWND DisableListWindow::QuitButton() const { return GetDlgItem(hwnd_, kQuitId); }
HWND DisableListWindow::SaveButton() const { return GetDlgItem(hwnd_, kSaveId); }

void DisableListWindow::FillFoundList() {
  std::vector<std::string> found;
  ListGameFolder(gameFolder_, kArchiveExtension, found);
  SendMessageA(foundList_, LB_RESETCONTENT, 0, 0);
  SendMessageA(foundList_, WM_SETREDRAW, FALSE, 0);
  for (const std::string& path : found) AddListLine(foundList_, path);
  SendMessageA(foundList_, WM_SETREDRAW, TRUE, 0);
  FitHorizontalExtent(foundList_);
}

// Full paths are wider than the list: let it scroll sideways to the longest.
void DisableListWindow::FitHorizontalExtent(HWND list) {
  HDC dc = GetDC(list);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc, listFont_);
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
  if (!SelectedLine(foundList_, index, entry)) return;
  if (Holds(ListLines(chosenList_), entry)) {
    ShowMessage("File is already in the disable list", MB_OK);
    return;
  }
  AddListLine(chosenList_, entry);
  FitHorizontalExtent(chosenList_);
}

void DisableListWindow::OnChosenDoubleClicked() {
  int index = 0;
  std::string entry;
  if (SelectedLine(chosenList_, index, entry)) {
    SendMessageA(chosenList_, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
  }
}

void DisableListWindow::OnSelectAllClicked() {
  std::vector<std::string> chosen = ListLines(chosenList_);
  for (const std::string& entry : ListLines(foundList_)) {
    if (Holds(chosen, entry)) continue;
    AddListLine(chosenList_, entry);
    chosen.push_back(entry);
  }
  FitHorizontalExtent(chosenList_);
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

void DisableListWindow::OnQuitClicked() { Close(); }

void DisableListWindow::OnSaveClicked() {
  // Whole or not at all; on failure the window stays so that nothing chosen is lost.
  if (!ReplaceListFile(disablePath_, kEditorHeader, ListLines(chosenList_))) {
    ShowMessage("Could not save " + disablePath_, MB_OK);
    return;
  }
  Close();
}

void DisableListWindow::Close() { CloseModalWindow(hwnd_, owner_); }

void DisableListWindow::RunModal() { RunModalLoop(hwnd_); }

LRESULT DisableListWindow::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
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
    case WM_DPICHANGED:
      OnDpiChanged(DpiFromMessage(wParam), lParam);
      return 0;
    case WM_CLOSE:
      Close();  // the close box drops the choice, as "Quit" does
      return 0;
    case WM_DESTROY:
      // The owner's end takes this window with it.
      if (hwnd_ == hwnd) {
        EnableWindow(owner_, TRUE);
        hwnd_ = nullptr;
      }
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
