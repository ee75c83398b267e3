#include "overlay/core/hotkeys.h"

namespace {

constexpr int kFirstPickKey = 32;
constexpr int kLastKey = 90;
constexpr int kFirstActionKey = 65;

// The open key is queried on every tick, whatever the step: the query itself
// consumes a press, so a second press while the action window is up does
// nothing instead of reaching the pick scan as a key of its own.
bool OpenKey(ActionState& s, Keyboard& keys, WindowOrder& order, int code) {
  const bool pressed = NewlyPressed(keys.AsyncKeyState(code));
  if (s.menuMode != MenuMode::Idle || !pressed) return false;
  order.SetTopmost(Pane::Actions, true);
  s.menuMode = MenuMode::Pick;
  return true;
}

// Every newly pressed key goes on, even after the first has changed the step.
bool ScanPickKeys(PlayerActions& actions, Keyboard& keys, WindowOrder& order) {
  for (int code = kFirstPickKey; code <= kLastKey; ++code) {
    if (!NewlyPressed(keys.AsyncKeyState(code))) continue;
    if (code == kSpaceKey) {
      order.SetTopmost(Pane::Overlay, true);
      return false;
    }
    actions.OnPickKey(static_cast<uint16_t>(code));
  }
  return true;
}

void ScanActionKeys(PlayerActions& actions, Keyboard& keys) {
  for (int code = kFirstActionKey; code <= kLastKey; ++code) {
    if (NewlyPressed(keys.AsyncKeyState(code))) actions.OnActionKey(static_cast<uint16_t>(code));
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

  if (useScrollLock) {
    OpenKey(s, keys, order, kScrollLockKey);
  } else if (OpenKey(s, keys, order, kPrintScreenKey)) {
    return TickEnd::Opened;
  }

  if (s.menuMode == MenuMode::Pick && !ScanPickKeys(actions, keys, order)) return TickEnd::CloseOverlay;
  if (s.menuMode == MenuMode::Action) ScanActionKeys(actions, keys);
  return TickEnd::Finished;
}
