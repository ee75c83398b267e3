// Several masters asked at once over real loopback sockets under Wine, good
// and hostile ones mixed, each played on a thread of its own.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "launcher/win/master_query.h"
#include "launcher/win/master_round.h"
#include "tests/hostile_util.h"
#include "tests/master_test_util.h"
#include "tests/wine_test_util.h"

namespace {

const GameSpyGame& kMohaa = kGameSpyGames[0];

MasterPlay Listing(const std::string& answer, bool closes = true) {
  return {kMasterGreeting, true, answer, closes};
}

int NobodyListening() {
  TestServer gone;
  return gone.port;
}

// The longest wait between two ticks of a thread timer: it fires only while
// the thread's message loop turns.
DWORD lastTick = 0;
DWORD longestGap = 0;
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  const DWORD now = GetTickCount();
  if (lastTick != 0 && now - lastTick > longestGap) longestGap = now - lastTick;
  lastTick = now;
}

}  // namespace

TEST(MasterRound, AsksEveryMasterAtOnceAndMergesTheListsOfThoseThatAnswer) {
  const uint32_t local = 0x7F000002;
  struct Master {
    const char* what;
    MasterPlay play;
    bool answers;
  } plays[] = {
      {"a list", Listing(Records(local, 3) + "\\final\\"), true},
      {"a list overlapping the first", Listing(Records(local + 1, 3) + "\\final\\"), true},
      {"an empty list", Listing("\\final\\", false), true},
      {"accepts and never sends", {}, false},
      {"closes at once", {"", false, "", true}, false},
      {"1 MiB of garbage", Listing(std::string(kMiB, '\x7F')), false},
      {"half a record", Listing(Records(local + 9, 1) + "\x7F\x01"), false},
      {"100,000 records", Listing(Records(0x7F010000, 100000) + "\\final\\"), true},
  };
  std::vector<std::unique_ptr<PlayedMaster>> played;
  std::vector<MasterAddress> masters;
  size_t answering = 0;
  for (const Master& m : plays) {
    played.push_back(std::make_unique<PlayedMaster>(m.play));
    masters.push_back({"127.0.0.1", played.back()->Port()});
    answering += m.answers;
  }
  masters.push_back({"127.0.0.1", NobodyListening()});

  const MemoryUse before = MemoryOf();
  MasterRound round;
  int done = 0;
  bool insideStart = true;
  round.onDone = [&] {
    ++done;
    EXPECT_FALSE(insideStart);
  };
  lastTick = 0;
  longestGap = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
  const DWORD started = GetTickCount();
  round.Start(masters, kMohaa);
  insideStart = false;
  EXPECT_TRUE(round.Running());
  ASSERT_TRUE(PumpUntil([&] { return done > 0; }, MasterQuery::kTimeLimitMs + 3000));
  const DWORD took = GetTickCount() - started;
  KillTimer(nullptr, timer);
  std::printf("[ round    ] %zu masters in %lu ms, longest wait between timer ticks %lu ms\n", masters.size(),
              static_cast<unsigned long>(took), static_cast<unsigned long>(longestGap));

  EXPECT_FALSE(round.Running());
  EXPECT_EQ(round.Asked(), masters.size());
  EXPECT_EQ(round.Answered(), answering);
  // The lists taken in turn: the two small ones whole, each address once; the long one fills the rest.
  const std::vector<ListedServer>& servers = round.Servers();
  ASSERT_EQ(servers.size(), kMaxListedServers);
  EXPECT_EQ(servers[2], (ListedServer{0x7F010000, 12300}));
  std::set<std::pair<uint32_t, uint16_t>> seen;
  for (const ListedServer& s : servers) seen.insert({s.address, s.queryPort});
  for (uint32_t small = local; small <= local + 3; ++small) EXPECT_EQ(seen.count({small, 12300}), 1u) << small;
  EXPECT_EQ(seen.size(), servers.size()) << "each address and query port once";
  EXPECT_EQ(seen.count({local + 9, 12300}), 0u) << "nothing of a list that did not end";

  // Masters asked one after the other would take a limit each; a busy machine may add a little.
  EXPECT_LE(took, MasterQuery::kTimeLimitMs + 3000);
  EXPECT_LT(longestGap, 1000u) << "the message loop kept turning";
  EXPECT_TRUE(MemoryGrewAtMost(before, 32 * kMiB));
  PumpFor(100);
  EXPECT_EQ(done, 1);
}

TEST(MasterRound, ReportsOncePerStartFromTheMessageLoopAndNothingOfADroppedRound) {
  struct Case {
    const char* what;
    bool dropsOne;  // a round of the masters first is started and dropped
    std::vector<int> first;
    bool cancel;  // the second round is cancelled at once
    std::vector<int> second;
    int reports;
    size_t answered;
  };
  PlayedMaster good(Listing(Records(0x7F000003, 2) + "\\final\\"));
  PlayedMaster cancelled(Listing(Records(0x7F000004, 1) + "\\final\\"));
  const int nowhere = NobodyListening();
  const Case cases[] = {
      {"no masters", false, {}, false, {}, 1, 0},
      {"only a port where nothing listens", false, {}, false, {nowhere}, 1, 0},
      {"a round of no masters dropped for another", true, {}, false, {}, 1, 0},
      {"a round dropped for another", true, {nowhere}, false, {good.Port()}, 1, 1},
      {"a cancelled round", false, {}, true, {cancelled.Port()}, 0, 0},
  };
  for (const Case& c : cases) {
    MasterRound round;
    int reports = 0;
    round.onDone = [&] { ++reports; };
    auto ask = [&](const std::vector<int>& ports) {
      std::vector<MasterAddress> masters;
      for (int port : ports) masters.push_back({"127.0.0.1", port});
      round.Start(masters, kMohaa);
    };
    if (c.dropsOne) ask(c.first);
    ask(c.second);
    if (c.cancel) round.Cancel();
    EXPECT_EQ(reports, 0) << c.what << ": not from inside Start";
    PumpUntil([&] { return !round.Running(); }, MasterQuery::kTimeLimitMs + 3000);
    // Long enough for anything of the dropped round to come.
    PumpFor(300);
    EXPECT_EQ(reports, c.reports) << c.what;
    EXPECT_EQ(round.Asked(), c.second.size()) << c.what;
    EXPECT_EQ(round.Answered(), c.answered) << c.what;
  }
}
