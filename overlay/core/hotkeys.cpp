#include "overlay/core/hotkeys.h"

namespace {

// The pick step polls Space to "Z" (the paging and arrow keys, Print Screen,
// the digits and the letters among them; the pick decides what each means),
// the action step the letters only.
constexpr int kFirstPickScanKey = kSpaceKey;
constexpr int kLastScanKey = 'Z';
constexpr int kFirstActionScanKey = 'A';

// The open key is queried on every tick, whatever the step: the query itself
// consumes a press, so a second press while the action window is up does
// nothing instead of reaching the pick scan as a key of its own.
bool OpenKey(ActionState& s, Keyboard& keys, WindowOrder& order, int key) {
  const bool pressed = keys.NewlyPressed(key);
  if (s.menuMode != MenuMode::Idle || !pressed) return false;
  order.SetTopmost(Pane::Actions, true);
  s.menuMode = MenuMode::Pick;
  return true;
}

// Every newly pressed key goes on, even after the first has changed the step.
bool ScanPickKeys(PlayerActions& actions, Keyboard& keys, WindowOrder& order) {
  for (int key = kFirstPickScanKey; key <= kLastScanKey; ++key) {
    if (!keys.NewlyPressed(key)) continue;
    if (key == kSpaceKey) {
      order.SetTopmost(Pane::Overlay, true);
      return false;
    }
    actions.OnPickKey(static_cast<uint16_t>(key));
  }
  return true;
}

void ScanActionKeys(PlayerActions& actions, Keyboard& keys) {
  for (int key = kFirstActionScanKey; key <= kLastScanKey; ++key) {
    if (keys.NewlyPressed(key)) actions.OnActionKey(static_cast<uint16_t>(key));
  }
}

}  // namespace

TickEnd HotkeyTick(PlayerActions& actions, Keyboard& keys, WindowOrder& order, bool useScrollLock) {
  ActionState& s = actions.state;
  if (s.menuMode == MenuMode::Done) {
    order.SetTopmost(Pane::Overlay, true);
    order.SetTopmost(Pane::Actions, false);
    s.menuMode = MenuMode::Idle;
  }
  order.SetTopmost(s.menuMode == MenuMode::Idle ? Pane::Overlay : Pane::Actions, true);

  // Print Screen ends the tick it opens the action window in, Scroll Lock does
  // not. Nothing in the overlay needs the difference; it is the timing
  // administrators know, kept as it was: a player's key pressed together with
  // Scroll Lock is picked in the same tick, with Print Screen in the next, and
  // the connection watchdog does not count the tick Print Screen ended.
  if (useScrollLock) {
    OpenKey(s, keys, order, kScrollLockKey);
  } else if (OpenKey(s, keys, order, kPrintScreenKey)) {
    return TickEnd::Opened;
  }

  if (s.menuMode == MenuMode::Pick && !ScanPickKeys(actions, keys, order)) return TickEnd::CloseOverlay;
  if (s.menuMode == MenuMode::Action) ScanActionKeys(actions, keys);
  return TickEnd::Finished;
}
