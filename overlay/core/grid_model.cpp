#include "overlay/core/grid_model.h"

namespace {
constexpr int kDefaultColWidth = 1000;
constexpr int kMaxRows = 100000;
constexpr int kMaxCols = 64;

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
}  // namespace

void GridModel::SetRows(int rows) {
  cells_.resize(static_cast<size_t>(Clamp(rows, 0, kMaxRows)), std::vector<GridCell>(static_cast<size_t>(cols_)));
}

void GridModel::SetCols(int cols) {
  cols_ = Clamp(cols, 0, kMaxCols);
  widths_.resize(static_cast<size_t>(cols_), kDefaultColWidth);
  for (auto& row : cells_) row.resize(static_cast<size_t>(cols_));
}

int GridModel::ColWidth(int col) const {
  return col >= 0 && col < cols_ ? widths_[static_cast<size_t>(col)] : 0;
}

void GridModel::SetColWidth(int col, int twips) {
  if (col >= 0 && col < cols_) widths_[static_cast<size_t>(col)] = twips < 0 ? 0 : twips;
}

GridCell* GridModel::Cell(int row, int col) {
  if (row < 0 || row >= Rows() || col < 0 || col >= cols_) return nullptr;
  return &cells_[static_cast<size_t>(row)][static_cast<size_t>(col)];
}

const GridCell* GridModel::Cell(int row, int col) const {
  return const_cast<GridModel*>(this)->Cell(row, col);
}

std::string GridModel::Text(int row, int col) const {
  const GridCell* cell = Cell(row, col);
  return cell ? cell->text : std::string();
}

bool GridModel::SetText(int row, int col, const std::string& text, CellAlign align) {
  GridCell* cell = Cell(row, col);
  if (!cell) return false;
  cell->text = text;
  cell->align = align;
  return true;
}

void GridModel::ClearRow(int row) {
  if (row < 0 || row >= Rows()) return;
  for (auto& cell : cells_[static_cast<size_t>(row)]) cell = GridCell{};
}

void GridModel::ClearAll() {
  for (int r = 0; r < Rows(); ++r) ClearRow(r);
}
