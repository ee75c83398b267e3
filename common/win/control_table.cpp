#include "common/win/control_table.h"

#include "common/win/dpi.h"

void CreateTableControls(HWND parent, std::span<const ControlSpec> table) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  for (const ControlSpec& c : table) {
    CreateWindowExA(c.kind.exStyle, c.kind.cls, c.text, WS_CHILD | WS_VISIBLE | c.kind.style, c.place.x, c.place.y,
                    c.place.width, c.place.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
                    instance, nullptr);
  }
}

void GiveTableFonts(HWND parent, std::span<const ControlSpec> table, std::span<const HFONT> fonts) {
  for (const ControlSpec& c : table) {
    if (c.font < 0 || static_cast<size_t>(c.font) >= fonts.size()) continue;
    SetControlFont(GetDlgItem(parent, c.id), fonts[static_cast<size_t>(c.font)]);
  }
}

void PlaceTableControls(HWND parent, std::span<const ControlSpec> table, int dpi) {
  for (const ControlSpec& c : table) {
    PlaceScaled(GetDlgItem(parent, c.id), c.place.x, c.place.y, c.place.width, c.place.height, dpi);
  }
}
