#pragma once
// The platform-free rules of the checks before a launch.
#include <string>
#include <string_view>
#include <vector>

// Position (counted from 1) of the first character of a server address that is
// not a digit, "." or ":"; 0 when every character is accepted (an empty
// address included). Only single characters are judged, not address parts.
int FirstBadAddressCharacter(std::string_view address);

// The message for an address whose first bad character is at position.
std::string BadAddressMessage(int position);

// True when text belongs in a remembered list: it is not blank, and no entry
// equals it once blanks are trimmed from both sides (case counts).
bool IsNewListEntry(const std::vector<std::string>& list, const std::string& text);

// The name as Spearhead takes it: every blank replaced by an underscore.
std::string SpearheadName(std::string name);

// True for a path that names its drive or share ("C:\..." or "\\server\...",
// with "/" taken for "\" as Windows takes it).
// Disable-list entries are full paths; a relative one would depend on the
// folder the launcher happens to run in, so it is passed over.
bool IsFullPath(std::string_view path);
