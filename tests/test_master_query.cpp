// One master's list over real loopback sockets under Wine: hostile masters
// played by the test itself, and, when tests/master_interop.sh runs this
// beside the real master and its stand-ins, that master.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/core/text.h"
#include "launcher/win/master_query.h"
#include "tests/wine_test_util.h"

namespace {

const GameSpyGame& kMohaa = kGameSpyGames[0];
const std::string kGreeting = "\\basic\\\\secure\\ABCDEF";

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

// Sends everything, a piece at a time as the socket takes it, keeping the
// query's events flowing; stops when the peer has gone.
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

MasterResult WaitForResult(MasterQuery& query) {
  PumpUntil([&] { return query.Result() != MasterResult::Pending; }, MasterQuery::kTimeLimitMs + 3000);
  return query.Result();
}

std::vector<ListedServer> Sorted(std::vector<ListedServer> servers) {
  std::sort(servers.begin(), servers.end(), [](const ListedServer& a, const ListedServer& b) {
    return a.address != b.address ? a.address < b.address : a.queryPort < b.queryPort;
  });
  return servers;
}

}  // namespace

TEST(MasterQuery, EveryWayAMasterCanAnswerEndsWithinTheLimit) {
  struct Case {
    const char* what;
    const char* host;
    bool accept;
    std::string greeting;
    bool readsRequest;
    std::string answer;
    bool closes;
    MasterResult result;
    size_t servers;
  } cases[] = {
      {"a list", "127.0.0.1", true, kGreeting, true, Records(0x7F000002, 3) + "\\final\\", true, MasterResult::Listed, 3},
      {"a list, the master named", "localhost", true, kGreeting, true, Records(0x7F000002, 2) + "\\final\\", false,
       MasterResult::Listed, 2},
      {"100,000 records", "127.0.0.1", true, kGreeting, true, Records(0x0A000000, 100000) + "\\final\\", true,
       MasterResult::Listed, kMaxListedServers},
      {"1 MiB of garbage", "127.0.0.1", true, kGreeting, true, std::string(1 << 20, '\x5A'), true,
       MasterResult::ClosedEarly, 0},
      {"half a record", "127.0.0.1", true, kGreeting, true, Records(0x7F000002, 1) + "\x7F\x00", true,
       MasterResult::ClosedEarly, 0},
      {"closed after our answer", "127.0.0.1", true, kGreeting, true, "", true, MasterResult::Refused, 0},
      {"closed at once", "127.0.0.1", true, "", false, "", true, MasterResult::ClosedEarly, 0},
      {"no greeting", "127.0.0.1", true, "SSH-2.0-OpenSSH\r\n", false, "", false, MasterResult::NotAList, 0},
      {"accepts and never sends", "127.0.0.1", true, "", false, "", false, MasterResult::TimedOut, 0},
      {"a list that never ends", "127.0.0.1", true, kGreeting, true, Records(0x7F000002, 5), false,
       MasterResult::TimedOut, 0},
  };
  for (const Case& c : cases) {
    TestServer master;
    MasterQuery query;
    int done = 0;
    query.onDone = [&](MasterQuery&) { ++done; };
    const DWORD started = GetTickCount();
    query.Start({c.host, master.port}, kMohaa);
    if (c.accept) {
      ASSERT_NE(master.AcceptWhilePumping(), 0) << c.what;
    }
    if (!c.greeting.empty()) master.Send(c.greeting);
    if (c.readsRequest) {
      const std::string expected = MasterListRequest(kMohaa, "ABCDEF");
      EXPECT_EQ(master.ReceiveWhilePumping(expected.size()), expected) << c.what;
    }
    SendWhilePumping(master.client, c.answer);
    if (c.closes) master.CloseClient();
    EXPECT_EQ(WaitForResult(query), c.result) << c.what;
    EXPECT_EQ(query.Servers().size(), c.servers) << c.what;
    EXPECT_LE(GetTickCount() - started, MasterQuery::kTimeLimitMs + 1500) << c.what;
    PumpFor(50);
    EXPECT_EQ(done, 1) << c.what << ": one result per start";
  }
}

TEST(MasterQuery, NobodyListeningIsUnreachable) {
  int port = 0;
  {
    TestServer gone;
    port = gone.port;
  }
  MasterQuery query;
  query.Start({"127.0.0.1", port}, kMohaa);
  EXPECT_EQ(WaitForResult(query), MasterResult::Unreachable);
}

TEST(MasterQuery, ALookupDroppedKeepsItsBufferAndANewStartStillWorks) {
  TestServer master;
  MasterQuery query;
  query.Start({"localhost", master.port}, kMohaa);
  query.Cancel();
  EXPECT_EQ(query.DroppedLookups(), 1u) << "the lookup may still write into its buffer";
  query.Start({"localhost", master.port}, kMohaa);
  ASSERT_NE(master.AcceptWhilePumping(), 0);
  master.Send(kGreeting);
  master.ReceiveWhilePumping(MasterListRequest(kMohaa, "ABCDEF").size());
  master.Send(Records(0x7F000002, 1) + "\\final\\");
  EXPECT_EQ(WaitForResult(query), MasterResult::Listed);
  EXPECT_EQ(query.Servers().size(), 1u);
  EXPECT_TRUE(query.MasterOnLoopback());
}

// Beside the real master (tests/master_interop.sh): it lists exactly the
// stand-ins of each game, by address and by name.
TEST(MasterQuery, TheRealMasterListsExactlyTheStandInsOfEachGame) {
  const char* listPort = std::getenv("KESTRUN_MASTER_LIST_PORT");
  const char* groups = std::getenv("KESTRUN_STANDINS");
  if (listPort == nullptr || groups == nullptr) GTEST_SKIP() << "run by tests/master_interop.sh beside the master";
  for (size_t g = 0; g < std::size(kGameSpyGames); ++g) {
    std::vector<ListedServer> expected;
    for (const std::string& group : SplitKeepEmpty(groups, ' ')) {
      const std::vector<std::string> f = SplitKeepEmpty(group, ':');  // gamePort:queryPort:count:silent:reversed
      if (f.size() != 5) continue;
      for (int i = static_cast<int>(g); i < std::atoi(f[2].c_str()); i += 3) {
        expected.push_back({0x7F000001, static_cast<uint16_t>(std::atoi(f[1].c_str()) + i)});
      }
    }
    for (const char* host : {"127.0.0.1", "localhost"}) {
      MasterQuery query;
      std::vector<ListedServer> listed;
      // The stand-ins are listed once the master has had their answers to its challenge.
      for (int attempt = 0; attempt < 20 && listed != Sorted(expected); ++attempt) {
        if (attempt > 0) PumpFor(500);
        query.Start({host, std::atoi(listPort)}, kGameSpyGames[g]);
        EXPECT_EQ(WaitForResult(query), MasterResult::Listed) << host;
        listed = Sorted(MergeMasterLists({{query.MasterOnLoopback(), query.Servers()}}));
      }
      EXPECT_EQ(listed, Sorted(expected)) << kGameSpyGames[g].gameName << " from " << host;
    }
  }
}
