#pragma once
// The refresh tick's keyboard and window-order steps. The overlay reads no
// key events: it polls the system's key state while the game has the focus.
#include <cstdint>

#include "overlay/core/player_actions.h"

class Keyboard {
 public:
  virtual ~Keyboard() = default;
  // The key's state as GetAsyncKeyState reports it: top bit down now, lowest
  // bit pressed since the previous query of that key.
  virtual uint16_t AsyncKeyState(int code) = 0;
};

constexpr int kScrollLockKey = 145;
constexpr int kPrintScreenKey = 44;
constexpr int kSpaceKey = 32;

// Down now and pressed since the last query; a key held from before reads 0x8000.
inline bool NewlyPressed(uint16_t state) { return state == 0x8001; }

enum class TickEnd {
  Finished,      // run the connection watchdog next
  Opened,        // Print Screen opened the pick step; the rest waits for the next tick
  CloseOverlay,  // Space in the pick step: close both windows, which ends the program
};

// One refresh tick up to the watchdog. The action window opens on Scroll Lock
// when useScrollLock is set, else on Print Screen.
TickEnd HotkeyTick(PlayerActions& actions, Keyboard& keys, WindowOrder& order, bool useScrollLock);
