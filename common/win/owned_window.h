#pragma once
// The life every window owned by a program's main window shares. It opens
// over its owner at the DPI the owner last laid itself out at, modal: the
// owner takes no input until it closes. It closes by its own buttons, by its
// close box (which drops what it holds, as Cancel does) or with its owner.
// At each DPI change it makes its fonts anew and lays itself out again.
//
// A window derives from OwnedWindow, calls Create with its OwnedWindowSpec
// (its controls come from its control table), fills its controls, then
// ShowModal. Its own messages go to OnWindowMessage.
#include <windows.h>

#include <span>
#include <vector>

#include "common/win/control_table.h"
#include "common/win/dpi.h"

// The window an owned window opens over, and the DPI that window last laid
// itself out at (0: the DPI Windows reports for it).
struct OwnerWindow {
  HWND hwnd = nullptr;
  int dpi = 0;
};

struct OwnedWindowSpec {
  const char* className = nullptr;
  const char* caption = "";
  SIZE clientSize96{};    // the client area at 96 dpi
  int cascadeOffset = 0;  // the window's corner lies this far right of and below the owner's (at 96 dpi)
  DWORD extraStyle = 0;   // beside the caption and the close box, e.g. a sizing frame
  DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  std::span<const ControlSpec> controls{};
  std::span<const FontSpec> fonts{};  // indexed by ControlSpec::font; none: the message-box font alone
};

class OwnedWindow {
 public:
  // Every message of the window (see ObjectWindowProc).
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  OwnedWindow(const OwnedWindow&) = delete;
  OwnedWindow& operator=(const OwnedWindow&) = delete;

  // Runs the program's events until the window closes.
  void RunModal();
  // Closes the window: the owner takes input again and becomes active.
  virtual void Close();

  HWND Handle() const { return hwnd_; }
  HWND Control(int id) const { return GetDlgItem(hwnd_, id); }
  bool Closed() const { return hwnd_ == nullptr; }
  int Dpi() const { return dpi_; }

 protected:
  explicit OwnedWindow(OwnerWindow owner);
  virtual ~OwnedWindow();

  // Makes the window, still hidden, at the owner's DPI, with the controls of
  // its shape's table given their fonts and laid out.
  bool Create(const OwnedWindowSpec& shape);
  void ShowModal();
  // Places the controls at Dpi(): by default each at its table place, scaled.
  virtual void LayOut();
  // The window's own messages; by default DefWindowProc's.
  virtual LRESULT OnWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND Owner() const { return owner_.hwnd; }
  HFONT Font(int index = 0) const;

  // Null from the moment the window closes; the modal loop ends on it.
  HWND hwnd_ = nullptr;

 private:
  std::vector<HFONT> MakeFonts() const;
  void OnDpiChanged(int dpi, LPARAM suggestedRect);

  OwnerWindow owner_;
  int dpi_ = 96;
  std::span<const ControlSpec> controls_;
  std::span<const FontSpec> fontSpecs_;
  std::vector<HFONT> fonts_;
};
