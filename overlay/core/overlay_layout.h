#pragma once
// Sizes, texts and the grid headings of the overlay's two windows. Sizes are
// in twips (1440 to the inch), converted to pixels with the screen's DPI.
#include <array>
#include <string>

#include "overlay/core/grid_model.h"

constexpr const char* kCorvelVersion = "1.04";
constexpr const char* kActionCaption = "Player Actions for MOHAA Tavrin Remote";
constexpr const char* kWaitingForStatus = "Waiting for Status";

// What the player grid shows: names only, or all player data (ping, address
// and the dump verdicts), by the "Mini ShowAll" setting.
enum class GridMode { NamesOnly, AllData };

// The overlay square: 100 by 100 twips, 25 below the top, 110 left of the right edge.
constexpr int kSquareSize = 100;
constexpr int kSquareTop = 25;
constexpr int kSquareRightGap = 110;

struct ActionWindowLayout {
  int width;       // also the distance of its left edge from the screen's right edge
  int top;
  int messageLineWidth;
  int gridWidth;
  int gridCols;
  std::string messageLine;
};

ActionWindowLayout ActionLayoutFor(GridMode mode);

// The shortest row a full grid is squeezed to.
constexpr int kMinGridRowTwips = 120;

// The action window's heights after an inspection record. The grid shows its
// rows and a row's margin; the window is 300 twips taller, and no lower than
// kMinActionHeight once the record brought any line after its headings. The
// message line keeps to the window's bottom edge. When the window would reach
// below room (the twips between its top and the work area's bottom; 0: no
// limit), its rows are shortened to whole pixels at dpi until it fits.
constexpr int kMinActionHeight = 5040;
constexpr int kMessageLineAboveBottom = 255;
struct ActionWindowHeights {
  int gridHeight = 0;
  int windowHeight = 0;
  int messageLineTop = 0;
  int rowHeight = kGridRowTwips;
};
ActionWindowHeights HeightsAfterRecord(int gridRows, int recordLineCount, int room = 0, int dpi = 96);

// The player grid's columns; names-only mode has the first two.
constexpr int kKeyCol = 0;
constexpr int kNameCol = 1;
constexpr int kPingCol = 2;
constexpr int kIpCol = 3;
constexpr int kHackCodeCol = 4;
constexpr int kAlliedSkinsCol = 5;
constexpr int kAxisSkinsCol = 6;

// Columns, widths and headings of row 0. The Key heading is left-aligned as
// the overlay starts and centred once records arrive.
void SetupGridHeadings(GridModel& grid, GridMode mode, CellAlign keyAlign = CellAlign::Left);

// Twips to pixels at dpi dots per inch, rounded to the nearest pixel.
int TwipsToPixels(int twips, int dpi);
int PixelsToTwips(int pixels, int dpi);

struct PixelRect {
  int left, top, width, height;
};

// A rectangle given in twips, converted edge by edge so that edges placed
// relative to the screen stay where they belong.
PixelRect TwipsRectToPixels(int leftTw, int topTw, int widthTw, int heightTw, int dpi);
