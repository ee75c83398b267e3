#include <gtest/gtest.h>

#include <set>

#include "launcher/core/openmohaa.h"

namespace {

std::set<std::string> presentFiles;
bool Present(const std::string& path) { return presentFiles.count(path) > 0; }

constexpr const char* kFolder = "d:\\games\\mohaa";

std::string InFolder(const char* file) { return std::string(kFolder) + file; }

}  // namespace

TEST(OpenMohaa, EachButtonRunsTheChosenProgram) {
  const std::set<std::string> starters{InFolder("\\launch_openmohaa_base.exe"),
                                       InFolder("\\launch_openmohaa_spearhead.exe"),
                                       InFolder("\\launch_openmohaa_breakthrough.exe")};
  const std::set<std::string> engineOnly{InFolder("\\openmohaa.exe")};
  std::set<std::string> engineAndBase = engineOnly;
  engineAndBase.insert(InFolder("\\launch_openmohaa_base.exe"));
  struct Case {
    const char* what;
    std::set<std::string> files;
    GameEdition edition;
    bool openMohaa;
    const char* file;
    const char* before;
  };
  const Case cases[] = {
      {"choice off", starters, GameEdition::AlliedAssault, false, "\\mohaa.exe", ""},
      {"base starter", starters, GameEdition::AlliedAssault, true, "\\launch_openmohaa_base.exe", ""},
      {"spearhead starter", starters, GameEdition::Spearhead, true, "\\launch_openmohaa_spearhead.exe", ""},
      {"breakthrough starter", starters, GameEdition::Breakthrough, true, "\\launch_openmohaa_breakthrough.exe", ""},
      {"starter beside the engine", engineAndBase, GameEdition::AlliedAssault, true, "\\launch_openmohaa_base.exe",
       ""},
      {"spearhead on the engine", engineAndBase, GameEdition::Spearhead, true, "\\openmohaa.exe",
       " +set com_target_game 1"},
      {"breakthrough on the engine", engineOnly, GameEdition::Breakthrough, true, "\\openmohaa.exe",
       " +set com_target_game 2"},
      {"nothing there: the starter, which fails on its own", {}, GameEdition::Spearhead, true,
       "\\launch_openmohaa_spearhead.exe", ""},
  };
  for (const Case& c : cases) {
    presentFiles = c.files;
    const StartProgram got = ChooseStartProgram(c.edition, c.openMohaa, kFolder, Present);
    EXPECT_EQ(got.file, c.file) << c.what;
    EXPECT_EQ(got.argumentsBefore, c.before) << c.what;
  }
  EXPECT_EQ(TargetGameArgument(GameEdition::AlliedAssault), " +set com_target_game 0");
  EXPECT_EQ(ChooseStartProgram(static_cast<GameEdition>(7), true, kFolder, Present).file, "");
}

TEST(OpenMohaa, InstalledWhenAStarterOrTheEngineIsThere) {
  struct Case {
    std::set<std::string> files;
    std::string folder;
    bool installed;
  };
  const Case cases[] = {
      {{}, kFolder, false},
      {{InFolder("\\mohaa.exe")}, kFolder, false},
      {{InFolder("\\launch_openmohaa_breakthrough.exe")}, kFolder, true},
      {{InFolder("\\openmohaa.exe")}, kFolder, true},
      {{"\\openmohaa.exe"}, "", false},  // an empty field is no folder
  };
  for (const Case& c : cases) {
    presentFiles = c.files;
    EXPECT_EQ(OpenMohaaInstalled(c.folder, Present), c.installed) << (c.files.empty() ? "" : *c.files.begin());
  }
}

TEST(OpenMohaa, HelpTextNamesTheProgramThatWillRun) {
  struct Case {
    StartProgram program;
    const char* text;
  };
  const Case cases[] = {
      {{"\\moh_spearhead.exe", ""}, "Start SpearHead"},
      {{"\\launch_openmohaa_spearhead.exe", ""}, "Start SpearHead with OpenMoHAA (launch_openmohaa_spearhead.exe)"},
      {{"\\openmohaa.exe", " +set com_target_game 1"}, "Start SpearHead with OpenMoHAA (openmohaa.exe)"},
  };
  for (const Case& c : cases) EXPECT_EQ(StartHelpText(GameEdition::Spearhead, "Start SpearHead", c.program), c.text);
}

// The home folder holds only the data folders: the game folder's root and
// installer entries do not apply there, and "\mainta" is not inside "\main".
TEST(OpenMohaa, TheHomeTableIsTheDataFoldersPartOfTheTable) {
  const std::vector<ExtensionEntry> table = HomeExtensionTable();
  EXPECT_EQ(table.size(), 22u);
  std::set<std::string> folders;
  for (const ExtensionEntry& entry : table) folders.insert(entry.folder);
  for (const char* inside : {"\\main\\", "\\main\\maps", "\\main\\screenshots\\", "\\mainta\\", "\\maintt\\maps\\obj"}) {
    EXPECT_EQ(folders.count(inside), 1u) << inside;
  }
  for (const char* outside : {"\\", "\\ereg\\", "\\ereg MOHAAS\\", "\\Redist\\gamespy\\"}) {
    EXPECT_EQ(folders.count(outside), 0u) << outside;
  }
}

TEST(OpenMohaa, PathsInsideTheHomeFolder) {
  const std::string home = "C:\\Users\\Baker\\AppData\\Roaming\\openmohaa";
  struct Case {
    std::string path;
    bool inside;
  };
  const Case cases[] = {
      {home + "\\main\\zz.pk3", true},
      {"c:\\users\\baker\\appdata\\roaming\\OPENMOHAA\\mainta\\x.pk3", true},
      {home + "/main/zz.pk3", true},
      {home + "2\\main\\zz.pk3", false},
      {home, false},
      {home + "\\", false},
      {"d:\\games\\mohaa\\main\\zz.pk3", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsInsideFolder(c.path, home), c.inside) << c.path;
}
