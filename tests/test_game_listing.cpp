#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "launcher/win/main_window.h"
#include "tests/temp_folder.h"

namespace {

class GameListing : public ::testing::Test {
 protected:
  TempFolder game{"listing"};
  MainWindow main{game.Path()};  // ListArchives needs no window

  void Put(const std::string& relative, DWORD attributes = 0) {
    PutFile(game / relative, "x");
    if (attributes) {
      ASSERT_TRUE(SetFileAttributesA((game / relative).c_str(), attributes)) << relative;
    }
  }
  void Folder(const std::string& relative, DWORD attributes = 0) {
    PutFile(game / (relative + "\\.keep"), "");
    DeleteFileA((game / (relative + "\\.keep")).c_str());
    if (attributes) {
      ASSERT_TRUE(SetFileAttributesA((game / relative).c_str(), attributes)) << relative;
    }
  }

  std::vector<std::string> Listed(const std::string& start) {
    main.listedArchives.clear();
    main.ListArchives(start);
    return main.listedArchives;
  }

  // Every folder's listed files form one block, its own files before those
  // of its subfolders: the walk is depth first whatever order the file
  // system gives siblings in.
  static void ExpectDepthFirst(const std::vector<std::string>& listed) {
    std::vector<std::string> folders;
    for (const std::string& path : listed) {
      for (size_t sep = path.find('\\'); sep != std::string::npos; sep = path.find('\\', sep + 1)) {
        folders.push_back(path.substr(0, sep + 1));
      }
    }
    for (const std::string& folder : folders) {
      std::vector<size_t> inside;
      bool subfolderSeen = false;
      for (size_t i = 0; i < listed.size(); ++i) {
        if (listed[i].compare(0, folder.size(), folder) != 0) continue;
        inside.push_back(i);
        const bool own = listed[i].find('\\', folder.size()) == std::string::npos;
        if (!own) subfolderSeen = true;
        EXPECT_FALSE(own && subfolderSeen) << listed[i] << " after a subfolder's file";
      }
      EXPECT_EQ(inside.back() - inside.front() + 1, inside.size()) << folder << " is split";
    }
  }
};

}  // namespace

TEST_F(GameListing, ListsAddOnArchivesOfEveryFolderButNoStockOrHiddenOnes) {
  Put("main\\pak0.pk3");
  Put("main\\PAK1.PK3");
  Put("main\\Pak6EnUk.pk3");
  Put("main\\xpak0.pk3");  // ends in a stock name
  Put("main\\pak7.pk3");
  Put("main\\zz_mod.pk3");
  Put("main\\UPPER.PK3");
  Put("main\\modpk3");  // no dot before the extension
  Put("main\\readme.txt");
  Put("main\\old.pkb");
  Put("main\\hidden.pk3", FILE_ATTRIBUTE_HIDDEN);
  Put("main\\system.pk3", FILE_ATTRIBUTE_SYSTEM);
  Put("main\\readonly.pk3", FILE_ATTRIBUTE_READONLY);
  Put("x.pk3\\inside.pk3");  // a folder named like an archive
  Put("secret\\s.pk3");
  Folder("secret", FILE_ATTRIBUTE_HIDDEN);
  Put("mainta\\pak7de.pk3");  // stock in every folder
  Put("mainta\\ta.pk3");
  Put("maintt\\maps\\dm\\deep.pk3");
  Put("top.pk3");
  Folder("empty");

  const std::string root = game.Path() + "\\";
  std::vector<std::string> expected = {
      root + "main\\pak7.pk3",   root + "main\\zz_mod.pk3",   root + "main\\UPPER.PK3",
      root + "main\\modpk3",     root + "main\\readonly.pk3", root + "x.pk3\\inside.pk3",
      root + "mainta\\ta.pk3",   root + "maintt\\maps\\dm\\deep.pk3", root + "top.pk3",
  };
  const std::vector<std::string> listed = Listed(game.Path());
  std::vector<std::string> sorted = listed;
  std::sort(sorted.begin(), sorted.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(sorted, expected);
  EXPECT_EQ(Listed(game.Path() + "\\"), listed) << "a final backslash changes nothing";
  ExpectDepthFirst(listed);
}

TEST_F(GameListing, DeepTreesKeepEachFolderTogether) {
  for (const char* path : {"a1.pk3", "a2.pk3", "b\\b1.pk3", "b\\c\\c1.pk3", "b\\c\\d\\d1.pk3", "b\\b2.pk3",
                           "b\\e\\e1.pk3", "f\\f1.pk3", "f\\g\\g1.pk3", "f\\f2.pk3", "h\\i\\j\\k\\l\\l1.pk3"}) {
    Put(path);
  }
  const std::vector<std::string> listed = Listed(game.Path());
  EXPECT_EQ(listed.size(), 11u);
  ExpectDepthFirst(listed);
}

TEST_F(GameListing, AMissingFolderOrAnEmptyFieldListsNothing) {
  main.listedArchives = {"kept"};
  main.ListArchives(game / "missing");
  main.ListArchives("");
  EXPECT_EQ(main.listedArchives, std::vector<std::string>{"kept"});
}
