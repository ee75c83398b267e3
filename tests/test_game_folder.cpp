#include <gtest/gtest.h>

#include "game_folder.h"

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
    SettledFolder s = SettleGameFolder(c.basepath);
    EXPECT_EQ(s.folder, c.folder) << c.basepath;
    if (c.writeBack) {
      EXPECT_EQ(s.writeBack, std::optional<std::string>(c.writeBack)) << c.basepath;
    } else {
      EXPECT_FALSE(s.writeBack.has_value()) << c.basepath;
    }
  }
}
