#pragma once
#include <windows.h>

// Registers a window class of this program with an arrow cursor; a class
// already registered is left as it is.
void RegisterWindowClass(const char* name, WNDPROC proc, HBRUSH background = nullptr);
