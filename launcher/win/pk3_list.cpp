#include "pk3_list.h"

#include <algorithm>

#include "archive_listing.h"
#include "file_io.h"
#include "game_listing.h"
#include "list_controls.h"
#include "list_file.h"
#include "message_box.h"
#include "window_class.h"

namespace {

constexpr const char* kPk3ListClass = "KestrunPk3List";
enum : int { kList1 = 1, kList2, kCommand1, kCommand2, kCommand3 };
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

}  // namespace

Pk3List::Pk3List(HWND owner, std::string gameFolder, std::string disablePath)
    : owner_(owner), gameFolder_(std::move(gameFolder)), disablePath_(std::move(disablePath)) {}

Pk3List::~Pk3List() {
  Close();
  for (HFONT font : {listFont_, labelFont_, buttonFont_}) {
    if (font) DeleteObject(font);
  }
}

bool Pk3List::Open() {
  RegisterWindowClass(kPk3ListClass, ObjectWindowProc<Pk3List>, GetSysColorBrush(COLOR_BTNFACE));
  dpi_ = WindowDpi(owner_);
  hwnd_ = CreateOwnedWindow(kPk3ListClass, "Disable PK3 Files", WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, owner_,
                            kClientWidth, kClientHeight, dpi_, 20, this);
  if (!hwnd_) return false;
  listFont_ = MakeFont("Arial Narrow", 9, dpi_);
  labelFont_ = MakeFont("Tahoma", 8, dpi_);
  buttonFont_ = CreateMessageFont();
  CreateControls();
  Form_Load();
  EnableWindow(owner_, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  return true;
}

HWND Pk3List::AddControl(const char* cls, const char* text, DWORD style, DWORD exStyle, RECT place, int id,
                         HFONT font) {
  auto px = [this](LONG v) { return MulDiv(v, dpi_, 96); };
  HWND control = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, px(place.left), px(place.top),
                                 px(place.right), px(place.bottom), hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

void Pk3List::CreateControls() {
  const DWORD listStyle = WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
  // RECT here is left, top, width, height.
  AddControl("STATIC", "Current PK3 Files - Dbl Click to add to remove list", 0, 0, {10, 8, 345, 18}, 0, labelFont_);
  list1_ = AddControl("LISTBOX", "", listStyle, WS_EX_CLIENTEDGE, {10, 28, 345, 320}, kList1, listFont_);
  AddControl("STATIC", "PK3 Files to Disable - Dbl Click to remove from list", 0, 0, {365, 8, 345, 18}, 0,
             labelFont_);
  list2_ = AddControl("LISTBOX", "", listStyle, WS_EX_CLIENTEDGE, {365, 28, 345, 320}, kList2, listFont_);
  AddControl("BUTTON", "Select All", WS_TABSTOP | BS_PUSHBUTTON, 0, {10, 360, 100, 28}, kCommand1, buttonFont_);
  AddControl("BUTTON", "Quit", WS_TABSTOP | BS_PUSHBUTTON, 0, {500, 360, 100, 28}, kCommand2, buttonFont_);
  AddControl("BUTTON", "Save", WS_TABSTOP | BS_PUSHBUTTON, 0, {610, 360, 100, 28}, kCommand3, buttonFont_);
}

HWND Pk3List::Button(int number) const { return GetDlgItem(hwnd_, kCommand1 + number - 1); }

void Pk3List::Form_Load() {
  SendMessageA(list1_, LB_RESETCONTENT, 0, 0);
  ShowFilesext(gameFolder_);
}

void Pk3List::ShowFilesext(const std::string& vspath) {
  std::vector<std::string> found;
  ListGameFolder(vspath, kArchiveExtension, found);
  SendMessageA(list1_, WM_SETREDRAW, FALSE, 0);
  for (const std::string& path : found) AddListLine(list1_, path);
  SendMessageA(list1_, WM_SETREDRAW, TRUE, 0);
  FitHorizontalExtent(list1_);
}

// Full paths are wider than the list: let it scroll sideways to the longest.
void Pk3List::FitHorizontalExtent(HWND list) {
  HDC dc = GetDC(list);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc, listFont_);
  LONG widest = 0;
  for (const std::string& line : ListLines(list)) {
    SIZE size{};
    if (GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size)) widest = std::max(widest, size.cx);
  }
  SelectObject(dc, old);
  ReleaseDC(list, dc);
  SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
}

void Pk3List::List1_DblClick() {
  int index = 0;
  std::string entry;
  if (!SelectedLine(list1_, index, entry)) return;
  if (Holds(ListLines(list2_), entry)) {
    ShowMessage("File is already in the disable list", MB_OK);
    return;
  }
  AddListLine(list2_, entry);
  FitHorizontalExtent(list2_);
}

void Pk3List::List2_DblClick() {
  int index = 0;
  std::string entry;
  if (SelectedLine(list2_, index, entry)) SendMessageA(list2_, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void Pk3List::Command1_Click() {
  std::vector<std::string> chosen = ListLines(list2_);
  for (const std::string& entry : ListLines(list1_)) {
    if (Holds(chosen, entry)) continue;
    AddListLine(list2_, entry);
    chosen.push_back(entry);
  }
  FitHorizontalExtent(list2_);
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

void Pk3List::Command2_Click() { Close(); }

void Pk3List::Command3_Click() {
  // Whole or not at all; on failure the window stays so that nothing chosen is lost.
  if (!ReplaceListFile(disablePath_, kEditorHeader, ListLines(list2_))) {
    ShowMessage("Could not save " + disablePath_, MB_OK);
    return;
  }
  Close();
}

void Pk3List::Close() { CloseModalWindow(hwnd_, owner_); }

void Pk3List::RunModal() { RunModalLoop(hwnd_); }

LRESULT Pk3List::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id == kList1 && code == LBN_DBLCLK) List1_DblClick();
      if (id == kList2 && code == LBN_DBLCLK) List2_DblClick();
      if (code == BN_CLICKED && id == kCommand1) Command1_Click();
      if (code == BN_CLICKED && id == kCommand2) Command2_Click();
      if (code == BN_CLICKED && id == kCommand3) Command3_Click();
      return 0;
    }
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
