#include <gtest/gtest.h>

#include "overlay/core/map_list.h"
#include "overlay/core/overlay_layout.h"
#include "overlay/core/player_actions.h"

TEST(MapList, SplitsAtBlanksAndCommasAndLabelsByLetter) {
  using V = std::vector<std::string>;
  EXPECT_EQ(BuildMapLines("obj/obj_team1 obj/obj_team2,,dm/mohdm6"),
            (V{"A - obj/obj_team1", "B - obj/obj_team2", "C - dm/mohdm6", "Z - Cancel"}));
  EXPECT_EQ(BuildMapLines(""), V{"Z - Cancel"});
  EXPECT_EQ(BuildMapLines(" , ,"), V{"Z - Cancel"});
  EXPECT_EQ(BuildMapLines("a\tb"), (V{"A - a\tb", "Z - Cancel"}));  // tabs do not separate

  std::string many;
  for (int i = 1; i <= 23; ++i) many += "m" + std::to_string(i) + ",";
  V lines = BuildMapLines(many);
  ASSERT_EQ(lines.size(), 24u);
  EXPECT_EQ(lines[0], "A - m1");
  EXPECT_EQ(lines[19], "T - m20");
  EXPECT_EQ(lines[20], "T - m21");  // past the twentieth every map keeps "T"
  EXPECT_EQ(lines[22], "T - m23");
  EXPECT_EQ(lines[23], "Z - Cancel");
}

TEST(OverlayLayout, ActionWindowByMode) {
  ActionWindowLayout names = ActionLayoutFor(GridMode::NamesOnly);
  EXPECT_EQ(names.width, 3000);
  EXPECT_EQ(names.gridCols, 2);
  EXPECT_EQ(names.messageLine, "Waiting for Status");
  EXPECT_EQ(names.messageLineWidth, 3000);
  ActionWindowLayout all = ActionLayoutFor(GridMode::AllData);
  EXPECT_EQ(all.width, 10300);
  EXPECT_EQ(all.messageLineWidth, 10200);
  EXPECT_EQ(all.gridWidth, 10300);
  EXPECT_EQ(all.gridCols, 7);
  EXPECT_EQ(all.messageLine, "Waiting for Status     Corvel Version: 1.04");
  EXPECT_EQ(ActionMenuLines().front(), std::string("K - Kick"));
  EXPECT_EQ(ActionMenuLines()[16], std::string("C - Change Map"));
  EXPECT_EQ(ActionMenuLines().back(), std::string("X - Cancel"));
}

TEST(OverlayLayout, EdgesConvertSoTheSquareKeepsItsGapAtEveryDpi) {
  for (int dpi : {96, 120, 144, 192}) {
    for (int screenPx : {800, 1280, 1920, 2560}) {
      const int screenTw = screenPx * 1440 / dpi;
      PixelRect square = TwipsRectToPixels(screenTw - 110, 25, 100, 100, dpi);
      EXPECT_EQ(square.left, TwipsToPixels(screenTw - 110, dpi));
      EXPECT_EQ(square.left + square.width, TwipsToPixels(screenTw - 10, dpi));
      EXPECT_LT(square.left + square.width, screenPx + 1);
      PixelRect wide = TwipsRectToPixels(screenTw - 10300, 25, 10300, 5040, dpi);
      EXPECT_EQ(wide.left + wide.width, screenPx) << dpi;  // flush with the right edge
    }
  }
  EXPECT_EQ(TwipsToPixels(1440, 96), 96);
  EXPECT_EQ(TwipsToPixels(5040, 96), 336);
  EXPECT_EQ(TwipsToPixels(100, 96), 7);
}

// A full server's rows stay on a screen of 1080 or 768 lines: the window ends
// above the work area's bottom and every painted row inside the grid; fewer
// rows keep their height.
TEST(OverlayLayout, ActionWindowFitsTheWorkAreaByShorterRows) {
  struct Case {
    int players, lines, dpi;
    bool shortened;
  } const cases[] = {
      {64, 1080, 96, true}, {64, 768, 96, true},  {64, 1024, 120, true}, {50, 1080, 144, true},
      {36, 1080, 96, false}, {40, 768, 96, false}, {0, 768, 96, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.players) + " players, " + std::to_string(c.lines) + " lines at " +
                 std::to_string(c.dpi));
    const int rows = c.players + 1;
    const int room = PixelsToTwips(c.lines, c.dpi) - kSquareTop;
    const ActionWindowHeights h = HeightsAfterRecord(rows, c.players, room, c.dpi);
    const PixelRect window = TwipsRectToPixels(0, kSquareTop, 0, h.windowHeight, c.dpi);
    const PixelRect grid = TwipsRectToPixels(0, 0, 0, h.gridHeight, c.dpi);
    EXPECT_LE(window.top + window.height, c.lines);
    EXPECT_LE(rows * TwipsToPixels(h.rowHeight, c.dpi), grid.height);
    EXPECT_EQ(h.rowHeight < kGridRowTwips, c.shortened) << h.rowHeight;
    EXPECT_GE(h.rowHeight, kMinGridRowTwips);
    EXPECT_EQ(h.gridHeight, (rows + 1) * h.rowHeight);
    EXPECT_EQ(h.messageLineTop, h.windowHeight - kMessageLineAboveBottom);
    if (!c.shortened) EXPECT_EQ(h.windowHeight, HeightsAfterRecord(rows, c.players).windowHeight);
  }
}
