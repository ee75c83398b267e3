#include <gtest/gtest.h>

#include "overlay/core/rcon_health.h"

namespace {

// One finished request: "P" a poll answered, "p" a poll unanswered, "c" a
// command unanswered, "q" a status query unanswered, "B" a refused password,
// "N" no password on the server.
FinishedRequest Event(char code) {
  FinishedRequest f;
  f.request.kind = code == 'c' ? RequestKind::Command : code == 'q' ? RequestKind::StatusQuery : RequestKind::Poll;
  f.answered = code == 'P' || code == 'B' || code == 'N';
  if (code == 'B') f.reply.text = "Bad rconpassword.\n";
  if (code == 'N') f.reply.text = "No rconpassword set on the server.\n";
  return f;
}

}  // namespace

TEST(RconHealth, GreenWhileAnsweringRedAfterThreeMissedPollsOrABadPassword) {
  struct Case {
    std::string events;
    LinkHealth state;
    std::string statusText;
  };
  const Case cases[] = {
      {"", LinkHealth::Waiting, ""},
      {"P", LinkHealth::Answering, ""},
      {"Ppp", LinkHealth::Answering, ""},
      {"Pppp", LinkHealth::Silent, kNoAnswerMessage},
      {"qqq", LinkHealth::Silent, kNoAnswerMessage},
      {"PppPpp", LinkHealth::Answering, ""},
      {"Pccccc", LinkHealth::Answering, ""},
      {"ppcp", LinkHealth::Silent, kNoAnswerMessage},
      {"PpppP", LinkHealth::Answering, ""},
      {"PB", LinkHealth::BadPassword, kBadPasswordMessage},
      {"BP", LinkHealth::Answering, ""},
      {"N", LinkHealth::NoPassword, kNoPasswordMessage},
  };
  for (const Case& c : cases) {
    RconHealth health;
    for (char code : c.events) health.Finished(Event(code));
    EXPECT_EQ(health.State(), c.state) << c.events;
    EXPECT_EQ(health.StatusText(), c.statusText) << c.events;
    EXPECT_EQ(health.Green(), c.state == LinkHealth::Answering) << c.events;
    EXPECT_EQ(health.Red(), !c.statusText.empty()) << c.events;
  }
}
