#include <gtest/gtest.h>

#include "overlay/core/rcon_reply.h"

namespace {

std::string Q3(const std::string& text) { return "\xFF\xFF\xFF\xFFprint\n" + text; }
std::string AA(const std::string& text) { return "\xFF\xFF\xFF\xFF\x01print\n" + text; }

// A datagram at a tick, or (empty datagram) a poll at a tick.
struct Step {
  uint32_t at;
  std::string datagram;
};

// The replies that came out of the polls, each with the poll's step time, "|"-separated.
std::string JoinedReplies(const std::vector<Step>& steps, uint32_t start = 1000) {
  RconReplyJoiner joiner;
  std::string out;
  for (const Step& s : steps) {
    if (!s.datagram.empty()) {
      joiner.TakeDatagram(s.datagram, start + s.at);
    } else if (auto reply = joiner.Poll(start + s.at)) {
      out += (out.empty() ? "" : "|") + reply->text + "@" + std::to_string(s.at);
    }
  }
  return out;
}

}  // namespace

TEST(RconReplyJoiner, ReplyIsWholeAfterTheQuietTime) {
  struct Case {
    const char* what;
    std::vector<Step> steps;
    uint32_t start;
    std::string replies;
  };
  const Case cases[] = {
      {"joined in order", {{0, Q3("map: a\n")}, {5, Q3("row 1\n")}, {254, {}}, {255, {}}}, 1000, "map: a\nrow 1\n@255"},
      {"either form", {{0, AA("one ")}, {1, Q3("two")}, {300, {}}}, 1000, "one two@300"},
      {"not before quiet", {{0, Q3("x")}, {100, Q3("y")}, {349, {}}}, 1000, ""},
      {"nothing came", {{500, {}}}, 1000, ""},
      {"others are not joined",
       {{0, "\xFF\xFF\xFF\xFFstatusResponse\n\\a\\b"}, {1, "garbage"}, {2, Q3("x")}, {300, {}}},
       1000,
       "x@300"},
      {"flood ends", {{0, Q3("a")}, {200, Q3("b")}, {400, Q3("c")}, {600, Q3("d")}, {800, Q3("e")}, {1000, Q3("f")},
                      {1200, Q3("g")}, {1400, Q3("h")}, {1600, Q3("i")}, {1800, Q3("j")}, {2000, {}}},
       1000, "abcdefghij@2000"},
      {"next reply starts its own time",
       {{0, Q3("a")}, {300, {}}, {5000, Q3("b")}, {5100, {}}, {5250, {}}},
       1000,
       "a@300|b@5250"},
      {"tick wrap", {{0, Q3("a")}, {100, {}}, {250, {}}}, 0xFFFFFF80u, "a@250"},
  };
  for (const Case& c : cases) EXPECT_EQ(JoinedReplies(c.steps, c.start), c.replies) << c.what;
}

TEST(RconReplyJoiner, HugeDatagramsAreCutAtAWholeLine) {
  RconReplyJoiner joiner;
  const std::string rows = "row 12\n";
  std::string big;
  while (big.size() < 65507) big += rows;  // the largest UDP datagram
  for (uint32_t t = 0; t < 20; ++t) ASSERT_TRUE(joiner.TakeDatagram(Q3(big), t));
  joiner.TakeDatagram(Q3("z\n"), 20);  // would fit after the cut, but follows a gap
  const auto reply = joiner.Poll(400);
  ASSERT_TRUE(reply);
  EXPECT_TRUE(reply->cut);
  EXPECT_LE(reply->text.size(), RconReplyJoiner::kMaxReplyBytes);
  EXPECT_GT(reply->text.size(), RconReplyJoiner::kMaxReplyBytes - rows.size());
  EXPECT_EQ(reply->text.back(), '\n');
  EXPECT_EQ(reply->text.find('z'), std::string::npos);
  EXPECT_EQ(reply->text.size() % rows.size(), 0u);

  joiner.TakeDatagram(Q3("after"), 1000);  // the next reply is not cut
  const auto next = joiner.Poll(2000);
  ASSERT_TRUE(next);
  EXPECT_EQ(next->text, "after");
  EXPECT_FALSE(next->cut);
}
