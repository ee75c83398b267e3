#pragma once
// The two list editors, "Remove Players" and "Remove Server IP": a list of the
// saved entries, double-click to remove one, "OK" to keep the result.
#include <windows.h>

#include <string>
#include <vector>

#include "common/win/owned_window.h"

// What an editor works on: the main window's remembered list, its drop-down
// field and the file the list is saved in.
struct EditedList {
  std::vector<std::string>* remembered;
  HWND field;
  std::string path;
};

class ListEditorWindow : public OwnedWindow {
 public:
  ListEditorWindow(OwnerWindow owner, const char* caption, EditedList target);

  // Opens the window (the owner takes no input while it is open).
  bool Open();

  void FillList();
  void OnEntryDoubleClicked();
  void OnOkClicked();

  HWND List() const;
  HWND OkButton() const;
  HWND Hint() const;
  bool Changed() const { return changed_; }

 private:
  LRESULT OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

  std::string caption_;
  EditedList target_;
  bool changed_ = false;
  // The entries shown in the list, whole: a list box line ends at a NUL byte.
  std::vector<std::string> entries_;
};
