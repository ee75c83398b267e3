#include <gtest/gtest.h>

#include <set>

#include "launcher/core/openmohaa.h"

namespace {
std::set<std::string> presentFiles;
bool Present(const std::string& path) { return presentFiles.count(path) > 0; }
}  // namespace

// What the Windows tests do not reach: the engine beside a starter, nothing
// there at all, and a folder field that is empty.
TEST(OpenMohaa, ChoosesTheStarterThenTheEngine) {
  const std::string base = "d:\\mohaa\\launch_openmohaa_base.exe", engine = "d:\\mohaa\\openmohaa.exe";
  struct Case {
    std::set<std::string> files;
    GameEdition edition;
    const char *file, *before;
    bool installed;
  };
  const Case cases[] = {
      {{base, engine}, GameEdition::AlliedAssault, "\\launch_openmohaa_base.exe", "", true},
      {{base, engine}, GameEdition::Spearhead, "\\openmohaa.exe", " +set com_target_game 1", true},
      {{engine}, GameEdition::AlliedAssault, "\\openmohaa.exe", " +set com_target_game 0", true},
      {{"d:\\mohaa\\mohaa.exe"}, GameEdition::Breakthrough, "\\launch_openmohaa_breakthrough.exe", "", false},
  };
  for (const Case& c : cases) {
    presentFiles = c.files;
    const StartProgram got = ChooseStartProgram(c.edition, true, "d:\\mohaa", Present);
    EXPECT_EQ(got.file, c.file);
    EXPECT_EQ(got.argumentsBefore, c.before) << c.file;
    EXPECT_EQ(OpenMohaaInstalled("d:\\mohaa", Present), c.installed) << c.file;
  }
  presentFiles = {"\\openmohaa.exe"};
  EXPECT_FALSE(OpenMohaaInstalled("", Present)) << "an empty field is no folder";
}

// The home folder has only the data folders: no entries of the game folder's
// root or installers there.
TEST(OpenMohaa, HomeFolderRules) {
  size_t inDataFolders = 0;
  for (const ExtensionEntry& entry : HomeExtensionTable()) {
    const std::string folder = entry.folder;
    inDataFolders += folder.rfind("\\main\\", 0) == 0 || folder.rfind("\\mainta\\", 0) == 0 ||
                     folder.rfind("\\maintt\\", 0) == 0 || folder == "\\main\\maps";
  }
  EXPECT_EQ(inDataFolders, 22u);
  EXPECT_EQ(HomeExtensionTable().size(), 22u);

  const std::string home = "C:\\Users\\Baker\\AppData\\Roaming\\openmohaa";
  struct Case {
    std::string path;
    bool inside;
  };
  const Case cases[] = {{"c:\\users\\baker\\appdata\\roaming\\OPENMOHAA\\main\\x.pk3", true},
                        {home + "/main/x.pk3", true},
                        {home + "2\\main\\x.pk3", false},
                        {home + "\\", false}};
  for (const Case& c : cases) EXPECT_EQ(IsInsideFolder(c.path, home), c.inside) << c.path;
}
