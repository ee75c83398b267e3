#pragma once
// The system's keyboard state as the refresh tick asks about it. The key-state
// bits of the Windows API end here; the core only asks "newly pressed?".
#include <windows.h>

#include <cstdint>

#include "overlay/core/hotkeys.h"
#include "overlay/core/key_codes.h"

static_assert(kSpaceKey == VK_SPACE && kPageDownKey == VK_NEXT && kRightArrowKey == VK_RIGHT && kPrintScreenKey == VK_SNAPSHOT &&
              kScrollLockKey == VK_SCROLL);

class SystemKeyboard : public Keyboard {
 public:
  // GetAsyncKeyState: top bit down now, lowest bit pressed since the previous
  // query of that key (which clears it). Both are needed: a key held from
  // before reads 0x8000, a tap let go before the poll 0x0001.
  bool NewlyPressed(int key) override { return static_cast<uint16_t>(GetAsyncKeyState(key)) == 0x8001; }
};
