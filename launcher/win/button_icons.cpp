#include "launcher/win/button_icons.h"

#include "common/win/dpi.h"

namespace {

// The drawing's size at 96 dpi; every coordinate below is given at that size.
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

void DrawShield(HDC dc, const EditionLook& look, int dpi) {
  auto px = [dpi](int v) { return Scaled(v, dpi); };
  RECT all{0, 0, px(kSize), px(kSize)};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  HBRUSH fill = CreateSolidBrush(look.fill);
  HPEN edge = CreatePen(PS_SOLID, px(2), RGB(230, 200, 90));
  HGDIOBJ oldBrush = SelectObject(dc, fill);
  HGDIOBJ oldPen = SelectObject(dc, edge);
  const POINT shield[] = {{px(3), px(3)}, {px(28), px(3)}, {px(28), px(17)}, {px(16), px(29)}, {px(3), px(17)}};
  Polygon(dc, shield, 5);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(edge);
  DeleteObject(fill);

  HFONT font = CreateFontA(-px(12), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT text{px(3), px(5), px(29), px(20)};
  DrawTextA(dc, look.initials, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}

// Transparent where the colour image is black: the corners around the shield.
HBITMAP MaskFor(HDC colourDc, int size) {
  HDC maskDc = CreateCompatibleDC(colourDc);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  HGDIOBJ old = SelectObject(maskDc, mask);
  SetBkColor(colourDc, RGB(0, 0, 0));
  BitBlt(maskDc, 0, 0, size, size, colourDc, 0, 0, SRCCOPY);
  SelectObject(maskDc, old);
  DeleteDC(maskDc);
  return mask;
}

}  // namespace

HICON MakeEditionIcon(GameEdition edition, int dpi) {
  const int size = Scaled(kSize, dpi);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, colour);
  DrawShield(dc, LookOf(edition), dpi);
  HBITMAP mask = MaskFor(dc, size);
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
