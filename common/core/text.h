#pragma once
// Small text helpers shared by both programs. Texts are single-byte ANSI.
#include <string>
#include <string_view>
#include <vector>

// Removes leading and trailing blanks (character 32 only; tabs and line ends stay).
std::string TrimBlanks(std::string_view s);

// The same, as a view into s (no copy).
std::string_view TrimBlanksView(std::string_view s);

// ASCII lower case; other bytes are left as they are.
std::string LowerCase(std::string_view s);

// Splits at every occurrence of sep, keeping empty pieces ("a,,b" gives three).
std::vector<std::string> SplitKeepEmpty(std::string_view s, char sep);

// Parses an optionally signed decimal integer that fills the whole text and fits
// in 32 bits. Returns false for anything else.
bool ParseInt32(std::string_view s, int& out);
