#pragma once
// The masters' merged list of each game, kept for a minute. The community
// masters renew their lists every few minutes and ask clients not to flood
// them: a Refresh soon after asks only the servers again. Platform-free;
// times are milliseconds of a clock that may wrap (GetTickCount).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/core/master_servers.h"

constexpr uint32_t kMasterListKeptMs = 60000;

struct KeptMasterList {
  std::vector<ListedServer> servers;
  size_t asked = 0;     // masters asked
  size_t answered = 0;  // masters whose list arrived
};

class KeptMasterLists {
 public:
  // The game's list taken from these same masters less than
  // kMasterListKeptMs before nowMs; nullptr when there is none.
  const KeptMasterList* Find(std::string_view game, const std::vector<MasterAddress>& masters, uint32_t nowMs) const;
  // A round no master answered is not kept: the next asks again. A list from
  // other masters forgets every list of the earlier ones.
  void Keep(std::string_view game, const std::vector<MasterAddress>& masters, KeptMasterList list, uint32_t nowMs);
  void Forget();

 private:
  struct Kept {
    std::string game;
    KeptMasterList list;
    uint32_t takenAtMs = 0;
  };
  std::vector<MasterAddress> masters_;
  std::vector<Kept> kept_;
};
