#include "overlay/core/overlay_layout.h"

ActionWindowLayout ActionLayoutFor(GridMode mode) {
  if (mode == GridMode::AllData) {
    return {10300, 25, 10200, 10300, 7,
            std::string("Waiting for Status ") + "    Corvel Version: " + kCorvelVersion};
  }
  return {3000, 25, 3000, 3000, 2, kWaitingForStatus};
}

void SetupGridHeadings(GridModel& grid, GridMode mode, CellAlign keyAlign) {
  struct Heading {
    const char* text;
    int width;
    CellAlign align;
  };
  static const Heading kHeadings[] = {
      {"Key", 400, CellAlign::Left},         {"Name", 2600, CellAlign::Left},
      {"Ping", 500, CellAlign::Center},      {"IP", 1500, CellAlign::Center},
      {"HackCode", 1300, CellAlign::Center}, {"AlliedSkins", 2000, CellAlign::Left},
      {"AxisSkins", 2000, CellAlign::Left},
  };
  const int cols = mode == GridMode::AllData ? 7 : 2;
  grid.SetCols(cols);
  if (grid.Rows() < 1) grid.SetRows(1);
  for (int c = 0; c < cols; ++c) {
    grid.SetColWidth(c, kHeadings[c].width);
    grid.SetText(0, c, kHeadings[c].text, c == 0 ? keyAlign : kHeadings[c].align);
  }
}

namespace {

constexpr int kWindowBelowGrid = 300;

// The tallest row below the usual one, in whole pixels at dpi so that the
// painted rows add up to no more than the grid, that brings rows rows and the
// window's margin within room; the shortest row when none does.
int RowTwipsToFit(int rows, int room, int dpi) {
  for (int pixels = TwipsToPixels(kGridRowTwips, dpi) - 1;; --pixels) {
    const int twips = (pixels * 1440 + dpi - 1) / dpi;
    if (twips <= kMinGridRowTwips) return kMinGridRowTwips;
    if (rows * twips + kWindowBelowGrid <= room) return twips;
  }
}

}  // namespace

ActionWindowHeights HeightsAfterRecord(int gridRows, int recordLineCount, int room, int dpi) {
  ActionWindowHeights out;
  if (room > 0 && dpi > 0 && (gridRows + 1) * kGridRowTwips + kWindowBelowGrid > room) {
    out.rowHeight = RowTwipsToFit(gridRows + 1, room, dpi);
  }
  out.gridHeight = (gridRows + 1) * out.rowHeight;
  out.windowHeight = out.gridHeight + kWindowBelowGrid;
  if (out.windowHeight < kMinActionHeight && recordLineCount > 0) out.windowHeight = kMinActionHeight;
  out.messageLineTop = out.windowHeight - kMessageLineAboveBottom;
  return out;
}

int TwipsToPixels(int twips, int dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  return static_cast<int>(scaled >= 0 ? (scaled + 720) / 1440 : -((-scaled + 720) / 1440));
}

int PixelsToTwips(int pixels, int dpi) {
  return dpi > 0 ? static_cast<int>(static_cast<long long>(pixels) * 1440 / dpi) : 0;
}

PixelRect TwipsRectToPixels(int leftTw, int topTw, int widthTw, int heightTw, int dpi) {
  const int left = TwipsToPixels(leftTw, dpi);
  const int top = TwipsToPixels(topTw, dpi);
  return {left, top, TwipsToPixels(leftTw + widthTw, dpi) - left, TwipsToPixels(topTw + heightTw, dpi) - top};
}
