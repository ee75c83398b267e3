#pragma once
// Waits that keep the window's events flowing.
#include <cstdint>

// True once more than ms milliseconds lie between two readings of the 32-bit
// millisecond tick count. The distance is taken as a signed 32-bit difference,
// so a wait stays finite when the count wraps past its maximum.
inline bool TickWaitOver(uint32_t start, uint32_t now, int32_t ms) {
  int64_t diff = static_cast<int32_t>(now - start);
  if (diff < 0) diff = -diff;
  return diff > ms;
}

// Lets pending window events run, then sleeps on the message queue, until more
// than ms milliseconds have passed. Events arriving meanwhile run inside it.
// A quit request seen here is put back for the main loop and ends the wait.
void LoopAndWait(int32_t ms);

// Runs every pending window event once, without waiting. Returns false when a
// quit request was seen (it is put back for the main loop).
bool PumpPendingEvents();
