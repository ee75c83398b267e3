#include "button_icons.h"

namespace {

constexpr int kSize = 32;

struct EditionLook {
  COLORREF fill;
  const char* initials;
};

EditionLook LookOf(GameEdition edition) {
  switch (edition) {
    case GameEdition::Spearhead:
      return {RGB(40, 70, 140), "SH"};
    case GameEdition::Breakthrough:
      return {RGB(150, 40, 30), "BT"};
    case GameEdition::AlliedAssault:
      break;
  }
  return {RGB(85, 100, 45), "AA"};
}

void DrawShield(HDC dc, const EditionLook& look) {
  RECT all{0, 0, kSize, kSize};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  HBRUSH fill = CreateSolidBrush(look.fill);
  HPEN edge = CreatePen(PS_SOLID, 2, RGB(230, 200, 90));
  HGDIOBJ oldBrush = SelectObject(dc, fill);
  HGDIOBJ oldPen = SelectObject(dc, edge);
  const POINT shield[] = {{3, 3}, {28, 3}, {28, 17}, {16, 29}, {3, 17}};
  Polygon(dc, shield, 5);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(edge);
  DeleteObject(fill);

  HFONT font = CreateFontA(-12, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT text{3, 5, 29, 20};
  DrawTextA(dc, look.initials, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

// Transparent where the colour image is black: the corners around the shield.
HBITMAP MaskFor(HDC colourDc) {
  HDC maskDc = CreateCompatibleDC(colourDc);
  HBITMAP mask = CreateBitmap(kSize, kSize, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(maskDc, mask);
  SetBkColor(colourDc, RGB(0, 0, 0));
  BitBlt(maskDc, 0, 0, kSize, kSize, colourDc, 0, 0, SRCCOPY);
  SelectObject(maskDc, old);
  DeleteDC(maskDc);
  return mask;
}

}  // namespace

HICON MakeEditionIcon(GameEdition edition) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP colour = CreateCompatibleBitmap(screen, kSize, kSize);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, colour);
  DrawShield(dc, LookOf(edition));
  HBITMAP mask = MaskFor(dc);
  SelectObject(dc, old);
  DeleteDC(dc);

  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour;
  info.hbmMask = mask;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colour);
  DeleteObject(mask);
  return icon;
}
