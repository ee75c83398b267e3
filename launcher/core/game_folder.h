#pragma once
// Where the game lives: the game's "basepath" value, settled into the folder
// the launcher works on.
#include <optional>
#include <string>
#include <string_view>

constexpr const char* kDefaultGameFolder = "c:\\program files\\ea games\\mohaa";

struct SettledFolder {
  std::string folder;                    // lower case, no trailing separator
  std::optional<std::string> writeBack;  // what to store back as "basepath", if anything
};

// A lower-case mapping of single-byte text.
using LowerCaseMapping = std::string (*)(std::string_view);

// Lower-cases the value with lower (the window code passes the system's ANSI
// mapping, so that "\xC4" becomes "\xE4" as Windows users expect); an empty
// value or one of the four short forms of the standard folder (drives c: to
// f:) becomes the long form and is written back; then one trailing "\" goes,
// and a path ending in "main" loses its last five characters (the separator
// and "main").
SettledFolder SettleGameFolder(const std::string& basepath, LowerCaseMapping lower);
