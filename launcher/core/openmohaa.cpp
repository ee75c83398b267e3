#include "launcher/core/openmohaa.h"

#include "common/core/text.h"

std::string StarterFile(GameEdition edition) {
  switch (edition) {
    case GameEdition::AlliedAssault:
      return "\\launch_openmohaa_base.exe";
    case GameEdition::Spearhead:
      return "\\launch_openmohaa_spearhead.exe";
    case GameEdition::Breakthrough:
      return "\\launch_openmohaa_breakthrough.exe";
  }
  return {};
}

std::string TargetGameArgument(GameEdition edition) {
  switch (edition) {
    case GameEdition::AlliedAssault:
      return " +set com_target_game 0";
    case GameEdition::Spearhead:
      return " +set com_target_game 1";
    case GameEdition::Breakthrough:
      return " +set com_target_game 2";
  }
  return {};
}

namespace {
constexpr GameEdition kEditions[] = {GameEdition::AlliedAssault, GameEdition::Spearhead, GameEdition::Breakthrough};
}  // namespace

OpenMohaaFiles FindOpenMohaaFiles(const std::string& gameFolder, FileProbe isFile) {
  OpenMohaaFiles files;
  if (gameFolder.empty()) return files;
  for (GameEdition edition : kEditions) {
    files.starters[static_cast<int>(edition)] = isFile(gameFolder + StarterFile(edition));
  }
  files.engine = isFile(gameFolder + kOpenMohaaEngine);
  return files;
}

bool OpenMohaaInstalled(const OpenMohaaFiles& files) {
  for (bool starter : files.starters) {
    if (starter) return true;
  }
  return files.engine;
}

StartProgram ChooseStartProgram(GameEdition edition, bool openMohaa, const OpenMohaaFiles& files) {
  if (!openMohaa) return {ProgramFile(edition), ""};
  const std::string starter = StarterFile(edition);
  if (starter.empty()) return {};
  if (!files.starters[static_cast<int>(edition)] && files.engine) return {kOpenMohaaEngine, TargetGameArgument(edition)};
  return {starter, ""};
}

std::string StartHelpText(GameEdition edition, const std::string& originalText, const StartProgram& program) {
  if (program.file.empty() || program.file == ProgramFile(edition)) return originalText;
  return originalText + " with OpenMoHAA (" + program.file.substr(1) + ")";
}

std::vector<ExtensionEntry> HomeExtensionTable() {
  std::vector<ExtensionEntry> table;
  for (const ExtensionEntry& entry : kExtensionTable) {
    const std::string_view folder = entry.folder;
    for (const char* data : kHomeDataFolders) {
      const std::string prefix = std::string("\\") + data;
      // "\main\maps" and "\main\" belong; "\mainta\" is not inside "\main".
      const bool inside = folder.substr(0, prefix.size()) == prefix &&
                          (folder.size() == prefix.size() || folder[prefix.size()] == '\\');
      if (inside) {
        table.push_back(entry);
        break;
      }
    }
  }
  return table;
}

bool IsInsideFolder(std::string_view path, std::string_view folder) {
  if (folder.empty() || path.size() <= folder.size() + 1) return false;
  const char separator = path[folder.size()];
  return (separator == '\\' || separator == '/') && LowerCase(path.substr(0, folder.size())) == LowerCase(folder);
}
