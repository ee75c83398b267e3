#pragma once
// The controls of a window as one table: each row names a control's id, its
// window class and styles, its text, its place at 96 dpi and which of the
// window's fonts it takes. A window makes its controls from its table and,
// at every DPI, gives them their fonts and places them from it again.
#include <windows.h>

#include <span>

// A control's window class and the styles it is made with (WS_CHILD and
// WS_VISIBLE are added to every control).
struct ControlKind {
  const char* cls;
  DWORD style = 0;
  DWORD exStyle = 0;
};

// Left, top, width and height in pixels at 96 dpi.
struct ControlPlace {
  int x = 0, y = 0, width = 0, height = 0;
};

struct ControlSpec {
  int id;
  ControlKind kind;
  const char* text;  // caption or initial text
  ControlPlace place{};
  int font = 0;  // index into the fonts the window gives its controls
};

// Makes every control of the table a child of parent, at its unscaled place.
void CreateTableControls(HWND parent, std::span<const ControlSpec> table);

// Gives every control of the table its font.
void GiveTableFonts(HWND parent, std::span<const ControlSpec> table, std::span<const HFONT> fonts);

// Places every control of the table at its place scaled to dpi.
void PlaceTableControls(HWND parent, std::span<const ControlSpec> table, int dpi);
