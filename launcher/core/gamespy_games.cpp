#include "launcher/core/gamespy_games.h"

#include <cstdint>
#include <utility>

namespace {

constexpr size_t kChallengeSize = 6;

char Base64Character(unsigned value) {
  constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  return kAlphabet[value & 63];
}

}  // namespace

const GameSpyGame* FindGameSpyGame(std::string_view gameName) {
  for (const GameSpyGame& game : kGameSpyGames) {
    if (gameName == game.gameName) return &game;
  }
  return nullptr;
}

std::string ChallengeAnswer(std::string_view gameKey, std::string_view challenge, ChallengeEncoding encoding) {
  if (gameKey.size() != kChallengeSize || challenge.size() != kChallengeSize) return {};
  // A table of all byte values, shuffled by the key.
  uint8_t table[256];
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(i);
  uint8_t a = 0;
  for (int j = 0; j < 256; ++j) {
    a = static_cast<uint8_t>(a + table[j] + static_cast<uint8_t>(gameKey[j % kChallengeSize]));
    std::swap(table[a], table[j]);
  }
  // The challenge mixed with a stream drawn from that table.
  uint8_t mixed[kChallengeSize];
  a = 0;
  uint8_t b = 0;
  for (size_t i = 0; i < kChallengeSize; ++i) {
    const uint8_t s = static_cast<uint8_t>(challenge[i]);
    a = static_cast<uint8_t>(a + s + 1);
    const uint8_t x = table[a];
    b = static_cast<uint8_t>(b + x);
    const uint8_t y = table[b];
    table[b] = x;
    table[a] = y;
    mixed[i] = static_cast<uint8_t>(s ^ table[static_cast<uint8_t>(x + y)]);
  }
  if (encoding == ChallengeEncoding::Keyed) {
    for (size_t i = 0; i < kChallengeSize; ++i) mixed[i] ^= static_cast<uint8_t>(gameKey[i]);
  }
  std::string answer;
  for (size_t i = 0; i < kChallengeSize; i += 3) {
    const unsigned x = mixed[i], y = mixed[i + 1], z = mixed[i + 2];
    answer += Base64Character(x >> 2);
    answer += Base64Character(((x & 3) << 4) | (y >> 4));
    answer += Base64Character(((y & 15) << 2) | (z >> 6));
    answer += Base64Character(z);
  }
  return answer;
}
