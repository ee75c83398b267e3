#include "overlay/core/watchdog.h"

namespace {
constexpr int kRetryAfter = 500;
constexpr int kLastRetry = 6;
}  // namespace

WatchdogStep WatchdogTick(Watchdog& w) {
  WatchdogStep step;
  if (w.linkUp) return step;
  ++w.waitTicks;
  if (w.waitTicks > kRetryAfter) {
    step.messageLine = "Connection Failed ReTry " + std::to_string(w.retryCount + 1);
    ++w.retryCount;
    w.waitTicks = 0;
    step.retry = true;
  }
  if (w.retryCount == kLastRetry) step.endProgram = true;
  return step;
}

void WatchdogLinkUp(Watchdog& w) {
  w.retryCount = 0;
  w.linkUp = true;
}
