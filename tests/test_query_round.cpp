// A round of a thousand status requests under Wine, against game-server
// stand-ins answering on a thousand loopback query ports, a hundred of them
// silent: every answering row gets its whole reply, in every run.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "launcher/core/query_reply.h"
#include "launcher/win/query_round.h"
#include "tests/wine_test_util.h"

namespace {

constexpr int kServers = 1000;
constexpr int kSilent = 100;
constexpr int kReplyWaitMs = 1500;
constexpr int kRuns = 3;

// The stand-ins run in blocks of kBlock servers, the last kBlockSilent of
// each silent, so that silent servers come all through the list.
constexpr int kBlock = 100;
constexpr int kBlockSilent = kSilent * kBlock / kServers;

bool IsSilent(int row) { return row % kBlock >= kBlock - kBlockSilent; }

struct StandInGroup {
  int firstQueryPort = 0;
  std::string parts;  // how the group answers, for the messages
};

// tests/udp_standins.sh names its groups: "QUERY_PORT:PARTS[r]" separated by blanks.
std::vector<StandInGroup> StandInGroups() {
  char value[256] = {};
  const DWORD length = GetEnvironmentVariableA("KESTRUN_UDP_STANDINS", value, sizeof value);
  std::vector<StandInGroup> groups;
  if (length == 0 || length >= sizeof value) return groups;
  std::string text = value;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find(' ', at), text.size());
    const std::string group = text.substr(at, end - at);
    const size_t colon = group.find(':');
    if (colon != std::string::npos) {
      const std::string how = group.substr(colon + 1);
      groups.push_back({std::atoi(group.c_str()), "replies in " + std::string(1, how[0]) + " parts" +
                                                      (how.size() > 1 ? ", last first" : "")});
    }
    at = end + 1;
  }
  return groups;
}

struct RowSeen {
  bool sent = false, answered = false, noReply = false;
  uint32_t sentAtMs = 0, overAtMs = 0;
  std::string hostName;
};

// One round over every query port, as the server list runs it.
std::vector<RowSeen> RunRound(int queryPort) {
  std::vector<QueryTarget> targets;
  for (int i = 0; i < kServers; ++i) targets.push_back({"127.0.0.1", queryPort + i, ReplyForm::Query, RowListens::UntilFirstReply, ""});
  std::vector<RowSeen> rows(kServers);
  QueryRound round(kReplyWaitMs, 1000);
  bool ended = false;
  round.onChanges = [&](const std::vector<RowChange>& changes) {
    for (const RowChange& change : changes) {
      RowSeen& row = rows[change.row];
      if (change.stage == QueryStage::Waiting) row.sent = true, row.sentAtMs = change.atMs;
      if (change.stage == QueryStage::NoReply) row.noReply = true, row.overAtMs = change.atMs;
      if (change.stage == QueryStage::Answered) row.answered = true, row.hostName = round.Rows()[change.row].name;
    }
  };
  round.onEnd = [&] { ended = true; };
  round.Start(std::move(targets), "");
  PumpUntil([&] { return ended; }, 60000);
  EXPECT_TRUE(ended);
  return rows;
}

}  // namespace

// Run by tests/udp_standins.sh beside native stand-ins: under Wine, a
// thousand stand-in servers in Windows processes of their own answer far
// slower than the servers they stand for, and late replies would count as lost.
TEST(QueryRound, AThousandServersLoseNoAnswer) {
  const std::vector<StandInGroup> groups = StandInGroups();
  if (groups.empty()) GTEST_SKIP() << "run through tests/udp_standins.sh, which starts the stand-ins";
  for (const StandInGroup& group : groups) {
    const char* what = group.parts.c_str();
    for (int run = 1; run <= kRuns; ++run) {
      const std::vector<RowSeen> rows = RunRound(group.firstQueryPort);
      int lost = 0, wrong = 0;
      uint32_t lastSentAtMs = rows[0].sentAtMs;
      for (int i = 0; i < kServers; ++i) {
        const RowSeen& row = rows[i];
        ASSERT_TRUE(row.sent) << what << ", run " << run << ": row " << i << " never sent";
        // In row order, and each row's wait from its own request on.
        EXPECT_GE(static_cast<int32_t>(row.sentAtMs - lastSentAtMs), 0) << what << ": row " << i;
        lastSentAtMs = row.sentAtMs;
        if (IsSilent(i)) {
          EXPECT_TRUE(row.noReply && !row.answered) << what << ", run " << run << ": silent row " << i;
          EXPECT_GE(static_cast<int32_t>(row.overAtMs - row.sentAtMs), kReplyWaitMs) << what << ": row " << i;
          continue;
        }
        if (!row.answered) ++lost;
        if (row.answered && row.hostName != "Kestrun stand-in " + std::to_string(i % kBlock + 1)) ++wrong;
      }
      EXPECT_EQ(lost, 0) << what << ", run " << run << ": answering servers shown without a reply";
      EXPECT_EQ(wrong, 0) << what << ", run " << run << ": rows filled with another server's reply";
    }
  }
}
