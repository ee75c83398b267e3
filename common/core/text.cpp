#include "common/core/text.h"

#include <algorithm>
#include <charconv>

std::string_view TrimBlanksView(std::string_view s) {
  const size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::string TrimBlanks(std::string_view s) { return std::string(TrimBlanksView(s)); }

std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::vector<std::string> SplitKeepEmpty(std::string_view s, char sep) {
  std::vector<std::string> pieces;
  // Sized once: a text of nothing but separators would otherwise need twice
  // the room while the list grows.
  pieces.reserve(static_cast<size_t>(std::count(s.begin(), s.end(), sep)) + 1);
  size_t start = 0;
  for (;;) {
    size_t pos = s.find(sep, start);
    if (pos == std::string_view::npos) {
      pieces.emplace_back(s.substr(start));
      return pieces;
    }
    pieces.emplace_back(s.substr(start, pos - start));
    start = pos + 1;
  }
}

bool ParseInt32(std::string_view s, int& out) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  if (s.empty()) return false;
  int value = 0;
  auto [end, err] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (err != std::errc() || end != s.data() + s.size()) return false;
  out = value;
  return true;
}
