#include "launcher/core/kept_master_lists.h"

#include <algorithm>
#include <utility>

const KeptMasterList* KeptMasterLists::Find(std::string_view game, const std::vector<MasterAddress>& masters,
                                            uint32_t nowMs) const {
  if (masters != masters_) return nullptr;
  for (const Kept& kept : kept_) {
    // Unsigned: the age stays right across the clock's wrap.
    if (kept.game == game) return nowMs - kept.takenAtMs < kMasterListKeptMs ? &kept.list : nullptr;
  }
  return nullptr;
}

void KeptMasterLists::Keep(std::string_view game, const std::vector<MasterAddress>& masters, KeptMasterList list,
                           uint32_t nowMs) {
  if (list.answered == 0) return;
  if (masters != masters_) {
    kept_.clear();
    masters_ = masters;
  }
  const auto same = std::find_if(kept_.begin(), kept_.end(), [&](const Kept& kept) { return kept.game == game; });
  Kept& slot = same != kept_.end() ? *same : kept_.emplace_back();
  slot = {std::string(game), std::move(list), nowMs};
}

void KeptMasterLists::Forget() {
  kept_.clear();
  masters_.clear();
}
