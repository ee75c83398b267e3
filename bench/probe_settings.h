#pragma once
// The settings a probe depends on, stored by the probe itself: a fresh Wine
// prefix holds none, and what another program left behind must not decide a
// figure.
#include <windows.h>

#include <string>

#include "common/win/registry.h"
#include "common/win/settings.h"

// The overlay on an inspection server at 127.0.0.1:port, showing all player
// data (only then does a dump pause) and opened with Print Screen.
inline void StoreOverlaySettings(int port) {
  settings::CreateKey();
  // A remote-console probe before may have left the other link chosen.
  settings::Write(settings::OverlayLink::InspectionServer);
  settings::Write(settings::kInspectionServerAddress, "127.0.0.1");
  settings::Write(settings::kInspectionServerPort, std::to_string(port));
  settings::Write(settings::kShowAllPlayerData, true);
  settings::Write(settings::kUseScrollLock, false);
  settings::Write(settings::kMapList, "dm/mohdm1 dm/mohdm6");
}

// The game folder the launcher starts on, as the game itself records it.
inline void StoreGameFolder(const std::string& folder) {
  registry::MakeKey(HKEY_CURRENT_USER, "Software\\2015\\MOHAA");
  registry::StoreKeyValue(HKEY_CURRENT_USER, "Software\\2015\\MOHAA", "basepath", folder, registry::kText);
}

// The overlay on the remote console of a game server at 127.0.0.1:port.
inline bool StoreRconSettings(int port, const std::string& password) {
  StoreOverlaySettings(0);
  settings::Write(settings::OverlayLink::RemoteConsole);
  settings::Write(settings::kRconServer, "127.0.0.1:" + std::to_string(port));
  return settings::Write(settings::kRconPassword, password);
}
