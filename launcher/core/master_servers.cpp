#include "launcher/core/master_servers.h"

#include <algorithm>
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

bool MayQueryListedServer(const ListedServer& server, bool masterOnLoopback) {
  const uint32_t first = server.address >> 24;
  if (server.queryPort == 0 || first == 0 || first >= 224) return false;
  return first != 127 || masterOnLoopback;
}

std::vector<ListedServer> MergeMasterLists(const std::vector<MasterList>& lists) {
  std::vector<ListedServer> merged;
  std::unordered_set<uint64_t> seen;
  for (const MasterList& list : lists) {
    for (const ListedServer& server : list.servers) {
      if (merged.size() == kMaxListedServers) return merged;
      if (!MayQueryListedServer(server, list.masterOnLoopback)) continue;
      if (seen.insert(uint64_t{server.address} << 16 | server.queryPort).second) merged.push_back(server);
    }
  }
  return merged;
}
