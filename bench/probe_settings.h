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
