#pragma once
// Which link the overlay takes and, for the remote console, where it is and
// its password: read once from the shared settings at the overlay's start.
#include <optional>
#include <string>

#include "common/win/settings.h"
#include "overlay/core/rcon_wire.h"

struct RconLinkSettings {
  // "Rcon Server" as stored, or the launcher's server field when it is empty:
  // named in the status line when it is not host[:port].
  std::string serverText;
  // None when serverText is not host[:port].
  std::optional<RconEndpoint> server;
  std::string password;  // "" when none is stored or it does not open
};

struct LinkSettings {
  settings::OverlayLink link = settings::OverlayLink::InspectionServer;
  // Read only for the remote console, so that no password is held otherwise.
  RconLinkSettings rcon;
};

LinkSettings ReadLinkSettings();
