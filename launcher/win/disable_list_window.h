#pragma once
// "Disable PK3 Files": the add-on archives found under the game folder on the
// left, the ones chosen for the disable list on the right.
#include <windows.h>

#include <string>

class DisableListWindow {
 public:
  // The window's three fonts, each control with one of them.
  enum class ControlFont { List, Label, Button };

  // Every message of the object's window (see ObjectWindowProc).
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  // gameFolder is listed; disablePath is the disable list's file.
  DisableListWindow(HWND owner, std::string gameFolder, std::string disablePath);
  ~DisableListWindow();
  DisableListWindow(const DisableListWindow&) = delete;
  DisableListWindow& operator=(const DisableListWindow&) = delete;

  // Opens the window (the owner takes no input while it is open).
  bool Open();
  // Runs the window's events until it closes.
  void RunModal();

  // Lists the archives under the game folder on the left.
  void FillFoundList();
  void OnFoundDoubleClicked();
  void OnChosenDoubleClicked();
  void OnSelectAllClicked();
  void OnQuitClicked();
  void OnSaveClicked();
  void Close();

  HWND Handle() const { return hwnd_; }
  HWND FoundList() const { return foundList_; }
  HWND ChosenList() const { return chosenList_; }
  HWND SelectAllButton() const;
  HWND QuitButton() const;
  HWND SaveButton() const;
  bool Closed() const { return hwnd_ == nullptr; }

 private:
  void CreateControls();
  void ScaleControls();
  HFONT FontFor(ControlFont font) const;
  void OnDpiChanged(int dpi, LPARAM suggestedRect);
  void FitHorizontalExtent(HWND list);

  HWND owner_;
  std::string gameFolder_;
  std::string disablePath_;
  HWND hwnd_ = nullptr;
  HWND foundList_ = nullptr;
  HWND chosenList_ = nullptr;
  HFONT listFont_ = nullptr;
  HFONT labelFont_ = nullptr;
  HFONT buttonFont_ = nullptr;
  int dpi_ = 96;
};
