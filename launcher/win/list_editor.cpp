#include "launcher/win/list_editor.h"

#include "common/win/list_controls.h"
#include "common/win/message_box.h"
#include "common/win/window_class.h"
#include "launcher/core/list_file.h"
#include "launcher/win/file_io.h"

namespace {

constexpr const char* kEditorClass = "KestrunListEditor";
constexpr int kListId = 1;
constexpr int kOkId = 2;

}  // namespace

ListEditorWindow::ListEditorWindow(HWND owner, const char* caption, EditedList target)
    : owner_(owner), caption_(caption), target_(std::move(target)) {}

ListEditorWindow::~ListEditorWindow() {
  Close();
  if (font_) DeleteObject(font_);
}

bool ListEditorWindow::Open() {
  RegisterWindowClass(kEditorClass, ObjectWindowProc<ListEditorWindow>, GetSysColorBrush(COLOR_BTNFACE));
  dpi_ = WindowDpi(owner_);
  hwnd_ = CreateOwnedWindow(kEditorClass, caption_.c_str(), WS_EX_DLGMODALFRAME, owner_, 260, 300, dpi_, 40, this);
  if (!hwnd_) return false;
  CreateControls();
  FillList();
  ShowModalWindow(hwnd_, owner_);
  return true;
}

void ListEditorWindow::CreateControls() {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  hint_ = CreateWindowExA(0, "STATIC", " Dbl Click to Remove from List", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_,
                          nullptr, instance, nullptr);
  list_ = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 0,
                          0, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance, nullptr);
  okButton_ = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0,
                              hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kOkId)), instance, nullptr);
  ScaleControls();
}

// The font and the places at the window's DPI, from the places at 96 dpi.
void ListEditorWindow::ScaleControls() {
  const HFONT oldFont = font_;
  font_ = CreateFontA(-MulDiv(10, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_ROMAN, "Times New Roman");
  for (HWND control : {hint_, list_, okButton_}) SetControlFont(control, font_);
  PlaceScaled(hint_, 10, 8, 240, 18, dpi_);
  PlaceScaled(list_, 10, 30, 240, 220, dpi_);
  PlaceScaled(okButton_, 90, 260, 80, 28, dpi_);
  if (oldFont) DeleteObject(oldFont);
}

void ListEditorWindow::OnDpiChanged(int dpi, LPARAM suggestedRect) {
  dpi_ = dpi;
  TakeSuggestedRect(hwnd_, suggestedRect);
  ScaleControls();
}

void ListEditorWindow::FillList() {
  SendMessageA(list_, LB_RESETCONTENT, 0, 0);
  changed_ = false;
  entries_.clear();
  for (const auto& entry : *target_.remembered) {
    if (entry.empty()) continue;
    AddListLine(list_, entry);
    entries_.push_back(entry);
  }
}

void ListEditorWindow::OnEntryDoubleClicked() {
  // The same question in both editors.
  const int answer = ShowMessage("You are about to remove this Player. Do you wish to continue?", MB_YESNO,
                                 "Delete IP/Port/Rcon");
  if (answer != IDYES) return;
  changed_ = true;
  const LRESULT selected = SendMessageA(list_, LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR || static_cast<size_t>(selected) >= entries_.size()) return;
  SendMessageA(list_, LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
  entries_.erase(entries_.begin() + selected);
}

void ListEditorWindow::OnOkClicked() {
  if (changed_) {
    *target_.remembered = entries_;
    RefillCombo(target_.field, entries_);
    if (!WriteListFile(target_.path, kEditorHeader, entries_)) ShowMessage("Could not save " + target_.path, MB_OK);
  }
  Close();
}

void ListEditorWindow::Close() { CloseModalWindow(hwnd_, owner_); }

void ListEditorWindow::RunModal() { RunModalLoop(hwnd_); }

LRESULT ListEditorWindow::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kListId && HIWORD(wParam) == LBN_DBLCLK) OnEntryDoubleClicked();
      if (LOWORD(wParam) == kOkId && HIWORD(wParam) == BN_CLICKED) OnOkClicked();
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(DpiFromMessage(wParam), lParam);
      return 0;
    case WM_CLOSE:
      // The close box drops the window's changes.
      Close();
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
