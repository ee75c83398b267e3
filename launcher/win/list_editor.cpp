#include "launcher/win/list_editor.h"

#include "common/win/list_controls.h"
#include "common/win/message_box.h"
#include "launcher/core/list_file.h"
#include "launcher/win/file_io.h"

namespace {

enum : int { kListId = 1, kOkId, kHintId };

const ControlSpec kEditorControls[] = {
    {kHintId, {"STATIC"}, " Dbl Click to Remove from List", {10, 8, 240, 18}},
    {kListId, {"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE}, "",
     {10, 30, 240, 220}},
    {kOkId, {"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON}, "OK", {90, 260, 80, 28}},
};

const FontSpec kEditorFonts[] = {{"Times New Roman", 1000, FW_NORMAL, DEFAULT_PITCH | FF_ROMAN}};

}  // namespace

ListEditorWindow::ListEditorWindow(OwnerWindow owner, const char* caption, EditedList target)
    : OwnedWindow(owner), caption_(caption), target_(std::move(target)) {}

bool ListEditorWindow::Open() {
  const bool created = Create({.className = "KestrunListEditor",
                               .caption = caption_.c_str(),
                               .clientSize96 = {260, 300},
                               .cascadeOffset = 40,
                               .exStyle = WS_EX_DLGMODALFRAME,
                               .controls = kEditorControls,
                               .fonts = kEditorFonts});
  if (!created) return false;
  FillList();
  ShowModal();
  return true;
}

HWND ListEditorWindow::List() const { return Control(kListId); }
HWND ListEditorWindow::OkButton() const { return Control(kOkId); }
HWND ListEditorWindow::Hint() const { return Control(kHintId); }

void ListEditorWindow::FillList() {
  SendMessageA(List(), LB_RESETCONTENT, 0, 0);
  changed_ = false;
  entries_.clear();
  for (const auto& entry : *target_.remembered) {
    if (entry.empty()) continue;
    AddListLine(List(), entry);
    entries_.push_back(entry);
  }
}

void ListEditorWindow::OnEntryDoubleClicked() {
  // The same question in both editors.
  const int answer = ShowMessage("You are about to remove this Player. Do you wish to continue?", MB_YESNO,
                                 "Delete IP/Port/Rcon");
  if (answer != IDYES) return;
  changed_ = true;
  const LRESULT selected = SendMessageA(List(), LB_GETCURSEL, 0, 0);
  if (selected == LB_ERR || static_cast<size_t>(selected) >= entries_.size()) return;
  SendMessageA(List(), LB_DELETESTRING, static_cast<WPARAM>(selected), 0);
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

LRESULT ListEditorWindow::OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kListId && HIWORD(wParam) == LBN_DBLCLK) OnEntryDoubleClicked();
      if (LOWORD(wParam) == kOkId && HIWORD(wParam) == BN_CLICKED) OnOkClicked();
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
