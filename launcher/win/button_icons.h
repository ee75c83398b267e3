#pragma once
// The 32-by-32 icons of the three start buttons, drawn here: a coloured shield
// with the edition's initials (Allied Assault, Spearhead, Breakthrough).
#include <windows.h>

#include "launch_line.h"

// The caller destroys the icon.
HICON MakeEditionIcon(GameEdition edition);
