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

// Whether a listed server may be sent a query: no "this network" (0/8), no
// loopback (127/8) unless the master itself is on loopback, no multicast
// (224/4), no reserved or broadcast address (240/4), no port 0.
bool MayQueryListedServer(const ListedServer& server, bool masterOnLoopback);

struct MasterList {
  bool masterOnLoopback = false;
  std::vector<ListedServer> servers;
};

// The servers of several masters' lists that may be queried, each address and
// query port once, in the order first listed, at most kMaxListedServers.
std::vector<ListedServer> MergeMasterLists(const std::vector<MasterList>& lists);
