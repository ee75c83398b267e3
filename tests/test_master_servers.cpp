#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "launcher/core/master_servers.h"

namespace {

using Masters = std::vector<MasterAddress>;

}  // namespace

TEST(MasterServers, ParsesEntriesSeparatedByBlanksOrCommas) {
  struct Case {
    std::string value;
    Masters masters;
  } cases[] = {
      {"127.0.0.1", {{"127.0.0.1", 28900}}},
      {"127.0.0.1:28901 localhost", {{"127.0.0.1", 28901}, {"localhost", 28900}}},
      {" a.example , b.example:1,,\tc-d_e.example:65535\r\n", {{"a.example", 28900}, {"b.example", 1}, {"c-d_e.example", 65535}}},
      {"a:0 b:65536 c:x d: :5 e", {{"e", 28900}}},
      {"a..b .a a. a/b a:1:2 [::1]:5 ok", {{"ok", 28900}}},
      {"Master:5 master:5 master:6", {{"Master", 5}, {"master", 6}}},  // repeats are asked once
      {"", {}},
      {" , ", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseMasterServers(c.value), c.masters) << c.value;

  std::string many;
  for (int i = 1; i <= 100; ++i) many += "127.0.0.1:" + std::to_string(i) + " ";
  EXPECT_EQ(ParseMasterServers(many).size(), kMaxMasters);
}

TEST(MasterServers, MissingValueMeansTheCommunityMastersAndAnEmptyOneNone) {
  const Masters defaults = MasterServersFromSetting(std::nullopt);
  ASSERT_EQ(defaults.size(), 5u);
  for (const MasterAddress& m : defaults) EXPECT_EQ(m.port, 28900) << m.host;
  EXPECT_EQ(defaults.front().host, "master.333networks.com");
  EXPECT_TRUE(MasterServersFromSetting(std::string()).empty());
  EXPECT_EQ(MasterServersFromSetting(std::string("127.0.0.1:28950")), (Masters{{"127.0.0.1", 28950}}));
}

TEST(ListedServers, OnlyAddressesThatMayBeQueried) {
  struct Case {
    uint32_t address;
    uint16_t port;
    bool fromLoopbackMaster, fromPrivateMaster, fromPublicMaster;
  } cases[] = {
      {0x01020304, 12300, true, true, true},     {0x7F000001, 12300, true, false, false},
      {0x7FFFFFFE, 1, true, false, false},       {0x00000000, 12300, false, false, false},
      {0x00FFFFFF, 12300, false, false, false},  {0x01020304, 0, false, false, false},
      {0xDFFFFFFF, 12300, true, true, true},     {0xE0000001, 12300, false, false, false},
      {0xEFFFFFFF, 12300, false, false, false},  {0xF0000000, 12300, false, false, false},
      {0xFFFFFFFF, 12300, false, false, false},  {0x0A000001, 65535, true, true, false},
      {0xAC100000, 12300, true, true, false},    {0xAC1FFFFF, 12300, true, true, false},
      {0xAC0FFFFF, 12300, true, true, true},     {0xAC200000, 12300, true, true, true},
      {0xC0A80101, 12300, true, true, false},    {0xA9FE0001, 12300, true, true, false},
      {0x64400000, 12300, true, true, false},    {0x647FFFFF, 12300, true, true, false},
      {0x64800000, 12300, true, true, true},     {0xC0A70101, 12300, true, true, true},
  };
  for (const Case& c : cases) {
    const ListedServer server{c.address, c.port};
    EXPECT_EQ(MayQueryListedServer(server, AddressScope::Loopback), c.fromLoopbackMaster) << std::hex << c.address;
    EXPECT_EQ(MayQueryListedServer(server, AddressScope::Private), c.fromPrivateMaster) << std::hex << c.address;
    EXPECT_EQ(MayQueryListedServer(server, AddressScope::Public), c.fromPublicMaster) << std::hex << c.address;
  }
}

TEST(ListedServers, MergedListsHoldEachAddressAndQueryPortOnceTakenFromTheListsInTurn) {
  const ListedServer a{0x7F000002, 12300}, b{0x7F000002, 12301}, c{0x7F000003, 12300}, multicast{0xE0000001, 1};
  const std::vector<MasterList> lists = {
      {AddressScope::Loopback, {a, b, a, multicast}},
      {AddressScope::Public, {c, b}},  // loopback from a master elsewhere is dropped
      {AddressScope::Loopback, {c, b, a}},
  };
  EXPECT_EQ(MergeMasterLists(lists), (std::vector<ListedServer>{a, c, b}));

  MasterList big{AddressScope::Public, {}};
  for (uint32_t i = 0; i < 20000; ++i) big.servers.push_back({0x0B000000 + i, 12300});
  const std::vector<ListedServer> merged = MergeMasterLists({big, big});
  ASSERT_EQ(merged.size(), kMaxListedServers);
  EXPECT_EQ(merged.back().address, 0x0B000000 + kMaxListedServers - 1);
}

TEST(ListedServers, NoMasterCrowdsOutTheOthersNorAimsTheListAtOneHost) {
  const std::vector<ListedServer> real = {{0x01020304, 12300}, {0x01020304, 12301}, {0x05060708, 12300}, {0x7F000001, 1}};
  MasterList huge{AddressScope::Public, {}}, onePorts{AddressScope::Public, {}}, ownMachine{AddressScope::Loopback, {}};
  for (uint32_t i = 0; i < 100000; ++i) huge.servers.push_back({0x0B000000 + i, 12300});
  for (uint16_t port = 1; port <= kMaxListedServers; ++port) {
    onePorts.servers.push_back({0x08080808, port});
    ownMachine.servers.push_back({0x7F000001, port});
  }
  struct Case {
    const char* what;
    std::vector<MasterList> lists;
    size_t size;
    std::vector<ListedServer> kept;
    uint32_t host;
    ptrdiff_t fromTheHost;
  } cases[] = {
      {"100,000 servers before a real master", {huge, {AddressScope::Loopback, real}}, kMaxListedServers, real,
       0x0B000000, 1},
      {"one host with 16,384 ports before a real master", {onePorts, {AddressScope::Loopback, real}},
       kMaxQueryPortsPerAddress + real.size(), real, 0x08080808, kMaxQueryPortsPerAddress},
      {"the player's own machine with 16,384 ports", {ownMachine}, kMaxListedServers, {}, 0x7F000001,
       kMaxListedServers},
  };
  for (const Case& c : cases) {
    const std::vector<ListedServer> merged = MergeMasterLists(c.lists);
    EXPECT_EQ(merged.size(), c.size) << c.what;
    for (const ListedServer& server : c.kept) {
      EXPECT_EQ(std::count(merged.begin(), merged.end(), server), 1) << c.what << ": " << std::hex << server.address;
    }
    EXPECT_EQ(std::count_if(merged.begin(), merged.end(), [&](const ListedServer& s) { return s.address == c.host; }),
              c.fromTheHost)
        << c.what;
  }
}
