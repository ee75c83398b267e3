#include <gtest/gtest.h>

#include <set>

#include "launcher/core/openmohaa.h"

namespace {
std::set<std::string> presentFiles;
bool Present(const std::string& path) { return presentFiles.count(path) > 0; }
}  // namespace

// What the Windows tests do not reach: the engine alone, nothing at all, and
// an empty folder field.
TEST(OpenMohaa, ChoosesTheStarterThenTheEngine) {
  struct Case {
    std::string folder, present, file, before;
    bool installed;
  };
  const Case cases[] = {
      {"d:\\mohaa", "d:\\mohaa\\openmohaa.exe", "\\openmohaa.exe", " +set com_target_game 0", true},
      {"d:\\mohaa", "d:\\mohaa\\mohaa.exe", "\\launch_openmohaa_base.exe", "", false},
      {"", "\\openmohaa.exe", "\\launch_openmohaa_base.exe", "", false},  // no folder is looked in
  };
  for (const Case& c : cases) {
    presentFiles = {c.present};
    const OpenMohaaFiles files = FindOpenMohaaFiles(c.folder, Present);
    const StartProgram got = ChooseStartProgram(GameEdition::AlliedAssault, true, files);
    EXPECT_EQ(got.file + got.argumentsBefore, c.file + c.before) << c.present;
    EXPECT_EQ(OpenMohaaInstalled(files), c.installed) << c.present;
  }
}
