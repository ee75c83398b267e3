#include "common/win/host_lookup.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

struct Lookup {
  uintptr_t id = 0;
  HANDLE handle = nullptr;
  std::string host;  // handed over too: it must last as long as the buffer
  char entry[MAXGETHOSTSTRUCT] = {};
};

struct Keeper {
  uintptr_t lastId = 0;
  std::vector<std::unique_ptr<Lookup>> lookups;
};

// Never destroyed: at the program's end Windows may still be writing into its buffers.
Keeper& TheKeeper() {
  static Keeper* keeper = new Keeper;
  return *keeper;
}

uint32_t AddressIn(const char* entry, int error) {
  if (error != 0) return 0;
  const auto* host = reinterpret_cast<const hostent*>(entry);
  if (host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list || !host->h_addr_list[0]) return 0;
  uint32_t address = 0;
  std::memcpy(&address, host->h_addr_list[0], sizeof address);
  return ntohl(address);
}

}  // namespace

namespace host_lookup {

uintptr_t Start(const std::string& host, HWND window, UINT doneMessage) {
  Keeper& keeper = TheKeeper();
  auto lookup = std::make_unique<Lookup>();
  lookup->id = ++keeper.lastId;
  lookup->host = host;
  lookup->handle =
      WSAAsyncGetHostByName(window, doneMessage, lookup->host.c_str(), lookup->entry, sizeof lookup->entry);
  if (!lookup->handle) return 0;
  const uintptr_t id = lookup->id;
  keeper.lookups.push_back(std::move(lookup));
  return id;
}

Answer Finish(WPARAM wParam, LPARAM lParam) {
  auto& lookups = TheKeeper().lookups;
  const auto handle = reinterpret_cast<HANDLE>(wParam);
  for (auto it = lookups.begin(); it != lookups.end(); ++it) {
    if ((*it)->handle != handle) continue;
    const std::unique_ptr<Lookup> done = std::move(*it);
    lookups.erase(it);
    return {done->id, AddressIn(done->entry, WSAGETASYNCERROR(lParam))};
  }
  return {};
}

size_t Held() { return TheKeeper().lookups.size(); }

}  // namespace host_lookup
