#pragma once
// The overlay's windows are placed in twips from the screen's right edge; the
// screen's width in twips depends on the DPI the windows are drawn at.
#include <windows.h>

#include "overlay/core/overlay_layout.h"

inline int ScreenWidthTwips(int dpi) { return PixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi); }
