#pragma once
// ministart, "Corvel Setup": the overlay's settings, stored by "Apply", which
// then starts corvel2.exe from the launcher's folder. Cancel and the close box
// store nothing.
#include <windows.h>

#include <string>

// The help text shown before the window opens: four lines, each ended by CR LF.
extern const char* const kOverlayStarterHelp;

class OverlayStarter {
 public:
  // Every message of the object's window (see ObjectWindowProc).
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  enum ControlId : int { Label1 = 1, Label2, Text1, Label3, Text2, Check1, Check2, Command1, Command2 };

  // appFolder is the folder corvel2.exe is started from.
  OverlayStarter(HWND owner, std::string appFolder);
  ~OverlayStarter();
  OverlayStarter(const OverlayStarter&) = delete;
  OverlayStarter& operator=(const OverlayStarter&) = delete;

  // Shows the help message, then opens the window; the owner takes no input
  // while it is open.
  bool Open();
  // Runs the window's events until it closes.
  void RunModal();

  void Form_Load();
  void Command1_Click();
  void Command2_Click();
  void Close();

  HWND Handle() const { return hwnd_; }
  HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
  bool Closed() const { return hwnd_ == nullptr; }

 private:
  void CreateControls();

  HWND owner_;
  std::string appFolder_;
  HWND hwnd_ = nullptr;
  HFONT font_ = nullptr;
};
