#pragma once
#include <windows.h>

// Runs the program's window events until window becomes null (its owner object
// clears it when the window closes). Tab and Enter work inside the window. A
// quit request that arrives meanwhile ends the loop and is put back for the
// main loop.
void RunModalLoop(const HWND& window);

// Closes a modal window and gives the input back to its owner; window is
// cleared first, so that the loop above ends. A closed window is left alone.
void EndModal(HWND& window, HWND owner);
