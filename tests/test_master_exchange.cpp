#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/core/master_exchange.h"

using namespace std::string_literals;

namespace {

const GameSpyGame& kMohaa = kGameSpyGames[0];
const std::string kGreeting = "\\basic\\\\secure\\ABCDEF";

std::string Record(uint32_t address, uint16_t port) {
  const unsigned char bytes[6] = {static_cast<unsigned char>(address >> 24), static_cast<unsigned char>(address >> 16),
                                  static_cast<unsigned char>(address >> 8),  static_cast<unsigned char>(address),
                                  static_cast<unsigned char>(port >> 8),     static_cast<unsigned char>(port)};
  return std::string(reinterpret_cast<const char*>(bytes), 6);
}

std::string Records(uint32_t first, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += Record(first + static_cast<uint32_t>(i), static_cast<uint16_t>(12300 + i % 100));
  return out;
}

struct ExchangeRun {
  std::string sent;
  MasterOutcome outcome;
  std::vector<ListedServer> servers;
  size_t entriesRead;
};

// The greeting in one piece, over once quiet; the answer in pieces of the given size.
ExchangeRun Exchange(const std::string& greeting, const std::string& answer, bool closed, size_t piece,
                     ListForm form = ListForm::Compact) {
  MasterExchange exchange(kMohaa, form);
  ExchangeRun run;
  run.sent = exchange.Take(greeting, 0);
  run.sent += exchange.Tick(kGreetingQuietMs);
  for (size_t at = 0; at < answer.size(); at += piece) {
    EXPECT_EQ(exchange.Take(answer.substr(at, piece), 1000), "") << "one answer only";
  }
  if (closed) exchange.Closed();
  run.outcome = exchange.Outcome();
  run.servers = exchange.Servers();
  run.entriesRead = exchange.EntriesRead();
  return run;
}

}  // namespace

TEST(MasterListRequest, AnswersTheChallengeAndAsksForTheListInTheFormGiven) {
  EXPECT_EQ(MasterListRequest(kMohaa, "ABCDEF"),
            "\\gamename\\mohaa\\gamever\\1.11\\location\\0\\validate\\iA2tel80\\enctype\\0\\final\\\\queryid\\1.1\\"
            "\\list\\cmp\\gamename\\mohaa\\final\\");
  EXPECT_EQ(MasterListRequest(kGameSpyGames[1], "QWERTY"),
            "\\gamename\\mohaas\\gamever\\1.11\\location\\0\\validate\\3ToI8iGb\\enctype\\0\\final\\\\queryid\\1.1\\"
            "\\list\\cmp\\gamename\\mohaas\\final\\");
  EXPECT_EQ(MasterListRequest(kMohaa, "ABCDEF", ListForm::Text),
            "\\gamename\\mohaa\\gamever\\1.11\\location\\0\\validate\\iA2tel80\\enctype\\0\\final\\\\queryid\\1.1\\"
            "\\list\\\\gamename\\mohaa\\final\\");
}

TEST(MasterExchange, ReadsWhatAMasterSends) {
  const uint32_t local2 = 0x7F000002;
  // An address whose record starts like the end of the list.
  const std::string finalLike = "\\final";
  struct Case {
    const char* what;
    std::string greeting, answer;
    bool closed;
    MasterOutcome outcome;
    std::vector<ListedServer> servers;
    bool answered = true;
    ListForm form = ListForm::Compact;
  } cases[] = {
      {"two records", kGreeting, Records(local2, 2) + "\\final\\", true, MasterOutcome::List,
       {{local2, 12300}, {local2 + 1, 12301}}},
      {"more keys after the challenge", "\\basic\\\\secure\\ABCDEF\\enctype\\0\\final\\", "\\final\\", false,
       MasterOutcome::List, {}},
      {"a record that begins like the end", kGreeting, finalLike + Record(local2, 7) + "\\final\\", false,
       MasterOutcome::List, {{0x5C66696E, 0x616C}, {local2, 7}}},
      {"a record whose address reads \\ip\\", kGreeting, Record(0x5C69705C, 12300) + Record(local2, 1) + "\\final\\",
       false, MasterOutcome::List, {{0x5C69705C, 12300}, {local2, 1}}},
      {"bytes after the end", kGreeting, Record(local2, 1) + "\\final\\" + Record(local2, 2), false,
       MasterOutcome::List, {{local2, 1}}},
      {"the text form", kGreeting,
       "\\ip\\127.0.0.2:12300\\ip\\bad\\ip\\127.0.0.3:0\\note\\x\\ip\\127.0.0.4:12301\\final\\", false,
       MasterOutcome::List, {{local2, 12300}, {0x7F000004, 12301}}, true, ListForm::Text},
      {"a text entry too long", kGreeting, "\\ip\\" + std::string(40, '1') + "\\final\\", false,
       MasterOutcome::NotAList, {}, true, ListForm::Text},
      {"the text form closed after the answer", kGreeting, "", true, MasterOutcome::Refused, {}, true, ListForm::Text},
      {"half a record", kGreeting, Record(local2, 1) + "\x7F\x00\x00"s, true, MasterOutcome::ClosedEarly,
       {{local2, 1}}},
      {"no end yet", kGreeting, Record(local2, 1), false, MasterOutcome::Pending, {{local2, 1}}},
      {"closed after the answer", kGreeting, "", true, MasterOutcome::Refused, {}},
      {"closed in the greeting", "\\basic\\\\secu", "", true, MasterOutcome::ClosedEarly, {}, false},
      {"secure as a value", "\\motd\\secure\\x\\ABCDEF\\", "", true, MasterOutcome::ClosedEarly, {}, false},
      {"no greeting", "HTTP/1.0 200 OK\r\n", "", false, MasterOutcome::NotAList, {}, false},
      {"a short challenge", "\\secure\\ABC\\", "", false, MasterOutcome::NotAList, {}, false},
      {"a long challenge", "\\secure\\ABCDEFG", "", false, MasterOutcome::NotAList, {}, false},
      {"a long greeting", "\\motd\\" + std::string(1 << 20, 'x'), "", false, MasterOutcome::NotAList, {}, false},
  };
  for (const Case& c : cases) {
    for (size_t piece : {size_t{1}, size_t{5}, size_t{1} << 20}) {
      const ExchangeRun run = Exchange(c.greeting, c.answer, c.closed, piece, c.form);
      EXPECT_EQ(run.sent,
                c.answered ? MasterListRequest(kMohaa, c.greeting.substr(c.greeting.find("secure") + 7, 6), c.form) : "")
          << c.what;
      EXPECT_EQ(run.outcome, c.outcome) << c.what << ", pieces of " << piece;
      EXPECT_EQ(run.servers, c.servers) << c.what << ", pieces of " << piece;
    }
  }
}

TEST(MasterExchange, GreetingInAnyPiecesIsAnsweredOnce) {
  for (size_t cut = 0; cut <= kGreeting.size(); ++cut) {
    MasterExchange exchange(kMohaa);
    std::string sent = exchange.Take(kGreeting.substr(0, cut), 0);
    sent += exchange.Take(kGreeting.substr(cut), 0);
    sent += exchange.Tick(kGreetingQuietMs);
    EXPECT_EQ(sent, MasterListRequest(kMohaa, "ABCDEF")) << cut;
    EXPECT_EQ(exchange.Outcome(), MasterOutcome::Pending);
  }
}

TEST(MasterExchange, TheGreetingIsReadToItsEndBeforeTheAnswer) {
  struct Segment {
    uint32_t atMs;
    std::string bytes;
  };
  struct Case {
    const char* what;
    std::vector<Segment> greeting;
    uint32_t answeredAtMs;
  } cases[] = {
      {"keys after the challenge in a later segment", {{0, kGreeting}, {40, "\\enctype\\0\\queryid\\1.1"}}, 140},
      {"the end marker in a later segment", {{0, kGreeting}, {30, "\\enctype\\0\\final\\"}}, 30},
      {"a greeting without an end marker", {{0, kGreeting}}, 100},
  };
  for (const Case& c : cases) {
    MasterExchange exchange(kMohaa);
    std::string sent;
    uint32_t sentAtMs = 0;
    size_t next = 0;
    // Time runs in steps of 10 ms, as a timer would tick.
    for (uint32_t now = 0; now <= 400; now += 10) {
      const bool arrives = next < c.greeting.size() && c.greeting[next].atMs == now;
      const std::string out = arrives ? exchange.Take(c.greeting[next++].bytes, now) : exchange.Tick(now);
      if (!out.empty() && sent.empty()) sentAtMs = now;
      sent += out;
    }
    EXPECT_EQ(sent, MasterListRequest(kMohaa, "ABCDEF")) << c.what;
    EXPECT_EQ(sentAtMs, c.answeredAtMs) << c.what;
    exchange.Take(Record(0x7F000002, 12300) + "\\final\\", 500);
    EXPECT_EQ(exchange.Outcome(), MasterOutcome::List) << c.what;
    EXPECT_EQ(exchange.Servers(), (std::vector<ListedServer>{{0x7F000002, 12300}})) << c.what;
  }
}

TEST(MasterExchange, HugeAnswersKeepAtMostTheLimit) {
  struct Case {
    const char* what;
    std::string answer;
    MasterOutcome outcome;
    size_t kept, read;
  } cases[] = {
      {"100,000 records", Records(0x0A000000, 100000) + "\\final\\", MasterOutcome::List, kMaxListedServers, 100000},
      {"1 MiB of garbage", std::string(1 << 20, '\xA5'), MasterOutcome::ClosedEarly, kMaxListedServers,
       (1 << 20) / 6},
      {"6 MiB of garbage", std::string((6 << 20) + 6, '\x01') + "\\final\\", MasterOutcome::NotAList, kMaxListedServers,
       (size_t{1} << 20) + 1},
  };
  for (const Case& c : cases) {
    const ExchangeRun run = Exchange(kGreeting, c.answer, true, 4096);
    EXPECT_EQ(run.outcome, c.outcome) << c.what;
    EXPECT_EQ(run.servers.size(), c.kept) << c.what;
    EXPECT_EQ(run.entriesRead, c.read) << c.what;
  }
}
