#pragma once
// Waits measured on the 32-bit millisecond tick count.
#include <cstdint>

// True once more than ms milliseconds lie between two readings of the 32-bit
// millisecond tick count. The distance is taken as a signed 32-bit difference,
// so a wait stays finite when the count wraps past its maximum.
inline bool TickWaitOver(uint32_t start, uint32_t now, int32_t ms) {
  int64_t diff = static_cast<int32_t>(now - start);
  if (diff < 0) diff = -diff;
  return diff > ms;
}
