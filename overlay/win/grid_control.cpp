#include "overlay/win/grid_control.h"

#include "common/win/dpi.h"
#include "common/win/window_class.h"
#include "overlay/core/overlay_layout.h"

namespace {

constexpr const char* kGridClass = "CorvelGrid";

struct GridView {
  const GridModel* model;
  int dpi;
  HFONT normal;
  HFONT bold;
  int fontRowHeight;  // the row height, in twips, the fonts were made for
};

const FontSpec kGridFont{"Arial Narrow", 825, FW_NORMAL, DEFAULT_PITCH | FF_SWISS};
const FontSpec kGridBoldFont{"Arial Narrow", 825, FW_BOLD, DEFAULT_PITCH | FF_SWISS};

// Shortened rows get a font shrunk alike, so that their text is not cut.
HFONT CreateRowFont(FontSpec font, int rowHeight, int dpi) {
  if (rowHeight < kGridRowTwips) font.centipoints = font.centipoints * rowHeight / kGridRowTwips;
  return CreateFontForDpi(font, dpi);
}

void MakeFonts(GridView& view) {
  const HFONT oldNormal = view.normal;
  const HFONT oldBold = view.bold;
  view.fontRowHeight = view.model->RowHeight();
  view.normal = CreateRowFont(kGridFont, view.fontRowHeight, view.dpi);
  view.bold = CreateRowFont(kGridBoldFont, view.fontRowHeight, view.dpi);
  if (oldNormal) DeleteObject(oldNormal);
  if (oldBold) DeleteObject(oldBold);
}

// Rows, columns and fonts are measured at the new DPI from the next paint on.
void ChangeDpi(HWND hwnd, GridView& view, int dpi) {
  view.dpi = dpi;
  MakeFonts(view);
  InvalidateRect(hwnd, nullptr, FALSE);
}

COLORREF ToColorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

void PaintCell(HDC dc, const GridView& view, const GridCell& cell, RECT box) {
  SelectObject(dc, cell.bold ? view.bold : view.normal);
  SetTextColor(dc, ToColorRef(cell.color));
  RECT text = box;
  InflateRect(&text, -2, 0);
  UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  flags |= cell.align == CellAlign::Center ? DT_CENTER : DT_LEFT;
  DrawTextA(dc, cell.text.c_str(), static_cast<int>(cell.text.size()), &text, flags);
}

void PaintRow(HDC dc, const GridView& view, int row, int top, int height, int clientRight) {
  const GridModel& model = *view.model;
  RECT band{0, top, clientRight, top + height};
  FillRect(dc, &band, GetSysColorBrush(row == 0 ? COLOR_BTNFACE : COLOR_WINDOW));
  int left = 0;
  for (int col = 0; col < model.Cols(); ++col) {
    const int width = TwipsToPixels(model.ColWidth(col), view.dpi);
    RECT box{left, top, left + width, top + height};
    PaintCell(dc, view, *model.Cell(row, col), box);
    MoveToEx(dc, box.right - 1, top, nullptr);
    LineTo(dc, box.right - 1, box.bottom);
    left += width;
  }
  MoveToEx(dc, 0, band.bottom - 1, nullptr);
  LineTo(dc, clientRight, band.bottom - 1);
}

void Paint(HWND hwnd, GridView& view) {
  if (view.model->RowHeight() != view.fontRowHeight) MakeFonts(view);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_APPWORKSPACE));
  SetBkMode(dc, TRANSPARENT);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(192, 192, 192));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldFont = SelectObject(dc, view.normal);
  const int rowHeight = TwipsToPixels(view.model->RowHeight(), view.dpi);
  for (int row = 0; row < view.model->Rows() && row * rowHeight < client.bottom; ++row) {
    PaintRow(dc, view, row, row * rowHeight, rowHeight, client.right);
  }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK GridProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* view = reinterpret_cast<GridView*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      if (view) {
        Paint(hwnd, *view);
        return 0;
      }
      break;
    case WM_DPICHANGED:
      if (view) ChangeDpi(hwnd, *view, DpiFromMessage(wParam));
      return 0;
    case WM_GETFONT:
      return view ? reinterpret_cast<LRESULT>(view->normal) : 0;
    case WM_NCDESTROY:
      if (view) {
        DeleteObject(view->normal);
        DeleteObject(view->bold);
        delete view;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
      }
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

HWND CreateGridControl(HWND parent, const GridModel* model) {
  RegisterWindowClass(kGridClass, GridProc);
  // Lists shown over the grid must not be painted over when it repaints.
  HWND grid = CreateWindowExA(0, kGridClass, "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPSIBLINGS, 0, 0, 10, 10,
                              parent, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!grid) return nullptr;
  auto* view = new GridView{model, WindowDpi(grid), nullptr, nullptr, 0};
  MakeFonts(*view);
  SetWindowLongPtrA(grid, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
  return grid;
}

void RefreshGridControl(HWND grid) { InvalidateRect(grid, nullptr, FALSE); }
