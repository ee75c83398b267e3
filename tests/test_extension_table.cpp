#include <gtest/gtest.h>

#include <map>
#include <string>

#include "launcher/core/extension_table.h"

TEST(ExtensionNames, BaseNameDropsOnlyTheLastExtension) {
  const struct {
    const char* name;
    const char* base;
  } cases[] = {
      {"a.pkb", "a"},         {"zz.mod.pkb", "zz.mod"}, {"noext", "noext"}, {".pkb", ""},
      {"trail.", "trail"},    {"", ""},                 {"x..pkb", "x."},   {"My Map.PKB", "My Map"},
  };
  for (const auto& c : cases) EXPECT_EQ(BaseName(c.name), c.base) << c.name;
}

TEST(ExtensionNames, HasExtensionComparesWholeLastExtensionIgnoringCase) {
  const struct {
    const char* name;
    const char* ext;
    bool has;
  } cases[] = {
      {"a.pkb", "pkb", true},     {"b.PKB", "pkb", true},      {"c.pkb", "PKB", true},
      {"zz.mod.pkb", "pkb", true}, {".pkb", "pkb", true},      {"a.pkbak", "pkb", false},
      {"A~1.PKB", "pkb", true},   {"a.pk", "pkb", false},      {"a.pkb.bak", "pkb", false},
      {"pkb", "pkb", false},      {"apkb", "pkb", false},      {"trail.", "", true},
      {"noext", "", false},       {"a.pk3", "pkb", false},     {"a.PkB", "pKb", true},
  };
  for (const auto& c : cases) EXPECT_EQ(HasExtension(c.name, c.ext), c.has) << c.name << " / " << c.ext;
}

TEST(ExtensionNames, SwitchedOffPathReplacesLastCharacter) {
  const struct {
    const char* path;
    const char* off;
  } cases[] = {
      {"C:\\Games\\MOHAA\\main\\zz_mod.pk3", "C:\\Games\\MOHAA\\main\\zz_mod.pkb"},
      {"x.cfg", "x.cfb"},
      {"x.zip", "x.zib"},
      {"x.PK3", "x.PKb"},
      {"x.pkb", "x.pkb"},
      {"3", "b"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SwitchedOffPath(c.path), c.off) << c.path;
}

TEST(ExtensionTable, EveryEntryIsAKnownPairUnderTheGameFolder) {
  const std::map<std::string, std::string> pairs = {{"pkb", "pk3"}, {"cfb", "cfg"}, {"zib", "zip"}, {"exb", "exe"},
                                                    {"tgb", "tga"}, {"mib", "min"}, {"dlb", "dll"}};
  ASSERT_EQ(kExtensionTable.size(), 30u);
  for (size_t i = 0; i < kExtensionTable.size(); ++i) {
    const ExtensionEntry& e = kExtensionTable[i];
    std::string folder = e.folder, from = e.from, to = e.to;
    SCOPED_TRACE("entry " + std::to_string(i + 1) + " " + folder);
    ASSERT_EQ(pairs.count(from), 1u);
    EXPECT_EQ(pairs.at(from), to);
    EXPECT_EQ(SwitchedOffPath(to), from);
    // Folders are appended to a game folder that has no trailing separator.
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '\\');
    EXPECT_EQ(folder.find('/'), std::string::npos);
    EXPECT_EQ(folder.find("\\\\"), std::string::npos);
  }
}

TEST(ExtensionTable, NoEntryRepeatsAnother) {
  for (size_t i = 0; i < kExtensionTable.size(); ++i) {
    for (size_t j = i + 1; j < kExtensionTable.size(); ++j) {
      const ExtensionEntry& a = kExtensionTable[i];
      const ExtensionEntry& b = kExtensionTable[j];
      EXPECT_FALSE(std::string(a.folder) == b.folder && std::string(a.from) == b.from)
          << "entries " << i + 1 << " and " << j + 1;
    }
  }
}

TEST(ExtensionTable, SpotEntriesByPosition) {
  const struct {
    int number;  // counted from 1, as the table is read
    const char* folder;
    const char* from;
    const char* to;
  } cases[] = {
      {1, "\\main\\", "pkb", "pk3"},
      {4, "\\", "pkb", "pk3"},
      {7, "\\", "exb", "exe"},
      {9, "\\main\\screenshots\\", "tgb", "tga"},
      {10, "\\main\\maps", "mib", "min"},
      {11, "\\main\\maps\\dm", "mib", "min"},
      {14, "\\ereg MOHAAS\\", "exb", "exe"},
      {16, "\\Redist\\gamespy\\", "exb", "exe"},
      {17, "\\mainta\\", "zib", "zip"},
      {21, "\\mainta\\maps\\dm", "mib", "min"},
      {23, "\\mainta\\", "dlb", "dll"},
      {24, "\\maintt\\", "zib", "zip"},
      {29, "\\maintt\\maps\\obj", "mib", "min"},
      {30, "\\maintt\\", "dlb", "dll"},
  };
  for (const auto& c : cases) {
    const ExtensionEntry& e = kExtensionTable[c.number - 1];
    EXPECT_STREQ(e.folder, c.folder) << "entry " << c.number;
    EXPECT_STREQ(e.from, c.from) << "entry " << c.number;
    EXPECT_STREQ(e.to, c.to) << "entry " << c.number;
  }
}

TEST(ExtensionTable, FoldersLeftOutStayOut) {
  // Switched-off files there must stay switched off.
  for (const ExtensionEntry& e : kExtensionTable) {
    std::string folder = e.folder, from = e.from;
    EXPECT_NE(folder, "\\mainta\\maps") << from;
    EXPECT_NE(folder, "\\mainta\\maps\\") << from;
    if (folder.find("screenshots") != std::string::npos) {
      EXPECT_EQ(folder, "\\main\\screenshots\\");
    }
    if (from == "exb") {
      EXPECT_EQ(folder.rfind("\\main", 0), std::string::npos) << folder;
    }
  }
}
