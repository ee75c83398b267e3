#include "overlay/core/rcon_pacing.h"

#include <algorithm>

namespace {
constexpr uint32_t kFullMs = RequestBudget::kBurst * RequestBudget::kRefillMs;
}  // namespace

void RequestBudget::Refill(uint32_t now) {
  if (!started_) {
    started_ = true;
    last_ = now;
    return;
  }
  // A tick count behind the last one refills nothing; the count goes on from it.
  const int32_t elapsed = static_cast<int32_t>(now - last_);
  if (elapsed > 0) creditMs_ = static_cast<uint32_t>(std::min<int64_t>(kFullMs, int64_t{creditMs_} + elapsed));
  last_ = now;
}

bool RequestBudget::Available(uint32_t now) {
  Refill(now);
  return creditMs_ >= kRefillMs;
}

void RequestBudget::Spend(uint32_t now) {
  Refill(now);
  creditMs_ -= std::min(creditMs_, kRefillMs);
}
