#include <gtest/gtest.h>

#include "overlay/core/rcon_exchange.h"

namespace {

std::string Print(const std::string& text) { return "\xFF\xFF\xFF\xFFprint\n" + text; }

ConsoleCommand Command(const std::string& verb, int client = -1) {
  return *(client < 0 ? ConsoleCommand::Plain(verb) : ConsoleCommand::ForClient(verb, client));
}

std::string Name(const RconRequestItem& item) { return item.command ? item.command->Text() : "getstatus"; }

// Requests a budget lets through when one is wanted every stepMs from start,
// for spanMs, after a first look at idleFrom (spending nothing).
int AllowedRequests(uint32_t idleFrom, uint32_t start, uint32_t spanMs, uint32_t stepMs) {
  RequestBudget budget;
  budget.Available(idleFrom);
  int allowed = 0;
  for (uint32_t t = 0; t <= spanMs; t += stepMs) {
    if (!budget.Available(start + t)) continue;
    budget.Spend(start + t);
    ++allowed;
  }
  return allowed;
}

}  // namespace

TEST(RequestBudget, FiveAtOnceThenOneASecond) {
  struct Case {
    const char* what;
    uint32_t idleFrom, start, spanMs, stepMs;
    int allowed;
  };
  const Case cases[] = {
      {"a minute of demand", 0, 0, 60000, 10, 5 + 60},
      {"across the tick count's wrap", 0xFFFFC000u, 0xFFFFC000u, 60000, 10, 5 + 60},
      {"idle time saves no more than the burst", 0, 30000, 100, 10, 5},
      {"a second apart, never refused", 0, 0, 60000, 1000, 61},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AllowedRequests(c.idleFrom, c.start, c.spanMs, c.stepMs), c.allowed) << c.what;
  }
}

TEST(RconExchange, CommandsFirstOneAtATimeEachWithItsAnswer) {
  RconExchange exchange;
  exchange.QueuePoll(Command("status"));
  exchange.QueueCommand(Command("clientkick", 3));
  exchange.QueuePoll(Command("cmdlist"));
  exchange.QueueCommand(Command("clientkick", 4));

  auto sent = exchange.NextToSend(0);
  ASSERT_TRUE(sent);
  EXPECT_EQ(Name(*sent), "clientkick 3");
  EXPECT_FALSE(exchange.NextToSend(10)) << "one open at a time";
  EXPECT_FALSE(exchange.TakeDatagram("\xFF\xFF\xFF\xFFstatusResponse\n", 20));
  EXPECT_TRUE(exchange.TakeDatagram(Print("Unknown command \"clientkick\"\n"), 20));
  EXPECT_FALSE(exchange.Poll(20 + RconReplyJoiner::kQuietMs - 1));
  auto done = exchange.Poll(20 + RconReplyJoiner::kQuietMs);
  ASSERT_TRUE(done);
  EXPECT_TRUE(done->answered);
  EXPECT_EQ(Name(done->request), "clientkick 3");
  EXPECT_EQ(done->reply.text, "Unknown command \"clientkick\"\n");

  sent = exchange.NextToSend(300);
  ASSERT_TRUE(sent);
  EXPECT_EQ(Name(*sent), "clientkick 4");
  EXPECT_FALSE(exchange.Poll(300 + RconExchange::kAnswerWaitMs - 1));
  done = exchange.Poll(300 + RconExchange::kAnswerWaitMs);
  ASSERT_TRUE(done);
  EXPECT_FALSE(done->answered);

  // A reply begun within the wait is taken to its end.
  sent = exchange.NextToSend(2000);
  EXPECT_EQ(Name(*sent), "status");
  exchange.TakeDatagram(Print("map: a\n"), 2000 + 1400);
  exchange.TakeDatagram(Print("num score\n"), 2000 + 1600);
  EXPECT_FALSE(exchange.Poll(2000 + 1700));
  done = exchange.Poll(2000 + 1600 + RconReplyJoiner::kQuietMs);
  ASSERT_TRUE(done);
  EXPECT_TRUE(done->answered);
  EXPECT_EQ(done->reply.text, "map: a\nnum score\n");

  // What comes while nothing is open is no answer, not even the next one's.
  EXPECT_FALSE(exchange.TakeDatagram(Print("late "), 4000));
  EXPECT_EQ(Name(*exchange.NextToSend(5000)), "cmdlist");
  exchange.TakeDatagram(Print("cmds"), 5000);
  EXPECT_EQ(exchange.Poll(6000)->reply.text, "cmds");
}

TEST(RconExchange, StatusQueryEndsWithTheFamilysReply) {
  RconExchange exchange;
  exchange.QueueStatusQuery();
  exchange.QueueStatusQuery();
  EXPECT_EQ(exchange.Waiting(), 1u);
  ASSERT_TRUE(exchange.NextToSend(0));
  EXPECT_FALSE(exchange.TakeDatagram(Print("x"), 5));
  EXPECT_TRUE(exchange.TakeDatagram("\xFF\xFF\xFF\xFF\x01statusResponse\n\\mapname\\dm/mohdm1", 5));
  const auto done = exchange.Poll(5);
  ASSERT_TRUE(done);
  EXPECT_EQ(done->request.kind, RequestKind::StatusQuery);
  EXPECT_EQ(done->family, ServerFamily::AlliedAssault);
  EXPECT_EQ(done->reply.text, "\\mapname\\dm/mohdm1");
  EXPECT_FALSE(exchange.TakeDatagram("\xFF\xFF\xFF\xFFstatusResponse\n", 6)) << "nothing open";
}

TEST(RconExchange, QueueIsBoundedAndPaced) {
  RconExchange exchange;
  for (int n = 0; n < 20; ++n) exchange.QueueCommand(Command("clientkick", n % 5));
  EXPECT_EQ(exchange.Waiting(), 5u) << "a command already waiting is not queued twice";
  for (int n = 5; n < 16; ++n) EXPECT_TRUE(exchange.QueueCommand(Command("clientkick", n)));
  EXPECT_FALSE(exchange.QueueCommand(Command("clientkick", 16)));
  EXPECT_FALSE(exchange.QueuePoll(Command("status")));

  // Answered at once, each request ends a quiet time later; past the burst
  // of five the budget holds them to one a second.
  ASSERT_EQ(RconReplyJoiner::kQuietMs, 250u);
  std::vector<uint32_t> sentAt;
  for (uint32_t t = 0; t < 4000; t += 10) {
    exchange.Poll(t);
    if (exchange.NextToSend(t)) {
      sentAt.push_back(t);
      exchange.TakeDatagram(Print("ok"), t);
    }
  }
  EXPECT_EQ(sentAt, (std::vector<uint32_t>{0, 250, 500, 750, 1000, 1250, 2000, 3000}));
}

// A reply that shows its own end (a status table and the blank line the
// engine prints after it, a command list and its count) ends as it comes, so
// that a command behind it need not wait the quiet time; any other waits.
TEST(RconExchange, AReplyShowingItsEndEndsAtOnce) {
  const std::string heading =
      "map: oa_dm1\n"
      "cl score ping name            address                                 rate \n"
      "-- ----- ---- --------------- --------------------------------------- -----\n";
  const std::string table = heading + " 0     0    0 Sarge           ^7bot                                     16384\n";
  struct Case {
    const char* what;
    std::string verb;
    std::vector<std::string> datagrams;  // at 5, 6, ... ms
    bool atOnce;
  };
  const Case cases[] = {
      {"a status and its blank line", "status", {table + "\n"}, true},
      {"the blank line alone last", "status", {table, "\n"}, true},
      {"no players", "status", {heading + "\n"}, true},
      {"a status without it", "status", {table}, false},
      {"a refusal", "status", {"Bad rconpassword.\n\n"}, false},
      {"a command list", "cmdlist", {"status\nmap\n", "cmdlist\n59 commands\n"}, true},
      {"a list cut short", "cmdlist", {"status\n59 commands\nmap\n"}, false},
      {"a player's settings", "dumpuser", {"userinfo\n--------\nname  Sarge\n\n"}, false},
  };
  for (const Case& c : cases) {
    RconExchange exchange;
    exchange.QueuePoll(Command(c.verb));
    ASSERT_TRUE(exchange.NextToSend(0));
    uint32_t at = 5;
    for (const std::string& datagram : c.datagrams) {
      EXPECT_FALSE(exchange.Poll(at)) << c.what;
      exchange.TakeDatagram(Print(datagram), ++at);
    }
    const auto done = exchange.Poll(at);
    EXPECT_EQ(done.has_value(), c.atOnce) << c.what;
    if (!c.atOnce) EXPECT_TRUE(exchange.Poll(at + RconReplyJoiner::kQuietMs)) << c.what;
  }
}
