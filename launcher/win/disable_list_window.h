#pragma once
// "Disable PK3 Files": the add-on archives found under the game folder on the
// left, the ones chosen for the disable list on the right.
#include <windows.h>

#include <string>
#include <vector>

#include "common/win/owned_window.h"

class DisableListWindow : public OwnedWindow {
 public:
  // The folders are listed in their order; disablePath is the disable list's file.
  DisableListWindow(OwnerWindow owner, std::vector<std::string> folders, std::string disablePath);

  // Opens the window (the owner takes no input while it is open).
  bool Open();

  // Lists the archives under the folders on the left.
  void FillFoundList();
  void OnFoundDoubleClicked();
  void OnChosenDoubleClicked();
  void OnSelectAllClicked();
  void OnQuitClicked();
  void OnSaveClicked();

  HWND FoundList() const;
  HWND ChosenList() const;
  HWND SelectAllButton() const;
  HWND QuitButton() const;
  HWND SaveButton() const;

 private:
  void LayOut() override;
  LRESULT OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  void FitHorizontalExtent(HWND list);

  std::vector<std::string> folders_;
  std::string disablePath_;
};
