#pragma once
// The icons of the three start buttons, drawn here: a coloured shield with the
// edition's initials (Allied Assault, Spearhead, Breakthrough), 32 by 32
// pixels at 96 dpi and drawn afresh at the size of other DPIs.
#include <windows.h>

#include "launcher/core/launch_line.h"

// The icon at dpi; the caller destroys it.
HICON MakeEditionIcon(GameEdition edition, int dpi);
