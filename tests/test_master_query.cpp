// One master's list over real loopback sockets under Wine: hostile masters
// played by the test itself, and, when tests/master_interop.sh runs this
// beside the real master and its stand-ins, that master.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "launcher/win/master_query.h"
#include "launcher/win/master_round.h"
#include "tests/master_test_util.h"
#include "tests/wine_test_util.h"

namespace {

const GameSpyGame& kMohaa = kGameSpyGames[0];
const std::string& kGreeting = kMasterGreeting;

MasterResult WaitForResult(MasterQuery& query) {
  PumpUntil([&] { return query.Result() != MasterResult::Pending; }, MasterQuery::kTimeLimitMs + 3000);
  return query.Result();
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
  EXPECT_EQ(query.MasterScope(), AddressScope::Loopback);
}

// Beside the real master (tests/master_interop.sh): it lists exactly the
// stand-ins of each game, by address and by name.
TEST(MasterQuery, TheRealMasterListsExactlyTheStandInsOfEachGame) {
  int listPort = 0;
  std::vector<ListedServer> expected;
  if (!ExpectedStandIns(0, listPort, expected)) GTEST_SKIP() << "run by tests/master_interop.sh beside the master";
  for (size_t g = 0; g < std::size(kGameSpyGames); ++g) {
    ExpectedStandIns(g, listPort, expected);
    for (const char* host : {"127.0.0.1", "localhost"}) {
      MasterQuery query;
      std::vector<ListedServer> listed;
      // The stand-ins are listed once the master has had their answers to its challenge.
      for (int attempt = 0; attempt < 20 && listed != expected; ++attempt) {
        if (attempt > 0) PumpFor(500);
        query.Start({host, listPort}, kGameSpyGames[g]);
        EXPECT_EQ(WaitForResult(query), MasterResult::Listed) << host;
        listed = Sorted(MergeMasterLists({{query.MasterScope(), query.Servers()}}));
      }
      EXPECT_EQ(listed, expected) << kGameSpyGames[g].gameName << " from " << host;
    }
  }
}

// Beside the real master: a round that asks it and a port where nothing
// listens gets exactly the stand-ins of each game from the one that answers.
TEST(MasterRound, TheRealMasterAnswersBesideOneThatCannotBeReached) {
  int listPort = 0;
  std::vector<ListedServer> expected;
  if (!ExpectedStandIns(0, listPort, expected)) GTEST_SKIP() << "run by tests/master_interop.sh beside the master";
  int nowhere = 0;
  {
    TestServer gone;
    nowhere = gone.port;
  }
  for (size_t g = 0; g < std::size(kGameSpyGames); ++g) {
    ExpectedStandIns(g, listPort, expected);
    MasterRound round;
    int reports = 0;
    round.onDone = [&] { ++reports; };
    std::vector<ListedServer> listed;
    for (int attempt = 0; attempt < 20 && listed != expected; ++attempt) {
      if (attempt > 0) PumpFor(500);
      round.Start({{"127.0.0.1", listPort}, {"127.0.0.1", nowhere}}, kGameSpyGames[g]);
      ASSERT_TRUE(PumpUntil([&] { return !round.Running(); }, MasterQuery::kTimeLimitMs + 3000));
      EXPECT_EQ(round.Asked(), 2u);
      EXPECT_EQ(round.Answered(), 1u) << kGameSpyGames[g].gameName;
      listed = Sorted(round.Servers());
      EXPECT_EQ(reports, attempt + 1);
    }
    EXPECT_EQ(listed, expected) << kGameSpyGames[g].gameName;
  }
}
