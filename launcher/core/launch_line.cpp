#include "launcher/core/launch_line.h"

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

std::string BuildLaunchArgs(const LaunchFields& fields) {
  std::string args = " +developer 0 +name " + fields.name;
  // The password is only ever sent with a connect part, and before it.
  if (!fields.password.empty()) args += " +password " + Quote(fields.password);
  if (!fields.server.empty() || !fields.password.empty()) args += " +connect " + Quote(fields.server);
  args += " +set net_port " + fields.port + " " + Quote(fields.extra);
  return args;
}

std::string ProgramFile(GameEdition edition) {
  switch (edition) {
    case GameEdition::AlliedAssault:
      return "\\mohaa.exe";
    case GameEdition::Spearhead:
      return "\\moh_spearhead.exe";
    case GameEdition::Breakthrough:
      return "\\moh_breakthrough.exe";
  }
  return {};
}
