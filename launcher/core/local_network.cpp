#include "launcher/core/local_network.h"

#include <algorithm>

namespace {

constexpr uint32_t kLoopbackNet = 0x7F000000;
constexpr uint32_t kLoopbackMask = 0xFF000000;

bool Broadcastable(const InterfaceAddress& place) {
  const Subnet& s = place.subnet;
  if (!place.up || place.loopback || s.address == 0 || (s.address & kLoopbackMask) == kLoopbackNet) return false;
  return ~s.mask > 1;
}

}  // namespace

std::vector<Subnet> BroadcastNetworks(const std::vector<InterfaceAddress>& interfaces) {
  std::vector<Subnet> networks;
  for (const InterfaceAddress& place : interfaces) {
    if (!Broadcastable(place)) continue;
    const bool known = std::any_of(networks.begin(), networks.end(), [&](const Subnet& s) {
      return s.Broadcast() == place.subnet.Broadcast() && s.mask == place.subnet.mask;
    });
    if (!known) networks.push_back(place.subnet);
  }
  return networks;
}
