// Which of this machine's networks the local-network source broadcasts to.
#include <gtest/gtest.h>

#include "launcher/core/local_network.h"

TEST(LocalNetwork, OnlyNetworksOfInterfacesUpAndNotLoopbackWithRoomForHostsEachOnce) {
  const Subnet lan{0x0A4D0001, 0xFFFFFF00};  // 10.77.0.1/24
  const Subnet wide{0xC0A80105, 0xFFFF0000};  // 192.168.1.5/16
  struct Case {
    const char* what;
    std::vector<InterfaceAddress> interfaces;
    std::vector<Subnet> networks;
  } cases[] = {
      {"up and not loopback", {{lan, true, false}, {wide, true, false}}, {lan, wide}},
      {"down", {{lan, false, false}}, {}},
      {"loopback by its kind or its address", {{lan, true, true}, {{0x7F000001, 0xFF000000}, true, false}}, {}},
      {"no broadcast in a /31 or /32", {{{0x0A000001, 0xFFFFFFFE}, true, false}, {{0x0A000002, ~0u}, true, false}}, {}},
      {"a second address of the same network", {{lan, true, false}, {{0x0A4D0009, 0xFFFFFF00}, true, false}}, {lan}},
  };
  for (const Case& c : cases) EXPECT_EQ(BroadcastNetworks(c.interfaces), c.networks) << c.what;
  EXPECT_EQ(lan.Broadcast(), 0x0A4D00FFu);
}
