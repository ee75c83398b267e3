#include <gtest/gtest.h>

#include "launcher/core/launch_checks.h"

TEST(LaunchChecks, AddressCharactersAndTheFirstBadPosition) {
  const std::pair<const char*, int> cases[] = {
      {"", 0},
      {"10.0.0.5", 0},
      {"10.0.0.5:12204", 0},
      {"::", 0},                  // single characters are judged, not address parts
      {"999.1.1.1", 0},
      {"10.0.0.5 :12204", 9},     // a blank after eight characters
      {"mohserver.net", 1},       // a host name
      {"1.2.3.4 ", 8},
      {" 1.2.3.4", 1},
      {"1.2.3.4/24", 8},
      {"1,2", 2},
      {"\xB9.2", 1},              // a byte above 127 is no digit
  };
  for (const auto& [address, position] : cases) {
    EXPECT_EQ(FirstBadAddressCharacter(address), position) << address;
  }
  EXPECT_EQ(BadAddressMessage(9), "Server IP does not appear to be valid. Check digit number 9");
}

TEST(LaunchChecks, NewListEntries) {
  const std::vector<std::string> list{"Baker", " Able ", "10.0.0.5"};
  struct Case {
    const char* text;
    bool isNew;
  };
  const Case cases[] = {
      {"Baker", false},  {"baker", true},   {"  Baker  ", false}, {"Able", false}, {"Ab le", true},
      {"", false},       {"   ", false},    {"10.0.0.5", false},  {"10.0.0.5:1", true},
      {"\tBaker", true},  // only blanks are trimmed
  };
  for (const Case& c : cases) EXPECT_EQ(IsNewListEntry(list, c.text), c.isNew) << '"' << c.text << '"';
  EXPECT_TRUE(IsNewListEntry({}, "x"));
}

TEST(LaunchChecks, SpearheadNameTurnsBlanksIntoUnderscores) {
  EXPECT_EQ(SpearheadName("Sgt Baker"), "Sgt_Baker");
  EXPECT_EQ(SpearheadName("  "), "__");
  EXPECT_EQ(SpearheadName("a\tb"), "a\tb");
  EXPECT_EQ(SpearheadName(""), "");
}

TEST(LaunchChecks, DisableListEntriesAreFullPaths) {
  const std::pair<const char*, bool> cases[] = {
      {"C:\\games\\mohaa\\main\\zz.pk3", true}, {"d:\\x.pk3", true}, {"\\\\server\\share\\x.pk3", true},
      {"zz.pk3", false}, {"main\\zz.pk3", false}, {"C:zz.pk3", false}, {"\\zz.pk3", false},
      {"1:\\zz.pk3", false}, {"", false}, {"C:", false},
      // "/" separates as "\\" does.
      {"d:/games/mohaa\\main\\x.pk3", true}, {"//server/share/x.pk3", true}, {"\\/server\\x.pk3", true},
      {"main/zz.pk3", false}, {"/zz.pk3", false}, {"C:/", true},
  };
  for (const auto& [path, full] : cases) EXPECT_EQ(IsFullPath(path), full) << path;
}
