#include "tests/master_test_util.h"

#include <algorithm>
#include <cstdlib>

#include "common/core/text.h"

const std::string kMasterGreeting = "\\basic\\\\secure\\ABCDEF";

std::string Records(uint32_t first, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    const uint32_t a = first + static_cast<uint32_t>(i);
    const char record[6] = {static_cast<char>(a >> 24), static_cast<char>(a >> 16), static_cast<char>(a >> 8),
                            static_cast<char>(a), 0x30, 0x0C};
    out.append(record, 6);
  }
  return out;
}

void SendWhilePumping(SOCKET s, const std::string& bytes) {
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  size_t at = 0;
  PumpUntil(
      [&] {
        while (at < bytes.size()) {
          const int sent = send(s, bytes.data() + at, static_cast<int>(std::min<size_t>(bytes.size() - at, 65536)), 0);
          if (sent <= 0) return WSAGetLastError() != WSAEWOULDBLOCK;
          at += static_cast<size_t>(sent);
        }
        return true;
      },
      10000);
}

std::vector<ListedServer> Sorted(std::vector<ListedServer> servers) {
  std::sort(servers.begin(), servers.end(), [](const ListedServer& a, const ListedServer& b) {
    return a.address != b.address ? a.address < b.address : a.queryPort < b.queryPort;
  });
  return servers;
}

bool ExpectedStandIns(size_t game, int& listPort, std::vector<ListedServer>& servers) {
  const char* port = std::getenv("KESTRUN_MASTER_LIST_PORT");
  const char* groups = std::getenv("KESTRUN_STANDINS");
  if (port == nullptr || groups == nullptr) return false;
  listPort = std::atoi(port);
  servers.clear();
  // The stand-ins of a group take the three games in turn.
  for (const std::string& group : SplitKeepEmpty(groups, ' ')) {
    const std::vector<std::string> f = SplitKeepEmpty(group, ':');  // gamePort:queryPort:count:silent:reversed
    if (f.size() != 5) continue;
    for (int i = static_cast<int>(game); i < std::atoi(f[2].c_str()); i += 3) {
      servers.push_back({0x7F000001, static_cast<uint16_t>(std::atoi(f[1].c_str()) + i)});
    }
  }
  servers = Sorted(servers);
  return true;
}

PlayedMaster::PlayedMaster(MasterPlay play) : play_(std::move(play)) {
  thread_ = std::thread([this] { Play(); });
}

PlayedMaster::~PlayedMaster() {
  stop_ = true;
  thread_.join();
}

// Waits in short steps so that the end of the test stops the play.
bool PlayedMaster::WaitReadable(SOCKET s) {
  while (!stop_) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval step{0, 50000};
    if (select(0, &readable, nullptr, nullptr, &step) != 0) return true;
  }
  return false;
}

void PlayedMaster::Play() {
  do {
    if (!WaitReadable(server_.listener)) return;
    server_.client = accept(server_.listener, nullptr, nullptr);
    ++connections_;
    if (!play_.greeting.empty()) server_.Send(play_.greeting);
    const size_t expected = MasterListRequest(kGameSpyGames[0], "ABCDEF").size();
    std::string got;
    char buffer[4096];
    while (play_.readsRequest && got.size() < expected && WaitReadable(server_.client)) {
      const int n = recv(server_.client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      got.append(buffer, static_cast<size_t>(n));
    }
    for (size_t at = 0; at < play_.answer.size() && !stop_;) {
      const int sent = send(server_.client, play_.answer.data() + at,
                            static_cast<int>(std::min<size_t>(play_.answer.size() - at, 65536)), 0);
      if (sent <= 0) break;
      at += static_cast<size_t>(sent);
    }
    // Until the client closes: a master that never sends holds the connection.
    while (!play_.closes && WaitReadable(server_.client) && recv(server_.client, buffer, sizeof buffer, 0) > 0) {
    }
    server_.CloseClient();
  } while (play_.servesAgain);
}
