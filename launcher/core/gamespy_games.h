#pragma once
// The three games as the masters know them, and the answer to a master's
// challenge that proves a client or server knows its game's key.
// Platform-free.
#include <string>
#include <string_view>

struct GameSpyGame {
  const char* shownName;  // the source's name in the server list
  const char* gameName;   // "gamename" on the wire
  const char* key;        // six characters, used only for the challenge answer
};

constexpr GameSpyGame kGameSpyGames[] = {
    {"Allied Assault", "mohaa", "M5Fdwc"},
    {"Spearhead", "mohaas", "h2P1c9"},
    {"Breakthrough", "mohaab", "y32FDc"},
};

// The game of a "gamename" value; nullptr for one we do not know.
const GameSpyGame* FindGameSpyGame(std::string_view gameName);

enum class ChallengeEncoding { Plain, Keyed };  // "enctype" 0 and 2

// The eight characters of "validate" for a six-character challenge; empty
// when the challenge or key is not six bytes.
std::string ChallengeAnswer(std::string_view gameKey, std::string_view challenge,
                            ChallengeEncoding encoding = ChallengeEncoding::Plain);
