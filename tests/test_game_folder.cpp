#include <gtest/gtest.h>

#include "common/core/text.h"
#include "launcher/core/game_folder.h"

TEST(GameFolder, SettlesEveryFormOfBasepath) {
  struct Case {
    const char* basepath;
    const char* folder;
    const char* writeBack;  // nullptr: nothing written
  };
  const Case cases[] = {
      {"C:\\PROGRA~1\\EAGAME~1\\MOHAA", "c:\\program files\\ea games\\mohaa", "c:\\program files\\ea games\\mohaa"},
      {"d:\\progra~1\\eagame~1\\mohaa", "d:\\program files\\ea games\\mohaa", "d:\\program files\\ea games\\mohaa"},
      {"F:\\Progra~1\\EAGame~1\\Mohaa", "f:\\program files\\ea games\\mohaa", "f:\\program files\\ea games\\mohaa"},
      {"G:\\PROGRA~1\\EAGAME~1\\MOHAA", "g:\\progra~1\\eagame~1\\mohaa", nullptr},
      {"", "c:\\program files\\ea games\\mohaa", "c:\\program files\\ea games\\mohaa"},
      {"d:\\games\\mohaa\\main\\", "d:\\games\\mohaa", nullptr},
      {"d:\\games\\mohaa\\main", "d:\\games\\mohaa", nullptr},
      // Only the last four characters are looked at, and five go: "amain".
      {"d:\\games\\mohaamain", "d:\\games\\moha", nullptr},
      {"D:\\Games\\MOHAA", "d:\\games\\mohaa", nullptr},
      {"d:\\games\\mohaa\\\\", "d:\\games\\mohaa\\", nullptr},  // one separator goes, not two
      {"main", "main", nullptr},                                // too short to lose five characters
      {"xmain", "", nullptr},
      {"c:\\progra~1\\eagame~1\\mohaa\\", "c:\\progra~1\\eagame~1\\mohaa", nullptr},
  };
  for (const Case& c : cases) {
    SettledFolder s = SettleGameFolder(c.basepath, LowerCase);
    EXPECT_EQ(s.folder, c.folder) << c.basepath;
    if (c.writeBack) {
      EXPECT_EQ(s.writeBack, std::optional<std::string>(c.writeBack)) << c.basepath;
    } else {
      EXPECT_FALSE(s.writeBack.has_value()) << c.basepath;
    }
  }
}

// The mapping given is the one used: the window code passes the system's,
// which lower-cases letters beyond A to Z as well.
TEST(GameFolder, LowerCasesWithTheMappingGiven) {
  const LowerCaseMapping withUmlauts = [](std::string_view text) {
    std::string lower = LowerCase(text);
    for (char& c : lower) {
      if (c == '\xC4') c = '\xE4';
    }
    return lower;
  };
  EXPECT_EQ(SettleGameFolder("D:\\SPIELE\\\xC4RA\\MAIN", withUmlauts).folder, "d:\\spiele\\\xE4ra");
  EXPECT_EQ(SettleGameFolder("D:\\SPIELE\\\xC4RA", LowerCase).folder, "d:\\spiele\\\xC4ra");
  EXPECT_EQ(SettleGameFolder("E:\\PROGRA~1\\EAGAME~1\\MOHAA", withUmlauts).writeBack,
            std::optional<std::string>("e:\\program files\\ea games\\mohaa"));
}
