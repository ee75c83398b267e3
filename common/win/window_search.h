#pragma once
// Finding another program's window by its caption.
#include <windows.h>

#include <string>

// The top-level window whose caption is exactly caption (letter case counts),
// or nullptr.
HWND FindWindowByExactCaption(const std::string& caption);
