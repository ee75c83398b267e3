#pragma once
// The settings a probe depends on, stored by the probe itself: a fresh Wine
// prefix holds none, and what another program left behind must not decide a
// figure.
#include <windows.h>

#include <string>

#include "registry.h"

// The overlay on an inspection server at 127.0.0.1:port, showing all player
// data (only then does a dump pause) and opened with Print Screen.
inline void StoreOverlaySettings(int port) {
  using namespace mdlRegistry;
  MakeKey(HKEY_CURRENT_USER, kSettingsKey);
  StoreKeyValue(HKEY_CURRENT_USER, kSettingsKey, "Mini IP", std::string("127.0.0.1"), kText);
  StoreKeyValue(HKEY_CURRENT_USER, kSettingsKey, "Mini Port", std::to_string(port), kText);
  StoreKeyValue(HKEY_CURRENT_USER, kSettingsKey, "Mini ShowAll", int32_t{1}, kNumber);
  StoreKeyValue(HKEY_CURRENT_USER, kSettingsKey, "Use Scroll Lock", int32_t{0}, kNumber);
  StoreKeyValue(HKEY_CURRENT_USER, kSettingsKey, "Mini MapList", std::string("dm/mohdm1 dm/mohdm6"), kText);
}

// The game folder the launcher starts on, as the game itself records it.
inline void StoreGameFolder(const std::string& folder) {
  using namespace mdlRegistry;
  MakeKey(HKEY_CURRENT_USER, "Software\\2015\\MOHAA");
  StoreKeyValue(HKEY_CURRENT_USER, "Software\\2015\\MOHAA", "basepath", folder, kText);
}
