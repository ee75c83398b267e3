#pragma once
// A small window that paints a GridModel: a grey heading row, then one row
// per player, in the model's row height, column widths, colours and weights.
#include <windows.h>

#include "overlay/core/grid_model.h"
#include "overlay/core/overlay_layout.h"

// Creates the grid as a child of parent, showing model (which must outlive it),
// at the grid's DPI. Windows does not tell a child of a DPI change: its parent
// sends it WM_DPICHANGED with the new DPI in wParam. WM_GETFONT answers the
// grid's normal font.
HWND CreateGridControl(HWND parent, const GridModel* model);

// Repaints the grid after its model has changed.
void RefreshGridControl(HWND grid);
