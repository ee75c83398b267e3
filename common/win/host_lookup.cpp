#include "common/win/host_lookup.h"

#include <cstring>
#include <memory>
#include <vector>

#include "common/win/window_class.h"

namespace {

constexpr const char* kKeeperClass = "KestrunHostLookups";
constexpr UINT kDoneMessage = WM_APP + 1;

struct Lookup {
  uintptr_t id = 0;
  HANDLE handle = nullptr;
  HWND window = nullptr;  // none once dropped
  UINT message = 0;
  std::string host;  // handed over too: it must last as long as the buffer
  char entry[MAXGETHOSTSTRUCT] = {};
};

struct Keeper {
  HWND window = nullptr;
  uintptr_t lastId = 0;
  std::vector<std::unique_ptr<Lookup>> lookups;
};

// Never destroyed: at the program's end Windows may still be writing into its buffers.
Keeper& TheKeeper() {
  static Keeper* keeper = [] {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);  // held to the program's end, like the buffers
    return new Keeper;
  }();
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

void OnLookupDone(HANDLE handle, int error) {
  auto& lookups = TheKeeper().lookups;
  for (auto it = lookups.begin(); it != lookups.end(); ++it) {
    if ((*it)->handle != handle) continue;
    const std::unique_ptr<Lookup> done = std::move(*it);
    lookups.erase(it);
    if (done->window) {
      PostMessageA(done->window, done->message, done->id, static_cast<LPARAM>(AddressIn(done->entry, error)));
    }
    return;
  }
}

LRESULT CALLBACK KeeperProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kDoneMessage) {
    OnLookupDone(reinterpret_cast<HANDLE>(wParam), WSAGETASYNCERROR(lParam));
    return 0;
  }
  // Should the window ever go, the buffers still out are kept for good.
  if (msg == WM_NCDESTROY) TheKeeper().window = nullptr;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

namespace host_lookup {

uintptr_t Start(const std::string& host, HWND window, UINT message) {
  Keeper& keeper = TheKeeper();
  if (!keeper.window) {
    RegisterWindowClass(kKeeperClass, KeeperProc);
    keeper.window =
        CreateWindowExA(0, kKeeperClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!keeper.window) return 0;
  }
  auto lookup = std::make_unique<Lookup>();
  lookup->id = ++keeper.lastId;
  lookup->window = window;
  lookup->message = message;
  lookup->host = host;
  lookup->handle = WSAAsyncGetHostByName(keeper.window, kDoneMessage, lookup->host.c_str(), lookup->entry,
                                         sizeof lookup->entry);
  if (!lookup->handle) return 0;
  const uintptr_t id = lookup->id;
  keeper.lookups.push_back(std::move(lookup));
  return id;
}

void Drop(uintptr_t id) {
  for (const auto& lookup : TheKeeper().lookups) {
    if (lookup->id == id) lookup->window = nullptr;
  }
}

size_t Held() { return TheKeeper().lookups.size(); }

}  // namespace host_lookup
