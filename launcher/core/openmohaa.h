#pragma once
// Starting the games with OpenMoHAA, the open-source engine many players use
// today: its three starters (one per game) sit in the game folder beside the
// original programs, and it reads add-on archives from a home folder of its
// own as well as from the game folder.
#include <string>
#include <string_view>
#include <vector>

#include "launcher/core/extension_table.h"
#include "launcher/core/launch_line.h"

// The Tools menu entry of the choice.
constexpr const char* kOpenMohaaMenuEntry = "Start with OpenMoHAA";

// The engine the starters run, when a starter itself is missing.
constexpr const char* kOpenMohaaEngine = "\\openmohaa.exe";

// The starter of an edition, with its leading backslash; empty for a value
// that is no edition.
std::string StarterFile(GameEdition edition);

// The engine's own argument choosing the game: " +set com_target_game N",
// N being 0, 1 or 2; empty for a value that is no edition.
std::string TargetGameArgument(GameEdition edition);

// The data folders the engine reads in its home folder, one per game.
constexpr const char* kHomeDataFolders[] = {"main", "mainta", "maintt"};

using FileProbe = bool (*)(const std::string& path);

// What the game folder holds of OpenMoHAA's programs, looked for at once. The
// window keeps it and looks again only when the folder changes, a menu opens
// or a game starts: on a sleeping or network drive each look can take
// seconds, which a look at every mouse move would add to the window's moves.
struct OpenMohaaFiles {
  bool starters[3] = {};  // by GameEdition
  bool engine = false;
};

// Nothing for an empty folder field, which names no folder.
OpenMohaaFiles FindOpenMohaaFiles(const std::string& gameFolder, FileProbe isFile);

// True when the game folder holds one of the starters or the engine, so that
// a start button can start OpenMoHAA.
bool OpenMohaaInstalled(const OpenMohaaFiles& files);

// What a start button runs: a program file (appended to the game folder) and
// the text put before the game's own arguments.
struct StartProgram {
  std::string file;
  std::string argumentsBefore;
};

// With OpenMoHAA off, the original program. With it on, the edition's
// starter; when that is missing but the engine is there, the engine with the
// game chosen first. When neither is there the starter is still asked for, as
// a missing original program is: the start request fails on its own.
StartProgram ChooseStartProgram(GameEdition edition, bool openMohaa, const OpenMohaaFiles& files);

// The help line's text for a start button: the original text, or, with
// OpenMoHAA, the same naming the program file that will run.
std::string StartHelpText(GameEdition edition, const std::string& originalText, const StartProgram& program);

// The home folder's part of the extension table: the entries inside the
// three data folders. The game folder's own root and its installers' folders
// have no counterpart there.
std::vector<ExtensionEntry> HomeExtensionTable();

// True when path lies inside folder (given without its final separator),
// letters compared without case as Windows compares paths.
bool IsInsideFolder(std::string_view path, std::string_view folder);
