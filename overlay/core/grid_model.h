#pragma once
// The player grid's contents, apart from any window: rows of cells with text,
// alignment, colour and weight, and the column widths in twips. The inspection
// record and dump decoding write it; the grid control only paints it.
#include <cstdint>
#include <string>
#include <vector>

// How a cell places its text.
enum class CellAlign { Left, Center };

// One grid row, the heading row included, unless a full grid is shortened.
constexpr int kGridRowTwips = 260;

// Text colours as 0xRRGGBB.
constexpr uint32_t kBlack = 0x000000;

struct GridCell {
  std::string text;
  CellAlign align = CellAlign::Left;
  uint32_t color = kBlack;
  bool bold = false;
};

class GridModel {
 public:
  // Row 0 is the fixed heading row.
  int Rows() const { return static_cast<int>(cells_.size()); }
  int Cols() const { return cols_; }

  // Changing the size keeps the cells that stay inside it.
  void SetRows(int rows);
  void SetCols(int cols);

  int ColWidth(int col) const;
  void SetColWidth(int col, int twips);
  int RowHeight() const { return rowHeight_; }
  void SetRowHeight(int twips) { rowHeight_ = twips; }

  // nullptr outside the grid: writes outside it are simply not possible.
  GridCell* Cell(int row, int col);
  const GridCell* Cell(int row, int col) const;
  std::string Text(int row, int col) const;

  // Writes text and alignment; returns false (and writes nothing) outside the grid.
  bool SetText(int row, int col, const std::string& text, CellAlign align);

  void ClearRow(int row);
  void ClearAll();

 private:
  int cols_ = 0;
  int rowHeight_ = kGridRowTwips;
  std::vector<int> widths_;
  std::vector<std::vector<GridCell>> cells_;
};
