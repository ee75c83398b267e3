#include <gtest/gtest.h>

#include <string>

#include "launcher/core/gamespy_games.h"

TEST(ChallengeAnswer, MatchesTheKnownAnswers) {
  struct Case {
    const char* key;
    const char* challenge;
    ChallengeEncoding encoding;
    const char* answer;
  } cases[] = {
      {"M5Fdwc", "ABCDEF", ChallengeEncoding::Plain, "iA2tel80"},
      {"M5Fdwc", "OZTBFU", ChallengeEncoding::Plain, "5Aqqgg8K"},
      {"h2P1c9", "QWERTY", ChallengeEncoding::Plain, "3ToI8iGb"},
      {"y32FDc", "ZZZZZZ", ChallengeEncoding::Plain, "Mj3eI4k0"},
      {"M5Fdwc", "ABCDEF", ChallengeEncoding::Keyed, "xTjrHihX"},
      // What cannot be answered gets no answer rather than one of a wrong length.
      {"M5Fdwc", "ABCDE", ChallengeEncoding::Plain, ""},
      {"M5Fdwc", "ABCDEFG", ChallengeEncoding::Plain, ""},
      {"M5Fdw", "ABCDEF", ChallengeEncoding::Plain, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChallengeAnswer(c.key, c.challenge, c.encoding), c.answer) << c.key << " " << c.challenge;
  }
}

TEST(GameSpyGames, TheThreeGamesWithTheirKeys) {
  struct Case {
    const char* gameName;
    const char* shownName;
    const char* key;
  } cases[] = {
      {"mohaa", "Allied Assault", "M5Fdwc"},
      {"mohaas", "Spearhead", "h2P1c9"},
      {"mohaab", "Breakthrough", "y32FDc"},
  };
  for (const Case& c : cases) {
    const GameSpyGame* game = FindGameSpyGame(c.gameName);
    ASSERT_NE(game, nullptr) << c.gameName;
    EXPECT_STREQ(game->shownName, c.shownName);
    EXPECT_STREQ(game->key, c.key);
  }
  for (const char* unknown : {"", "MOHAA", "mohaa ", "moha", "q3"}) EXPECT_EQ(FindGameSpyGame(unknown), nullptr) << unknown;
}
