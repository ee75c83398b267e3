#include <gtest/gtest.h>

#include "overlay/core/grid_model.h"
#include "overlay/core/overlay_layout.h"

TEST(GridModel, ResizingKeepsCellsInsideAndRefusesWritesOutside) {
  GridModel g;
  g.SetCols(2);
  g.SetRows(3);
  EXPECT_TRUE(g.SetText(2, 1, "Bob", CellAlign::Center));
  g.SetRows(50);
  EXPECT_EQ(g.Text(2, 1), "Bob");
  EXPECT_EQ(g.Cell(2, 1)->align, CellAlign::Center);
  EXPECT_FALSE(g.SetText(50, 0, "x", CellAlign::Left));
  EXPECT_FALSE(g.SetText(1, 2, "x", CellAlign::Left));
  EXPECT_FALSE(g.SetText(-1, 0, "x", CellAlign::Left));
  EXPECT_EQ(g.Cell(1, -1), nullptr);
  g.SetRows(2);
  EXPECT_EQ(g.Cell(2, 1), nullptr);
  g.SetRows(3);
  EXPECT_EQ(g.Text(2, 1), "");  // a row cut away comes back empty
}

TEST(GridModel, ClearRowResetsTextColourAndWeight) {
  GridModel g;
  g.SetCols(7);
  g.SetRows(2);
  g.SetText(1, 4, "AB", CellAlign::Center);
  g.Cell(1, 4)->color = 0x800000;
  g.Cell(1, 4)->bold = true;
  g.ClearRow(1);
  EXPECT_EQ(g.Text(1, 4), "");
  EXPECT_EQ(g.Cell(1, 4)->color, kBlack);
  EXPECT_FALSE(g.Cell(1, 4)->bold);
  g.ClearRow(7);  // outside: nothing happens
}

TEST(GridHeadings, NamesOnlyAndAllData) {
  GridModel names;
  SetupGridHeadings(names, GridMode::NamesOnly);
  ASSERT_EQ(names.Cols(), 2);
  EXPECT_EQ(names.Text(0, 0), "Key");
  EXPECT_EQ(names.Text(0, 1), "Name");
  EXPECT_EQ(names.ColWidth(0) + names.ColWidth(1), 3000);
  EXPECT_EQ(names.Cell(0, 0)->align, CellAlign::Left);

  GridModel all;
  SetupGridHeadings(all, GridMode::AllData);
  ASSERT_EQ(all.Cols(), 7);
  const char* headings[] = {"Key", "Name", "Ping", "IP", "HackCode", "AlliedSkins", "AxisSkins"};
  const int widths[] = {400, 2600, 500, 1500, 1300, 2000, 2000};
  const CellAlign aligns[] = {CellAlign::Left,   CellAlign::Left,   CellAlign::Center, CellAlign::Center,
                              CellAlign::Center, CellAlign::Left,   CellAlign::Left};
  int total = 0;
  for (int c = 0; c < 7; ++c) {
    EXPECT_EQ(all.Text(0, c), headings[c]);
    EXPECT_EQ(all.ColWidth(c), widths[c]);
    EXPECT_EQ(all.Cell(0, c)->align, aligns[c]) << c;
    total += widths[c];
  }
  EXPECT_EQ(total, 10300);  // the grid fills the wide window exactly
}
