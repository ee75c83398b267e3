#pragma once
// Switching add-on files off and on by their extension: a live file "x.pk3"
// is switched off as "x.pkb" (last character replaced by "b"). The table says
// where the launcher looks for switched-off files to switch back on.
#include <array>
#include <string>

struct ExtensionEntry {
  const char* folder;  // appended to the game folder
  const char* from;    // switched-off extension
  const char* to;      // live extension
};

// Applied in this order at start-up and at shutdown.
extern const std::array<ExtensionEntry, 30> kExtensionTable;

// The name without its last dot and what follows ("zz.mod.pkb" gives "zz.mod";
// a name without a dot is returned whole).
std::string BaseName(const std::string& fileName);

// True when the text after the name's last dot equals ext, ignoring letter case.
bool HasExtension(const std::string& fileName, const std::string& ext);

// The switched-off form of a path: its last character replaced by "b".
// An empty path stays empty.
std::string SwitchedOffPath(const std::string& path);
