#include <gtest/gtest.h>

#include "overlay/core/rcon_exchange.h"

namespace {

std::string Print(const std::string& text) { return "\xFF\xFF\xFF\xFFprint\n" + text; }

ConsoleCommand Command(const std::string& verb, int client = -1) {
  return *(client < 0 ? ConsoleCommand::Plain(verb) : ConsoleCommand::ForClient(verb, client));
}

std::string Name(const RconRequestItem& item) { return item.command ? item.command->Text() : "getstatus"; }

std::string SentName(RconExchange& exchange, uint32_t now) {
  const auto sent = exchange.NextToSend(now);
  return sent ? Name(*sent) : "nothing";
}

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

TEST(RconExchange, CommandsFirstOneAtATime) {
  RconExchange exchange;
  exchange.QueuePoll(Command("status"));
  exchange.QueueCommand(Command("clientkick", 3));
  exchange.QueuePoll(Command("cmdlist"));
  exchange.QueueCommand(Command("clientkick", 4));

  EXPECT_EQ(SentName(exchange, 0), "clientkick 3");
  EXPECT_EQ(SentName(exchange, 10), "nothing") << "one open at a time";
  EXPECT_FALSE(exchange.TakeDatagram("\xFF\xFF\xFF\xFFstatusResponse\n", 20));
  EXPECT_TRUE(exchange.TakeDatagram(Print("Unknown command \"clientkick\"\n"), 20));
  exchange.Poll(20 + RconReplyJoiner::kQuietMs);
  EXPECT_EQ(SentName(exchange, 300), "clientkick 4");
  exchange.Poll(300 + RconExchange::kAnswerWaitMs);
  EXPECT_EQ(SentName(exchange, 2000), "status");
  exchange.Poll(2000 + RconExchange::kAnswerWaitMs);

  // What comes while nothing is open is no answer, not even the next one's.
  EXPECT_FALSE(exchange.TakeDatagram(Print("late "), 4000));
  EXPECT_EQ(SentName(exchange, 5000), "cmdlist");
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

// A request ends a quiet time after its answer's last datagram, or at once when
// the answer shows its own end (a status table and the blank line the engine
// prints after it, a command list and its count) so that a command behind it
// need not wait; with no answer begun within the wait, when the wait is over.
TEST(RconExchange, ARequestEndsWithItsWholeAnswerOrItsWait) {
  const uint32_t quiet = RconReplyJoiner::kQuietMs, wait = RconExchange::kAnswerWaitMs;
  const std::string heading =
      "map: oa_dm1\n"
      "cl score ping name            address                                 rate \n"
      "-- ----- ---- --------------- --------------------------------------- -----\n";
  const std::string table = heading + " 0     0    0 Sarge           ^7bot                                     16384\n";
  struct Case {
    const char* what;
    std::string verb;
    std::vector<std::pair<uint32_t, std::string>> datagrams;  // the tick each comes at, and its text
    uint32_t endsAt;  // the first poll that finds the request finished
  };
  const Case cases[] = {
      {"an answer, a quiet time after it", "clientkick", {{20, "Unknown command \"clientkick\"\n"}}, 20 + quiet},
      {"no answer", "clientkick", {}, wait},
      {"an answer begun within the wait", "status", {{1400, "map: a\n"}, {1600, "num score\n"}}, 1600 + quiet},
      {"a status and its blank line", "status", {{6, table + "\n"}}, 6},
      {"the blank line alone last", "status", {{6, table}, {7, "\n"}}, 7},
      {"no players", "status", {{6, heading + "\n"}}, 6},
      {"a status without it", "status", {{6, table}}, 6 + quiet},
      {"a refusal", "status", {{6, "Bad rconpassword.\n\n"}}, 6 + quiet},
      {"a command list", "cmdlist", {{6, "status\nmap\n"}, {7, "cmdlist\n59 commands\n"}}, 7},
      {"a list cut short", "cmdlist", {{6, "status\n59 commands\nmap\n"}}, 6 + quiet},
      {"a player's settings", "dumpuser", {{6, "userinfo\n--------\nname  Sarge\n\n"}}, 6 + quiet},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RconExchange exchange;
    exchange.QueuePoll(Command(c.verb));
    ASSERT_TRUE(exchange.NextToSend(0));
    std::string answer;
    uint32_t lastAt = 0;
    for (const auto& [at, text] : c.datagrams) {
      EXPECT_FALSE(exchange.Poll(at));
      exchange.TakeDatagram(Print(text), at);
      answer += text;
      lastAt = at;
    }
    if (c.endsAt > lastAt) {
      EXPECT_FALSE(exchange.Poll(c.endsAt - 1));
    }
    const auto done = exchange.Poll(c.endsAt);
    ASSERT_TRUE(done);
    EXPECT_EQ(done->answered, !c.datagrams.empty());
    EXPECT_EQ(Name(done->request), c.verb);
    EXPECT_EQ(done->reply.text, answer);
  }
}
