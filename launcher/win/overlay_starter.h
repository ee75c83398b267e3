#pragma once
// "Corvel Setup": the overlay's settings, stored by "Apply", which
// then starts corvel2.exe from the launcher's folder. Cancel and the close box
// store nothing.
#include <windows.h>

#include <string>

#include "common/win/owned_window.h"

// The help text shown before the window opens: four lines, each ended by CR LF.
extern const char* const kOverlayStarterHelp;

class OverlayStarterWindow : public OwnedWindow {
 public:
  enum ControlId : int {
    introLabel = 1, addressLabel, addressField, portLabel, portField,
    showAllCheck, scrollLockCheck, applyButton, cancelButton
  };

  // appFolder is the folder corvel2.exe is started from.
  OverlayStarterWindow(OwnerWindow owner, std::string appFolder);

  // Shows the help message, then opens the window; the owner takes no input
  // while it is open.
  bool Open();

  void LoadSettings();
  void OnApplyClicked();
  void OnCancelClicked();

 private:
  LRESULT OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;

  std::string appFolder_;
};
