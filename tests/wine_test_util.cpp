#include "tests/wine_test_util.h"

#include <ws2tcpip.h>

#include "common/win/registry.h"
#include "common/win/wait.h"

namespace {

struct WinsockUp {
  WinsockUp() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
} winsockUp;

bool Readable(SOCKET s, int timeoutMs) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  return select(0, &set, nullptr, nullptr, &tv) == 1;
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (static_cast<int>(GetTickCount() - start) > timeoutMs) return done();
    PumpPendingEvents();
    MsgWaitForMultipleObjectsEx(0, nullptr, 5, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  return true;
}

std::string TestNamesMissing() {
  char value[512] = {};
  const DWORD length = GetEnvironmentVariableA("KESTRUN_TEST_NAMES", value, sizeof value);
  if (length == 0 || length >= sizeof value) return "not run through the build's wine-run: names are not looked up";
  return std::string(value) == "ready" ? "" : value;
}

std::string BuiltOverlay() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  folder.resize(folder.find_last_of('\\'));
  return folder + "\\..\\overlay\\corvel2.exe";
}

bool TakeQuit() {
  PumpPendingEvents();
  MSG msg;
  return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

void PumpFor(int ms) { PumpUntil([] { return false; }, ms); }

void StoreOverlaySettings(const std::string& ip, const std::string& port, int showAllValue,
                          const std::string& mapList) {
  using namespace registry;
  MakeKey(HKEY_CURRENT_USER, kSettingsKey);
  StoreKeyValue(HKEY_CURRENT_USER, kSettingsKey, "Mini IP", ip, kText);
  StoreKeyValue(HKEY_CURRENT_USER, kSettingsKey, "Mini Port", port, kText);
  StoreKeyValue(HKEY_CURRENT_USER, kSettingsKey, "Mini ShowAll", int32_t{showAllValue}, kNumber);
  StoreKeyValue(HKEY_CURRENT_USER, kSettingsKey, "Mini MapList", mapList, kText);
}

void DeleteSetting(const std::string& name) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, registry::kSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, name.c_str());
  RegCloseKey(key);
}

TestServer::TestServer() {
  listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
  listen(listener, 4);
  int size = sizeof a;
  getsockname(listener, reinterpret_cast<sockaddr*>(&a), &size);
  port = ntohs(a.sin_port);
}

TestServer::~TestServer() {
  CloseClient();
  if (listener != INVALID_SOCKET) closesocket(listener);
}

int TestServer::AcceptWhilePumping(int timeoutMs) {
  if (!PumpUntil([&] { return Readable(listener, 0); }, timeoutMs)) return 0;
  sockaddr_in peer{};
  int size = sizeof peer;
  client = accept(listener, reinterpret_cast<sockaddr*>(&peer), &size);
  return client == INVALID_SOCKET ? 0 : ntohs(peer.sin_port);
}

void TestServer::Send(const std::string& bytes) { send(client, bytes.data(), static_cast<int>(bytes.size()), 0); }

std::string TestServer::ReceiveWhilePumping(size_t expected, int timeoutMs) {
  std::string got;
  PumpUntil(
      [&] {
        while (Readable(client, 0)) {
          char buf[4096];
          int n = recv(client, buf, sizeof buf, 0);
          if (n <= 0) return true;
          got.append(buf, static_cast<size_t>(n));
        }
        return got.size() >= expected;
      },
      timeoutMs);
  return got;
}

void TestServer::CloseClient() {
  if (client != INVALID_SOCKET) closesocket(client);
  client = INVALID_SOCKET;
}

SOCKET ConnectFromWhilePumping(const char* localAddress, int port, int timeoutMs) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  inet_pton(AF_INET, localAddress, &local.sin_addr);
  bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local);
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(static_cast<u_short>(port));
  remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  connect(s, reinterpret_cast<sockaddr*>(&remote), sizeof remote);
  bool connected = PumpUntil(
      [&] {
        fd_set w;
        FD_ZERO(&w);
        FD_SET(s, &w);
        timeval tv{0, 0};
        return select(0, nullptr, &w, nullptr, &tv) == 1;
      },
      timeoutMs);
  nonBlocking = 0;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  if (!connected) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  return s;
}

bool PeerClosed(SOCKET s, int timeoutMs) {
  bool closed = false;
  PumpUntil(
      [&] {
        if (!Readable(s, 0)) return false;
        char c;
        closed = recv(s, &c, 1, 0) <= 0;
        return true;
      },
      timeoutMs);
  return closed;
}
