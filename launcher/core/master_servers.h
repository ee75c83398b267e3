#pragma once
// Which masters to ask (the "Master Servers" value) and which of the servers
// they list may be queried. Platform-free: addresses are IPv4 in host byte
// order.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/core/master_exchange.h"

constexpr int kDefaultMasterPort = 28900;
// A value naming hundreds of masters would open as many connections at once.
constexpr size_t kMaxMasters = 16;

struct MasterAddress {
  std::string host;
  int port = kDefaultMasterPort;
  bool operator==(const MasterAddress&) const = default;
};

// The community masters asked when "Master Servers" is missing.
std::vector<MasterAddress> DefaultMasterServers();

// "host[:port]" entries separated by blanks, tabs, line ends or commas. An
// entry with a port that is no number from 1 to 65535, or a host that is no
// name or dotted address, is skipped, as is a repeat of an earlier entry.
std::vector<MasterAddress> ParseMasterServers(std::string_view value);

// The value as read from the registry: missing means the defaults, present
// (even empty) means what it says.
std::vector<MasterAddress> MasterServersFromSetting(const std::optional<std::string>& value);

// Where an address lies, as far as which servers its master may list goes.
enum class AddressScope {
  Public,
  Private,   // 10/8, 172.16/12, 192.168/16, link-local 169.254/16, shared 100.64/10
  Loopback,  // 127/8
  Unusable,  // "this network" 0/8, multicast 224/4, reserved and broadcast 240/4
};

AddressScope ScopeOf(uint32_t address);

// Whether a listed server may be sent a query: never an unusable address or
// port 0; a private address only from a master on loopback or on a private
// network; a loopback address only from a master on loopback.
bool MayQueryListedServer(const ListedServer& server, AddressScope masterScope);

// Hosts run several servers on one address; more query ports than this on one
// address are a flood aimed at that host. The player's own machine is exempt.
constexpr size_t kMaxQueryPortsPerAddress = 64;

struct MasterList {
  AddressScope masterScope = AddressScope::Public;
  std::vector<ListedServer> servers;
};

// The servers of several masters' lists that may be queried, taken from the
// lists in turn so that a long list cannot crowd out the others: each address
// and query port once, at most kMaxQueryPortsPerAddress per address, at most
// kMaxListedServers in all.
std::vector<ListedServer> MergeMasterLists(const std::vector<MasterList>& lists);
