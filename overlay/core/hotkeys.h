#pragma once
// The refresh tick's keyboard and window-order steps. The overlay reads no
// key events: it polls the system's key state, whatever window has the focus
// (the game's, while the administrator plays).
#include "overlay/core/key_codes.h"
#include "overlay/core/player_actions.h"

class Keyboard {
 public:
  virtual ~Keyboard() = default;
  // True when the key is down now and has been pressed since the previous
  // question about it. Asking consumes the press: a key held down across many
  // ticks is newly pressed once.
  virtual bool NewlyPressed(int key) = 0;
};

enum class TickEnd {
  Finished,      // run the connection watchdog next
  Opened,        // Print Screen opened the pick step; the rest waits for the next tick
  CloseOverlay,  // Space in the pick step: close both windows, which ends the program
};

// One refresh tick up to the watchdog. The action window opens on Scroll Lock
// when useScrollLock is set, else on Print Screen.
TickEnd HotkeyTick(PlayerActions& actions, Keyboard& keys, WindowOrder& order, bool useScrollLock);
