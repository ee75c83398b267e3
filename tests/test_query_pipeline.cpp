// The query pipeline on a clock of the tests' own: the pace of the requests,
// each row's wait, the name lookups' places and limits, and which rows a
// datagram reaches.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "launcher/core/query_pipeline.h"

namespace {

constexpr uint32_t kLocal = 0x7F000001;  // 127.0.0.1
constexpr int32_t kWaitMs = 1500;
constexpr int32_t kNameLimitMs = 5000;
const std::string kStatusRequest = "getstatus";

std::vector<QueryTarget> Dotted(int count, int firstPort = 27001) {
  std::vector<QueryTarget> targets;
  for (int i = 0; i < count; ++i) targets.push_back({"127.0.0.1", firstPort + i});
  return targets;
}

// What the pipeline said, gathered as the Windows side takes it after each input.
struct Seen {
  std::vector<QueryPipeline::Send> sends;
  std::vector<std::string> lookedUp, dropped;
  std::vector<RowChange> changes;
  std::vector<std::string> replies;  // the status replies of the Answered changes, copied while valid

  void Take(QueryPipeline& pipeline) {
    for (const QueryPipeline::Send& send : pipeline.TakeSends()) sends.push_back(send);
    for (std::string& name : pipeline.TakeLookupsToStart()) lookedUp.push_back(std::move(name));
    for (std::string& name : pipeline.TakeLookupsToDrop()) dropped.push_back(std::move(name));
    for (const RowChange& change : pipeline.TakeChanges()) {
      changes.push_back(change);
      if (change.stage == QueryStage::Answered && !change.reply.empty()) replies.emplace_back(change.reply);
    }
  }
  std::vector<size_t> RowsThatBecame(QueryStage stage) const {
    std::vector<size_t> rows;
    for (const RowChange& change : changes) {
      if (change.stage == stage) rows.push_back(change.row);
    }
    return rows;
  }
};

// Ticks the pipeline at every time it asks for, up to endMs; each tick must move the clock on.
void RunClockTo(QueryPipeline& pipeline, Seen& seen, uint32_t endMs) {
  std::optional<uint32_t> last;
  for (auto due = pipeline.NextTickAt(); due && static_cast<int32_t>(*due - endMs) <= 0; due = pipeline.NextTickAt()) {
    ASSERT_NE(due, last) << "a tick that changed nothing was asked for again";
    last = due;
    pipeline.Tick(*due);
    seen.Take(pipeline);
  }
}

}  // namespace

TEST(QueryPipeline, RequestsGoOutPacedInRowOrderWithinTheBoundInFlight) {
  struct Case {
    const char* what;
    QueryPace pace;
    int rows;
    std::vector<std::pair<uint32_t, size_t>> sentBy;  // by this time, this many sent
  } cases[] = {
      {"a burst, then the rate", {.sendsPerMs = 4, .burst = 32}, 40, {{0, 32}, {1, 36}, {2, 40}}},
      {"the rate over a long gap stays within the burst", {.sendsPerMs = 4, .burst = 8}, 30, {{0, 8}, {100, 16}}},
      {"rows in flight hold their places for a moment",
       {.sendsPerMs = 100, .burst = 100, .maxInFlight = 3, .inFlightMs = 250},
       10,
       {{0, 3}, {249, 3}, {250, 6}, {500, 9}, {750, 10}}},
  };
  for (const Case& c : cases) {
    QueryPipeline pipeline(kWaitMs, kNameLimitMs, c.pace);
    Seen seen;
    pipeline.Start(Dotted(c.rows), kStatusRequest, 0);
    seen.Take(pipeline);
    for (const auto& [atMs, sent] : c.sentBy) {
      if (atMs > 0) pipeline.Tick(atMs);
      seen.Take(pipeline);
      EXPECT_EQ(seen.sends.size(), sent) << c.what << ", at " << atMs << " ms";
    }
    for (size_t i = 0; i < seen.sends.size(); ++i) {
      EXPECT_EQ(seen.sends[i].to, (Endpoint{kLocal, 27001 + static_cast<int>(i)})) << c.what << ": in row order";
      EXPECT_EQ(seen.sends[i].request, kStatusRequest) << c.what;
    }
  }
}

// An answer frees its place at once; the pipeline asks for a tick when the
// next request may go, not sooner. Datagrams are read beside the window
// thread and handed in later with the time they were read: the ping runs to
// the read, and the clock does not go back for the requests that follow.
TEST(QueryPipeline, AnAnswerFreesItsPlaceAndTheNextTickIsWhenARequestMayGo) {
  QueryPipeline pipeline(kWaitMs, kNameLimitMs, {.sendsPerMs = 1, .burst = 2, .maxInFlight = 3, .inFlightMs = 250});
  Seen seen;
  pipeline.Start(Dotted(5), kStatusRequest, 0);
  seen.Take(pipeline);
  ASSERT_EQ(seen.sends.size(), 2u);
  EXPECT_EQ(pipeline.NextTickAt(), 1u) << "a place is free, the budget needs 1 ms";
  pipeline.Tick(1);
  seen.Take(pipeline);
  EXPECT_EQ(seen.sends.size(), 3u);
  EXPECT_EQ(pipeline.NextTickAt(), 250u) << "every place held: the first frees by age";
  pipeline.Tick(40);
  pipeline.TakeDatagram({kLocal, 27001}, "statusResponse", 30);  // read at 30, handed in at 40
  seen.Take(pipeline);
  EXPECT_EQ(seen.sends.size(), 4u) << "the answer freed a place";
  EXPECT_EQ(pipeline.Rows()[0].pingMs, 30) << "from the request to the read";
  ASSERT_EQ(seen.changes.back().stage, QueryStage::Waiting);
  EXPECT_EQ(seen.changes.back().atMs, 40u) << "the next request goes now, not back at the read";
  RunClockTo(pipeline, seen, 1000);
  EXPECT_EQ(seen.sends.size(), 5u);
}

TEST(QueryPipeline, EachRowWaitsFromItsOwnRequestOn) {
  QueryPipeline pipeline(kWaitMs, kNameLimitMs, {.sendsPerMs = 0.01, .burst = 1});  // one request per 100 ms
  Seen seen;
  pipeline.Start(Dotted(3), kStatusRequest, 1000);
  RunClockTo(pipeline, seen, 1000 + kWaitMs + 199);
  EXPECT_EQ(seen.RowsThatBecame(QueryStage::NoReply), (std::vector<size_t>{0, 1}));
  EXPECT_TRUE(pipeline.Running());
  RunClockTo(pipeline, seen, 1000 + kWaitMs + 200);
  EXPECT_EQ(seen.RowsThatBecame(QueryStage::NoReply), (std::vector<size_t>{0, 1, 2}));
  EXPECT_FALSE(pipeline.Running()) << "the round ends with the last wait";
  EXPECT_EQ(pipeline.NextTickAt(), std::nullopt);
}

TEST(QueryPipeline, NamesAreLookedUpAFewAtATimeEachWithinItsLimit) {
  // Rows 0 to 5 by name, row 6 by the name of row 0, row 7 dotted, row 8 no port.
  std::vector<QueryTarget> targets;
  for (const char* name : {"a.test", "b.test", "c.test", "d.test", "e.test", "f.test", "a.test"}) {
    targets.push_back({name, 27001});
  }
  targets.push_back({"127.0.0.1", 27002});
  targets.push_back({"127.0.0.1", 0});
  QueryPipeline pipeline(kWaitMs, kNameLimitMs);
  Seen seen;
  pipeline.Start(targets, kStatusRequest, 0);
  seen.Take(pipeline);
  EXPECT_EQ(seen.lookedUp, (std::vector<std::string>{"a.test", "b.test", "c.test", "d.test"})) << "each name once";
  EXPECT_EQ(seen.RowsThatBecame(QueryStage::BadAddress), std::vector<size_t>{8});
  EXPECT_EQ(seen.sends.size(), 1u) << "a dotted address waits for no name";

  pipeline.TakeLookupAnswer("b.test", 0, 100);  // did not resolve
  pipeline.TakeLookupAnswer("a.test", 0x7F000002, 120);
  seen.Take(pipeline);
  EXPECT_EQ(seen.lookedUp.size(), 6u) << "the answers freed two places";
  EXPECT_EQ(seen.RowsThatBecame(QueryStage::BadAddress), (std::vector<size_t>{8, 1}));
  ASSERT_EQ(seen.sends.size(), 3u);
  EXPECT_EQ(seen.sends[1].to, (Endpoint{0x7F000002, 27001}));
  EXPECT_EQ(seen.RowsThatBecame(QueryStage::Waiting), (std::vector<size_t>{7, 0, 6}));

  // c and d never answer; e answers after its limit.
  RunClockTo(pipeline, seen, kNameLimitMs);
  EXPECT_EQ(seen.dropped, (std::vector<std::string>{"c.test", "d.test"}));
  EXPECT_EQ(seen.RowsThatBecame(QueryStage::BadAddress), (std::vector<size_t>{8, 1, 2, 3}));
  RunClockTo(pipeline, seen, 120 + kNameLimitMs);
  pipeline.TakeLookupAnswer("e.test", kLocal, 120 + kNameLimitMs + 1);
  seen.Take(pipeline);
  EXPECT_EQ(seen.RowsThatBecame(QueryStage::BadAddress), (std::vector<size_t>{8, 1, 2, 3, 4, 5}));
  EXPECT_EQ(seen.sends.size(), 3u) << "a name's answer after its limit sends nothing";
}

// Names that never answer hold a place for a moment only: the names behind
// them start as those moments pass, not at the limit.
TEST(QueryPipeline, DeadNamesHoldTheirPlacesForAMomentOnly) {
  std::vector<QueryTarget> targets;
  for (int i = 0; i < 9; ++i) targets.push_back({"dead" + std::to_string(i) + ".test", 27001});
  QueryPipeline pipeline(kWaitMs, kNameLimitMs, {.maxLookups = 4, .lookupPlaceMs = 500});
  Seen seen;
  pipeline.Start(targets, kStatusRequest, 0);
  seen.Take(pipeline);
  EXPECT_EQ(seen.lookedUp.size(), 4u);
  EXPECT_EQ(pipeline.NextTickAt(), 500u);
  RunClockTo(pipeline, seen, 499);
  EXPECT_EQ(seen.lookedUp.size(), 4u);
  RunClockTo(pipeline, seen, 500);
  EXPECT_EQ(seen.lookedUp.size(), 8u);
  RunClockTo(pipeline, seen, 1000);
  EXPECT_EQ(seen.lookedUp.size(), 9u);
}

TEST(QueryPipeline, ADatagramReachesOnlyTheRowsWaitingAtItsEndpoint) {
  struct Case {
    const char* what;
    Endpoint from;
    std::vector<size_t> answered;
  } cases[] = {
      {"the first server", {kLocal, 27001}, {0, 2}},  // rows 0 and 2 ask the same server
      {"another port", {kLocal, 27009}, {}},
      {"another address, same port", {0x7F000002, 27001}, {}},
      {"a server not asked yet", {kLocal, 27003}, {}},
  };
  for (const Case& c : cases) {
    QueryPipeline pipeline(kWaitMs, kNameLimitMs, {.burst = 3});
    Seen seen;
    pipeline.Start({{"127.0.0.1", 27001}, {"127.0.0.1", 27002}, {"127.0.0.1", 27001}, {"127.0.0.1", 27003}},
                   kStatusRequest, 0);
    seen.Take(pipeline);
    pipeline.TakeDatagram(c.from, "reply", 0);
    seen.Take(pipeline);
    EXPECT_EQ(seen.RowsThatBecame(QueryStage::Answered), c.answered) << c.what;
    pipeline.TakeDatagram(c.from, "again", 20);
    seen.Take(pipeline);
    EXPECT_EQ(seen.RowsThatBecame(QueryStage::Answered), c.answered) << c.what << ": a second datagram reaches no one";
  }
}

// The status display's row hears every reply until its deadline, and the
// round lasts that long; no "no reply" follows an answer.
TEST(QueryPipeline, ARowListeningUntilItsDeadlineHearsEveryReply) {
  QueryPipeline pipeline(kWaitMs, kNameLimitMs);
  Seen seen;
  pipeline.Start({{"127.0.0.1", 12203, ReplyForm::Status, RowListens::UntilDeadline}}, kStatusRequest, 0);
  seen.Take(pipeline);
  for (const char* reply : {"first", "second"}) pipeline.TakeDatagram({kLocal, 12203}, reply, 40);
  seen.Take(pipeline);
  EXPECT_EQ(seen.replies, (std::vector<std::string>{"first", "second"}));
  EXPECT_TRUE(pipeline.Running());
  EXPECT_EQ(pipeline.NextTickAt(), static_cast<uint32_t>(kWaitMs));
  RunClockTo(pipeline, seen, kWaitMs);
  EXPECT_FALSE(pipeline.Running());
  EXPECT_TRUE(seen.RowsThatBecame(QueryStage::NoReply).empty());
  pipeline.TakeDatagram({kLocal, 12203}, "late", kWaitMs + 1);
  seen.Take(pipeline);
  EXPECT_EQ(seen.replies.size(), 2u);
}

TEST(QueryPipeline, AQueryReplysPartsAreJoinedInOrderAndAskedWithStatus) {
  QueryPipeline pipeline(kWaitMs, kNameLimitMs);
  Seen seen;
  pipeline.Start({{"127.0.0.1", 12300, ReplyForm::Query}}, kStatusRequest, 0);
  seen.Take(pipeline);
  ASSERT_EQ(seen.sends.size(), 1u);
  EXPECT_EQ(seen.sends[0].request, "\\status\\");
  pipeline.TakeDatagram({kLocal, 12300}, "\\final\\\\mapname\\m\\queryid\\4.2", 30);
  pipeline.TakeDatagram({kLocal, 12300}, "\\hostname\\h\\queryid\\4.1", 50);
  seen.Take(pipeline);
  ASSERT_EQ(seen.RowsThatBecame(QueryStage::Answered), std::vector<size_t>{0});
  EXPECT_EQ(pipeline.Rows()[0].name, "h");
  EXPECT_EQ(pipeline.Rows()[0].map, "m");
  EXPECT_EQ(pipeline.Rows()[0].pingMs, 50);
  EXPECT_FALSE(pipeline.Running());
}

// A round of the local network: rows are made of who answers the broadcasts.
TEST(QueryPipeline, SendersWithinTheNetworksAnsweringInTimeBecomeRowsEachOnceWithinTheLimit) {
  const Subnet lan{0x0A4D0001, 0xFFFFFF00};  // 10.77.0.1/24
  const auto in = [](uint32_t host, int port) { return Endpoint{0x0A4D0000 | host, port}; };
  struct Heard {
    Endpoint from;
    std::string bytes;
    uint32_t atMs = 10;
  };
  const std::string whole = "\\hostname\\h\\hostport\\12203";
  std::vector<Heard> flood;
  for (int port = 1; port <= 1000; ++port) flood.push_back({in(9, port), whole});
  struct Case {
    const char* what;
    std::vector<Heard> datagrams;
    std::vector<Endpoint> answered, noReply;
  } cases[] = {
      {"each endpoint once", {{in(5, 12300), whole}, {in(5, 12300), whole}, {in(5, 12301), whole}},
       {in(5, 12300), in(5, 12301)}, {}},
      {"senders outside the networks", {{{0x0A4E0005, 12300}, whole}, {{kLocal, 12300}, whole}}, {}, {}},
      {"parts joined; an unfinished reply has none",
       {{in(6, 12300), "\\hostname\\h\\queryid\\1.1"}, {in(7, 12300), "\\a\\b\\queryid\\2.1"},
        {in(6, 12300), "\\final\\\\queryid\\1.2"}},
       {in(6, 12300)}, {in(7, 12300)}},
      {"a flood of sender ports", flood, {in(9, 1), in(9, 2), in(9, 3), in(9, 4)}, {}},
      {"only within the wait", {{in(5, 12300), whole, kWaitMs - 1}, {in(6, 12300), whole, kWaitMs}},
       {in(5, 12300)}, {}},
      {"a sender answering with no query reply",
       {{in(5, 12300), "\xFF\xFF\xFF\xFFstatusResponse\n"}, {in(6, 12300), whole}},
       {in(6, 12300)}, {}},
  };
  for (const Case& c : cases) {
    QueryPipeline pipeline(kWaitMs, kNameLimitMs);
    Seen seen;
    pipeline.StartHeard({lan}, {12300, 12301}, 4, 0);
    seen.Take(pipeline);
    ASSERT_EQ(seen.sends.size(), 2u) << c.what;
    EXPECT_EQ(seen.sends[1].to, (Endpoint{0x0A4D00FF, 12301})) << c.what << ": the broadcast address";
    EXPECT_EQ(seen.sends[1].request, "\\status\\") << c.what;
    for (const Heard& d : c.datagrams) {
      RunClockTo(pipeline, seen, d.atMs - 1);  // a late tick: the wait is over all the same
      pipeline.TakeDatagram(d.from, d.bytes, d.atMs);
      seen.Take(pipeline);
    }
    RunClockTo(pipeline, seen, 60000);
    EXPECT_FALSE(pipeline.Running()) << c.what;
    std::vector<Endpoint> answered, noReply;
    for (const RowChange& change : seen.changes) {
      const Endpoint from{pipeline.Rows()[change.row].address, pipeline.Rows()[change.row].target.port};
      if (change.stage == QueryStage::Answered) answered.push_back(from);
      if (change.stage == QueryStage::NoReply) noReply.push_back(from);
    }
    const std::vector<size_t> made = seen.RowsThatBecame(QueryStage::Waiting);
    for (size_t i = 0; i < made.size(); ++i) EXPECT_EQ(made[i], i) << c.what << ": numbered as they first send";
    EXPECT_EQ(made.size(), c.answered.size() + c.noReply.size()) << c.what;
    EXPECT_EQ(answered, c.answered) << c.what;
    EXPECT_EQ(noReply, c.noReply) << c.what;
  }
}
