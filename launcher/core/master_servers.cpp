#include "launcher/core/master_servers.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "common/core/text.h"
#include "launcher/core/server_status.h"

namespace {

constexpr const char* kCommunityMasters[] = {
    "master.333networks.com", "master.frag-net.com", "master.errorist.eu", "master-au.unrealarchive.org",
    "master.noccer.de",
};

// A host name's characters (letters, digits, "-", "_", ".") between dots,
// which also covers dotted addresses.
bool IsHostName(std::string_view host) {
  if (host.empty() || host.size() > 253 || host.front() == '.' || host.back() == '.') return false;
  for (size_t i = 0; i < host.size(); ++i) {
    const char c = host[i];
    const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!letterOrDigit && c != '-' && c != '_' && c != '.') return false;
    if (c == '.' && host[i + 1] == '.') return false;
  }
  return true;
}

bool ParseMasterEntry(std::string_view entry, MasterAddress& master) {
  const size_t colon = entry.find(':');
  const std::string_view host = entry.substr(0, colon);
  if (!IsHostName(host)) return false;
  master.host = std::string(host);
  master.port = kDefaultMasterPort;
  return colon == std::string_view::npos || ParsePort(entry.substr(colon + 1), master.port);
}

}  // namespace

std::vector<MasterAddress> DefaultMasterServers() {
  std::vector<MasterAddress> masters;
  for (const char* host : kCommunityMasters) masters.push_back({host, kDefaultMasterPort});
  return masters;
}

std::vector<MasterAddress> ParseMasterServers(std::string_view value) {
  std::vector<MasterAddress> masters;
  size_t at = 0;
  while (at < value.size() && masters.size() < kMaxMasters) {
    const size_t end = std::min(value.find_first_of(" \t\r\n,", at), value.size());
    const std::string_view entry = value.substr(at, end - at);
    at = end + 1;
    MasterAddress master;
    if (entry.empty() || !ParseMasterEntry(entry, master)) continue;
    const auto same = [&](const MasterAddress& m) { return LowerCase(m.host) == LowerCase(master.host) && m.port == master.port; };
    if (std::none_of(masters.begin(), masters.end(), same)) masters.push_back(std::move(master));
  }
  return masters;
}

std::vector<MasterAddress> MasterServersFromSetting(const std::optional<std::string>& value) {
  return value ? ParseMasterServers(*value) : DefaultMasterServers();
}

AddressScope ScopeOf(uint32_t address) {
  const uint32_t first = address >> 24;
  const uint32_t second = (address >> 16) & 0xFF;
  if (first == 127) return AddressScope::Loopback;
  if (first == 0 || first >= 224) return AddressScope::Unusable;
  const bool isPrivate = first == 10 || (first == 172 && (second & 0xF0) == 16) || (first == 192 && second == 168) ||
                         (first == 169 && second == 254) || (first == 100 && (second & 0xC0) == 64);
  return isPrivate ? AddressScope::Private : AddressScope::Public;
}

bool MayQueryListedServer(const ListedServer& server, AddressScope masterScope) {
  if (server.queryPort == 0) return false;
  switch (ScopeOf(server.address)) {
    case AddressScope::Public:
      return true;
    case AddressScope::Private:
      return masterScope == AddressScope::Private || masterScope == AddressScope::Loopback;
    case AddressScope::Loopback:
      return masterScope == AddressScope::Loopback;
    case AddressScope::Unusable:
      break;
  }
  return false;
}

namespace {

// Builds the merged list one entry at a time, dropping what may not be queried.
class ListMerge {
 public:
  bool Full() const { return merged_.size() == kMaxListedServers; }

  void Add(const ListedServer& server, AddressScope masterScope) {
    if (!MayQueryListedServer(server, masterScope)) return;
    if (!seen_.insert(uint64_t{server.address} << 16 | server.queryPort).second) return;
    if (ScopeOf(server.address) != AddressScope::Loopback && ++portsOf_[server.address] > kMaxQueryPortsPerAddress) {
      return;
    }
    merged_.push_back(server);
  }

  std::vector<ListedServer> Take() { return std::move(merged_); }

 private:
  std::vector<ListedServer> merged_;
  std::unordered_set<uint64_t> seen_;
  std::unordered_map<uint32_t, size_t> portsOf_;
};

}  // namespace

// The first entry of each list, then the second of each, and so on.
std::vector<ListedServer> MergeMasterLists(const std::vector<MasterList>& lists) {
  size_t longest = 0;
  for (const MasterList& list : lists) longest = std::max(longest, list.servers.size());
  ListMerge merge;
  for (size_t at = 0; at < longest && !merge.Full(); ++at) {
    for (size_t i = 0; i < lists.size() && !merge.Full(); ++i) {
      if (at < lists[i].servers.size()) merge.Add(lists[i].servers[at], lists[i].masterScope);
    }
  }
  return merge.Take();
}
