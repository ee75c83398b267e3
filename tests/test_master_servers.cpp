#include <gtest/gtest.h>

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
    bool fromLoopbackMaster, fromOtherMaster;
  } cases[] = {
      {0x01020304, 12300, true, true},    {0x7F000001, 12300, true, false},  {0x7FFFFFFE, 1, true, false},
      {0x00000000, 12300, false, false},  {0x00FFFFFF, 12300, false, false}, {0x01020304, 0, false, false},
      {0xDFFFFFFF, 12300, true, true},    {0xE0000001, 12300, false, false}, {0xEFFFFFFF, 12300, false, false},
      {0xF0000000, 12300, false, false},  {0xFFFFFFFF, 12300, false, false}, {0x0A000001, 65535, true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MayQueryListedServer({c.address, c.port}, true), c.fromLoopbackMaster) << std::hex << c.address;
    EXPECT_EQ(MayQueryListedServer({c.address, c.port}, false), c.fromOtherMaster) << std::hex << c.address;
  }
}

TEST(ListedServers, MergedListsHoldEachAddressAndQueryPortOnceInTheOrderFirstListed) {
  const ListedServer a{0x7F000002, 12300}, b{0x7F000002, 12301}, c{0x7F000003, 12300}, multicast{0xE0000001, 1};
  const std::vector<MasterList> lists = {
      {true, {a, b, a, multicast}},
      {false, {c, b}},  // loopback from a master elsewhere is dropped
      {true, {c, b, a}},
  };
  EXPECT_EQ(MergeMasterLists(lists), (std::vector<ListedServer>{a, b, c}));

  MasterList big{false, {}};
  for (uint32_t i = 0; i < 20000; ++i) big.servers.push_back({0x0A000000 + i, 12300});
  const std::vector<ListedServer> merged = MergeMasterLists({big, big});
  ASSERT_EQ(merged.size(), kMaxListedServers);
  EXPECT_EQ(merged.back().address, 0x0A000000 + kMaxListedServers - 1);
}
