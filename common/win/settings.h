#pragma once
// The settings both programs keep under HKEY_CURRENT_USER\Software\Kestrun.
// These values are the only link between the launcher and the overlay: the
// launcher writes them, the overlay reads its own at start-up. Each value is
// named here once, with the kind it is stored as.
#include <cstdint>
#include <optional>
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
// Stored as a 32-bit number.
struct NumberSetting {
  const char* name;
};
// Stored as binary, sealed for the current Windows user: never in clear.
struct ProtectedSetting {
  const char* name;
};

// The launcher's fields, remembered for its next start.
inline constexpr TextSetting kPlayerName{"Player Name"};
inline constexpr TextSetting kServerAddress{"Server IP"};
inline constexpr TextSetting kServerPassword{"Server PWD"};
// Whether the start buttons start OpenMoHAA's starters rather than the
// original programs (where the game folder holds them).
inline constexpr FlagSetting kStartWithOpenMohaa{"Start With OpenMoHAA"};

// The overlay's settings: its inspection server, what its grid shows, its
// open key, and the map rotation of the last server whose status was asked.
inline constexpr TextSetting kInspectionServerAddress{"Mini IP"};
inline constexpr TextSetting kInspectionServerPort{"Mini Port"};
inline constexpr FlagSetting kShowAllPlayerData{"Mini ShowAll"};
inline constexpr FlagSetting kUseScrollLock{"Use Scroll Lock"};
inline constexpr TextSetting kMapList{"Mini MapList"};

// Which link the overlay takes to the server: the inspection server (also
// when the value is missing or unknown) or the game server's own remote
// console, at "Rcon Server" (host[:port]; empty: the launcher's server field).
enum class OverlayLink : int32_t { InspectionServer = 0, RemoteConsole = 1 };
inline constexpr NumberSetting kOverlayLink{"Mini Link"};
inline constexpr TextSetting kRconServer{"Rcon Server"};
inline constexpr ProtectedSetting kRconPassword{"Rcon Password"};

// The launcher's "Server List": the masters it asks (host[:port] entries;
// missing means the community's masters), and what the window showed last:
// its source (0 "Saved" to 3 "Breakthrough"), its sort (0 none, the column's
// number from 1, negative when the order is reversed) and its filters.
inline constexpr TextSetting kMasterServers{"Master Servers"};
inline constexpr NumberSetting kServerListSource{"Server List Source"};
inline constexpr NumberSetting kServerListSort{"Server List Sort"};
inline constexpr FlagSetting kServerListHideEmpty{"Server List Hide Empty"};
inline constexpr FlagSetting kServerListHideFull{"Server List Hide Full"};
inline constexpr FlagSetting kServerListHideNoReply{"Server List Hide No Reply"};

// Reads give "" and false for a missing key or value, or one of another kind;
// a number read as text gives its digits, a text holding a number counts as
// that number.
std::string Read(TextSetting setting);
bool Read(FlagSetting setting);
int32_t Read(NumberSetting setting);
OverlayLink ReadOverlayLink();
// "" for a missing value, one of another kind, or one that does not open for
// this user.
std::string Read(ProtectedSetting setting);
// Nothing when the value is missing; "" when it is there but empty.
std::optional<std::string> ReadIfPresent(TextSetting setting);

// Writes into the key when it exists; never creates it.
void Write(TextSetting setting, const std::string& text);
void Write(FlagSetting setting, bool on);
void Write(NumberSetting setting, int32_t number);
void Write(OverlayLink link);
// False when the text could not be sealed or stored; the clear text is never
// stored in its place.
bool Write(ProtectedSetting setting, const std::string& clear);

// Creates the key when it is missing; existing values are kept.
void CreateKey();

}  // namespace settings
