// Against the real master server, run by tests/master_interop.sh in a private
// network namespace beside game-server stand-ins that heartbeat to it: our
// list exchange gets exactly the stand-ins of each game from it, and each
// stand-in's query reply, as our code joins and reads it, agrees with what
// Debian's quakestat reads from the same query port.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/core/text.h"
#include "launcher/core/master_exchange.h"
#include "launcher/core/master_servers.h"
#include "launcher/core/query_reply.h"
#include "tools/game_server/query_reply.h"

namespace {

constexpr uint32_t kLoopback = 0x7F000001;
using Clock = std::chrono::steady_clock;

// A group of stand-ins of one game_server run: "gamePort:queryPort:count:silent:reversed"
// (the last "silent" of them never answer; "reversed" sends parts last first).
struct StandIns {
  int gamePort = 0, queryPort = 0, count = 0, silent = 0;
  bool reversed = false;
};

struct Peers {
  int listPort = 0;
  std::vector<StandIns> groups;
};

Peers ReadPeers() {
  Peers peers;
  const char* list = std::getenv("KESTRUN_MASTER_LIST_PORT");
  const char* groups = std::getenv("KESTRUN_STANDINS");
  if (list == nullptr || groups == nullptr) return peers;
  peers.listPort = std::atoi(list);
  for (const std::string& group : SplitKeepEmpty(groups, ' ')) {
    const std::vector<std::string> f = SplitKeepEmpty(group, ':');
    if (f.size() != 5) continue;
    peers.groups.push_back({std::atoi(f[0].c_str()), std::atoi(f[1].c_str()), std::atoi(f[2].c_str()),
                            std::atoi(f[3].c_str()), f[4] == "1"});
  }
  return peers;
}

sockaddr_in LoopbackAddress(int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(kLoopback);
  a.sin_port = htons(static_cast<uint16_t>(port));
  return a;
}

// One list exchange over a plain blocking socket, 5 s at most.
MasterExchange AskMaster(int listPort, const GameSpyGame& game) {
  MasterExchange exchange(game);
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  const sockaddr_in master = LoopbackAddress(listPort);
  if (connect(s, reinterpret_cast<const sockaddr*>(&master), sizeof master) != 0) {
    close(s);
    exchange.Closed();
    return exchange;
  }
  const Clock::time_point until = Clock::now() + std::chrono::seconds(5);
  char buffer[4096];
  const auto nowMs = [] {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
  };
  while (!exchange.Done() && Clock::now() < until) {
    pollfd p{s, POLLIN, 0};
    std::string request;
    if (poll(&p, 1, 10) > 0) {
      const ssize_t got = recv(s, buffer, sizeof buffer, 0);
      if (got <= 0) {
        exchange.Closed();
        break;
      }
      request = exchange.Take(std::string_view(buffer, static_cast<size_t>(got)), nowMs());
    } else {
      request = exchange.Tick(nowMs());
    }
    if (!request.empty()) {
      EXPECT_EQ(send(s, request.data(), request.size(), 0), static_cast<ssize_t>(request.size()));
    }
  }
  close(s);
  return exchange;
}

std::vector<ListedServer> Sorted(std::vector<ListedServer> servers) {
  std::sort(servers.begin(), servers.end(), [](const ListedServer& a, const ListedServer& b) {
    return a.address != b.address ? a.address < b.address : a.queryPort < b.queryPort;
  });
  return servers;
}

// Sends "\status\" and joins what comes back from that address and port
// within a second.
QueryReplyJoiner QueryStatus(int queryPort) {
  QueryReplyJoiner joiner;
  const int s = socket(AF_INET, SOCK_DGRAM, 0);
  const sockaddr_in server = LoopbackAddress(queryPort);
  sendto(s, kQueryRequest.data(), kQueryRequest.size(), 0, reinterpret_cast<const sockaddr*>(&server),
         sizeof server);
  const Clock::time_point until = Clock::now() + std::chrono::seconds(1);
  char buffer[65536];
  while (!joiner.Complete() && Clock::now() < until) {
    pollfd p{s, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    sockaddr_in from{};
    socklen_t size = sizeof from;
    const ssize_t got = recvfrom(s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
    if (got < 0 || from.sin_addr.s_addr != server.sin_addr.s_addr || from.sin_port != server.sin_port) continue;
    joiner.Take(std::string_view(buffer, static_cast<size_t>(got)));
  }
  close(s);
  return joiner;
}

struct QuakestatServer {
  bool answered = false;
  std::string name, map;
  int maxPlayers = -1, numPlayers = -1;
  std::vector<std::string> players;  // "name;frags;ping"
};

// quakestat -raw ";" -P: "MAS;address;name;map;max;players;ping;retries"
// (or "MAS;address;TIMEOUT"), then one line per player "name;frags;ping;...".
QuakestatServer RunQuakestat(int queryPort) {
  QuakestatServer q;
  const std::string command = "quakestat -P -raw ';' -mas 127.0.0.1:" + std::to_string(queryPort) + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return q;
  std::string out;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  std::vector<std::string> lines = SplitKeepEmpty(out, '\n');
  if (lines.empty()) return q;
  const std::vector<std::string> head = SplitKeepEmpty(lines[0], ';');
  if (head.size() < 8 || head[0] != "MAS") return q;
  q.answered = true;
  q.name = head[2];
  q.map = head[3];
  q.maxPlayers = std::atoi(head[4].c_str());
  q.numPlayers = std::atoi(head[5].c_str());
  for (size_t i = 1; i < lines.size() && !lines[i].empty(); ++i) {
    const std::vector<std::string> f = SplitKeepEmpty(lines[i], ';');
    if (f.size() >= 3) q.players.push_back(f[0] + ";" + f[1] + ";" + f[2]);
  }
  std::sort(q.players.begin(), q.players.end());
  return q;
}

std::string PlayerText(const std::string& name, int frags, int ping) {
  return name + ";" + std::to_string(frags) + ";" + std::to_string(ping);
}

class MasterInterop : public testing::Test {
 protected:
  void SetUp() override {
    peers_ = ReadPeers();
    if (peers_.listPort == 0 || peers_.groups.empty()) GTEST_SKIP() << "run by tests/master_interop.sh beside the master";
  }
  Peers peers_;
};

}  // namespace

TEST_F(MasterInterop, ListsExactlyTheStandInsOfEachGame) {
  for (size_t g = 0; g < std::size(kGameSpyGames); ++g) {
    const GameSpyGame& game = kGameSpyGames[g];
    std::vector<ListedServer> expected;
    for (const StandIns& group : peers_.groups) {
      for (int i = static_cast<int>(g); i < group.count; i += 3) {
        expected.push_back({kLoopback, static_cast<uint16_t>(group.queryPort + i)});
      }
    }
    expected = Sorted(expected);
    // The master lists a server once it has answered the challenge of its
    // first heartbeat; give the stand-ins a few seconds for that.
    std::vector<ListedServer> listed;
    MasterOutcome outcome = MasterOutcome::Pending;
    const Clock::time_point until = Clock::now() + std::chrono::seconds(20);
    do {
      const MasterExchange exchange = AskMaster(peers_.listPort, game);
      outcome = exchange.Outcome();
      listed = Sorted(MergeMasterLists({{AddressScope::Loopback, exchange.Servers()}}));
      if (listed == expected) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
    } while (Clock::now() < until);
    EXPECT_EQ(outcome, MasterOutcome::List) << game.gameName;
    EXPECT_EQ(listed, expected) << game.gameName;
  }
}

// quakestat drops the players of a reply whose parts come last first, so
// for those the players are held against what the stand-in serves.
TEST_F(MasterInterop, QueryRepliesAgreeWithQuakestat) {
  for (const StandIns& group : peers_.groups) {
    for (int i = 0; i < group.count; ++i) {
      const int queryPort = group.queryPort + i;
      const bool silent = i >= group.count - group.silent;
      const QueryReplyJoiner joiner = QueryStatus(queryPort);
      const QuakestatServer q = RunQuakestat(queryPort);
      EXPECT_EQ(joiner.Complete(), !silent) << queryPort;
      EXPECT_EQ(q.answered, !silent) << queryPort;
      if (silent || !joiner.Complete() || !q.answered) continue;
      const QueryReplyServer s = ParseQueryReply(joiner.Joined());
      EXPECT_EQ(s.hostName, q.name) << queryPort;
      EXPECT_EQ(s.mapName, q.map) << queryPort;
      EXPECT_EQ(s.maxPlayers, q.maxPlayers) << queryPort;
      EXPECT_EQ(s.numPlayers, q.numPlayers) << queryPort;
      EXPECT_EQ(s.hostPort, group.gamePort + i) << queryPort;
      std::vector<std::string> players, served;
      for (const QueryReplyPlayer& p : s.players) players.push_back(PlayerText(p.name, p.frags, p.ping));
      const StandInServer standIn = MakeStandInServer(i, group.gamePort + i, kGameSpyGames[i % 3]);
      for (const StandInPlayer& p : standIn.players) served.push_back(PlayerText(p.name, p.frags, p.ping));
      std::sort(players.begin(), players.end());
      std::sort(served.begin(), served.end());
      EXPECT_EQ(players, served) << queryPort;
      if (!group.reversed) {
        EXPECT_EQ(players, q.players) << queryPort;
      }
      EXPECT_EQ(s.players.size(), static_cast<size_t>(s.numPlayers)) << queryPort;
    }
  }
}
