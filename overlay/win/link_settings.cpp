#include "overlay/win/link_settings.h"

#include "common/core/text.h"

LinkSettings ReadLinkSettings() {
  LinkSettings read;
  read.link = settings::ReadOverlayLink();
  if (read.link != settings::OverlayLink::RemoteConsole) return read;
  RconLinkSettings& rcon = read.rcon;
  rcon.serverText = TrimBlanks(settings::Read(settings::kRconServer));
  if (rcon.serverText.empty()) rcon.serverText = TrimBlanks(settings::Read(settings::kServerAddress));
  rcon.server = ParseRconServer(rcon.serverText, "");
  rcon.password = settings::Read(settings::kRconPassword);
  return read;
}
