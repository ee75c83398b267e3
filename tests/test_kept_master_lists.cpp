#include <gtest/gtest.h>

#include <vector>

#include "launcher/core/kept_master_lists.h"

// Each case keeps mohaa's list (port 1) from masters "one" at 1000 ms, maybe
// one more (port 2), then asks.
TEST(KeptMasterLists, ServesAGamesListForAMinuteFromTheSameMastersOnly) {
  const std::vector<MasterAddress> one{{"127.0.0.1", 28900}}, other{{"127.0.0.1", 28901}};
  struct Case {
    const char* what;
    size_t answered;
    const char* secondGame;  // nullptr: no second keep, "": Forget
    bool secondFromOther;
    const char* game;
    bool askOther;
    uint32_t atMs;
    int servedPort;  // 0: none served
  } cases[] = {
      {"within the minute", 1, nullptr, false, "mohaa", false, 60999, 1},
      {"a minute on", 1, nullptr, false, "mohaa", false, 61000, 0},
      {"no master answered", 0, nullptr, false, "mohaa", false, 2000, 0},
      {"another game", 1, nullptr, false, "mohaas", false, 2000, 0},
      {"other masters", 1, nullptr, false, "mohaa", true, 2000, 0},
      {"back from other masters", 1, "mohaas", true, "mohaa", false, 2000, 0},
      {"the game's newer list", 1, "mohaa", false, "mohaa", false, 2000, 2},
      {"forgotten", 1, "", false, "mohaa", false, 2000, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    KeptMasterLists kept;
    kept.Keep("mohaa", one, {{{0x7F000001, 1}}, 2, c.answered}, 1000);
    if (c.secondGame && *c.secondGame) kept.Keep(c.secondGame, c.secondFromOther ? other : one, {{{0x7F000001, 2}}, 2, 1}, 1500);
    if (c.secondGame && !*c.secondGame) kept.Forget();
    const KeptMasterList* found = kept.Find(c.game, c.askOther ? other : one, c.atMs);
    EXPECT_EQ(found ? found->servers[0].queryPort : 0, c.servedPort);
  }
  KeptMasterLists wrapped;
  wrapped.Keep("mohaa", one, {{}, 1, 1}, 0xFFFFF000u);
  EXPECT_NE(wrapped.Find("mohaa", one, 0x1000), nullptr) << "across the clock's wrap";
}
