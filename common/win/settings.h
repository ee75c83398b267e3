#pragma once
// The settings both programs keep under HKEY_CURRENT_USER\Software\Kestrun.
// These values are the only link between the launcher and the overlay: the
// launcher writes them, the overlay reads its own at start-up. Each value is
// named here once, with the kind it is stored as.
#include <string>

namespace settings {

// Stored as text.
struct TextSetting {
  const char* name;
};
// Stored as a 32-bit number; on when it reads 1.
struct FlagSetting {
  const char* name;
};

// The launcher's fields, remembered for its next start.
inline constexpr TextSetting kPlayerName{"Player Name"};
inline constexpr TextSetting kServerAddress{"Server IP"};
inline constexpr TextSetting kServerPassword{"Server PWD"};

// The overlay's settings: its inspection server, what its grid shows, its
// open key, and the map rotation of the last server whose status was asked.
inline constexpr TextSetting kInspectionServerAddress{"Mini IP"};
inline constexpr TextSetting kInspectionServerPort{"Mini Port"};
inline constexpr FlagSetting kShowAllPlayerData{"Mini ShowAll"};
inline constexpr FlagSetting kUseScrollLock{"Use Scroll Lock"};
inline constexpr TextSetting kMapList{"Mini MapList"};

// Reads give "" and false for a missing key or value, or one of another kind;
// a number read as text gives its digits, a text holding a number counts as
// that number.
std::string Read(TextSetting setting);
bool Read(FlagSetting setting);

// Writes into the key when it exists; never creates it.
void Write(TextSetting setting, const std::string& text);
void Write(FlagSetting setting, bool on);

// Creates the key when it is missing; existing values are kept.
void CreateKey();

}  // namespace settings
