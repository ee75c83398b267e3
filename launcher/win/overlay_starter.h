#pragma once
// "Corvel Setup": the overlay's settings, stored by "Apply", which
// then starts corvel2.exe from the launcher's folder. The overlay links to
// the inspection server or to the game server's remote console; the fields
// of the link not chosen are greyed. Cancel and the close box
// store nothing. "Show Log" opens the log of the commands corvel2 sent.
#include <windows.h>

#include <string>

#include "common/win/owned_window.h"

// The help text shown before the window opens: four lines, each ended by CR LF.
extern const char* const kOverlayStarterHelp;

// "Show Log" before corvel2 has written a log.
extern const char* const kNoLogYetMessage;

// "Apply" when the rcon password could not be stored protected.
extern const char* const kRconPasswordNotStoredMessage;

class OverlayStarterWindow : public OwnedWindow {
 public:
  enum ControlId : int {
    introLabel = 1, addressLabel, addressField, portLabel, portField,
    showAllCheck, scrollLockCheck, applyButton, cancelButton, showLogButton,
    inspectionLinkChoice, rconLinkChoice, rconServerLabel, rconServerField, rconPasswordLabel, rconPasswordField
  };

  // appFolder is the folder corvel2.exe is started from.
  OverlayStarterWindow(OwnerWindow owner, std::string appFolder);

  // Shows the help message, then opens the window; the owner takes no input
  // while it is open.
  bool Open();

  void LoadSettings();
  void OnApplyClicked();
  void OnCancelClicked();
  // Opens corvel2's record of commands in the system's viewer for text files:
  // each of its places that holds a log.
  void OnShowLogClicked();
  // Greys the fields that do not apply to the link chosen.
  void OnLinkChosen();

 private:
  LRESULT OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override;
  bool Checked(int id) const;

  std::string appFolder_;
};
