#pragma once
// "Corvel Setup": the overlay's settings, stored by "Apply", which
// then starts corvel2.exe from the launcher's folder. Cancel and the close box
// store nothing.
#include <windows.h>

#include <string>

// The help text shown before the window opens: four lines, each ended by CR LF.
extern const char* const kOverlayStarterHelp;

class OverlayStarterWindow {
 public:
  // Every message of the object's window (see ObjectWindowProc).
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  enum ControlId : int {
    introLabel = 1, addressLabel, addressField, portLabel, portField,
    showAllCheck, scrollLockCheck, applyButton, cancelButton
  };

  // appFolder is the folder corvel2.exe is started from.
  OverlayStarterWindow(HWND owner, std::string appFolder);
  ~OverlayStarterWindow();
  OverlayStarterWindow(const OverlayStarterWindow&) = delete;
  OverlayStarterWindow& operator=(const OverlayStarterWindow&) = delete;

  // Shows the help message, then opens the window; the owner takes no input
  // while it is open.
  bool Open();
  // Runs the window's events until it closes.
  void RunModal();

  void LoadSettings();
  void OnApplyClicked();
  void OnCancelClicked();
  void Close();

  HWND Handle() const { return hwnd_; }
  HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
  bool Closed() const { return hwnd_ == nullptr; }

 private:
  void CreateControls();
  void ScaleControls();
  void OnDpiChanged(int dpi, LPARAM suggestedRect);

  HWND owner_;
  std::string appFolder_;
  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
  int dpi_ = 96;
};
