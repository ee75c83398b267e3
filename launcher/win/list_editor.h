#pragma once
// The two list editors, "Remove Players" and "Remove Server IP": a list of the
// saved entries, double-click to remove one, "OK" to keep the result.
#include <windows.h>

#include <string>
#include <vector>

// What an editor works on: the main window's remembered list, its drop-down
// field and the file the list is saved in.
struct EditedList {
  std::vector<std::string>* remembered;
  HWND field;
  std::string path;
};

class ListEditorWindow {
 public:
  // Every message of the object's window (see ObjectWindowProc).
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  ListEditorWindow(HWND owner, const char* caption, EditedList target);
  ~ListEditorWindow();
  ListEditorWindow(const ListEditorWindow&) = delete;
  ListEditorWindow& operator=(const ListEditorWindow&) = delete;

  // Opens the window (the owner takes no input while it is open).
  bool Open();
  // Runs the window's events until it closes.
  void RunModal();

  void FillList();
  void OnEntryDoubleClicked();
  void OnOkClicked();
  void Close();

  HWND Handle() const { return hwnd_; }
  HWND List() const { return list_; }
  HWND OkButton() const { return okButton_; }
  HWND Hint() const { return hint_; }
  bool Closed() const { return hwnd_ == nullptr; }
  bool Changed() const { return changed_; }

 private:
  void CreateControls();
  void ScaleControls();
  void OnDpiChanged(int dpi, LPARAM suggestedRect);

  HWND owner_;
  std::string caption_;
  EditedList target_;
  HWND hwnd_ = nullptr;
  HWND hint_ = nullptr;
  HWND list_ = nullptr;
  HWND okButton_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
  bool changed_ = false;
  // The entries shown in the list, whole: a list box line ends at a NUL byte.
  std::vector<std::string> entries_;
};
