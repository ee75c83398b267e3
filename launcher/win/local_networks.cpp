#include "launcher/win/local_networks.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

std::vector<Subnet> LocalNetworks() {
  ULONG size = 0;
  std::vector<char> table;
  // The table may grow between the two calls.
  for (int attempt = 0; attempt < 3; ++attempt) {
    table.resize(size);
    const DWORD got = GetIpAddrTable(reinterpret_cast<MIB_IPADDRTABLE*>(table.data()), &size, FALSE);
    if (got == NO_ERROR) break;
    if (got != ERROR_INSUFFICIENT_BUFFER) return {};
  }
  if (table.size() < sizeof(MIB_IPADDRTABLE)) return {};
  const auto& rows = *reinterpret_cast<const MIB_IPADDRTABLE*>(table.data());
  std::vector<InterfaceAddress> interfaces;
  for (DWORD i = 0; i < rows.dwNumEntries; ++i) {
    const MIB_IPADDRROW& row = rows.table[i];
    MIB_IFROW link{};
    link.dwIndex = row.dwIndex;
    if (GetIfEntry(&link) != NO_ERROR) continue;
    interfaces.push_back({{ntohl(row.dwAddr), ntohl(row.dwMask)},
                          link.dwOperStatus >= IF_OPER_STATUS_CONNECTED,
                          link.dwType == IF_TYPE_SOFTWARE_LOOPBACK});
  }
  return BroadcastNetworks(interfaces);
}
