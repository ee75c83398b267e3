#pragma once
// The game's command line and program file, built from the main window's
// fields exactly as they stand.
#include <string>

// The three games the launcher starts.
enum class GameEdition { AlliedAssault, Spearhead, Breakthrough };

// The pieces of a start request, each as the window holds it.
struct LaunchFields {
  std::string name;      // the player name, already in double quotes
  std::string server;    // may carry ":" and a port
  std::string password;
  std::string port;      // outgoing port; may be empty
  std::string extra;     // extra command-line entries; may be empty
};

// The text in double quotes. Nothing inside is escaped: the game takes the
// text between the quotes as it stands.
std::string Quote(const std::string& text);

// " +developer 0 +name NAME", then " +password PWD" when a password is given
// and " +connect IP" when a server or a password is given, then
// " +set net_port PORT" and " " + the quoted extra entries. The port and extra
// parts are never left out, even when empty.
std::string BuildLaunchArgs(const LaunchFields& fields);

// The program file of an edition, with its leading backslash; empty for a
// value that is no edition.
std::string ProgramFile(GameEdition edition);
