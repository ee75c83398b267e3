#pragma once
// The action window's map list, built from the "Mini MapList" setting.
#include <string>
#include <vector>

// Splits the text at commas and blanks, drops empty pieces, and labels the
// maps "A - " to "T - " (every map past the twentieth keeps "T - "), then
// adds the closing line "Z - Cancel".
std::vector<std::string> BuildMapLines(const std::string& mapList);
