#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "launcher/win/change_extensions.h"
#include "tests/temp_folder.h"

namespace {

// Entry of a test layout: a path below the test folder. A trailing "\" makes a
// sub-folder; otherwise a file holding its own name, with the given attributes.
struct Item {
  std::string path;
  DWORD attributes = 0;
};

class ChangeExtensionsTest : public ::testing::Test {
 protected:
  TempFolder folder_{"ext"};
  const std::string root_ = folder_.Path();

  // Creates the items (and any folders on their way) below the test folder.
  void Make(const std::vector<Item>& items) {
    for (const Item& item : items) {
      for (size_t sep = item.path.find('\\'); sep != std::string::npos; sep = item.path.find('\\', sep + 1)) {
        CreateDirectoryA((root_ + "\\" + item.path.substr(0, sep)).c_str(), nullptr);
      }
      if (item.path.back() == '\\') continue;
      std::string path = root_ + "\\" + item.path;
      HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
      DWORD written = 0;
      WriteFile(file, item.path.data(), static_cast<DWORD>(item.path.size()), &written, nullptr);
      CloseHandle(file);
      if (item.attributes) {
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), item.attributes)) << path;
      }
    }
  }

  static std::string Content(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<unreadable>";
    char buffer[512];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    return std::string(buffer, read);
  }

  // Everything below the folder, names in their stored case: "dir\" for a
  // folder, "name=content" for a file, with " [H]", " [S]", " [R]" for flags.
  static void List(const std::string& folder, const std::string& prefix, std::vector<std::string>& out) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        out.push_back(prefix + name + "\\");
        List(folder + "\\" + name, prefix + name + "\\", out);
        continue;
      }
      std::string line = prefix + name + "=" + Content(folder + "\\" + name);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) line += " [H]";
      if (found.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) line += " [S]";
      if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) line += " [R]";
      out.push_back(line);
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }

  std::vector<std::string> Listing() const {
    std::vector<std::string> out;
    List(root_, "", out);
    std::sort(out.begin(), out.end());
    return out;
  }

  static std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
  }
};

TEST_F(ChangeExtensionsTest, RenamesOnlyOrdinaryFilesWithTheSourceExtension) {
  const struct {
    const char* what;
    std::vector<Item> items;
    const char* source;
    const char* target;
    bool trailingSeparator;
    std::vector<std::string> after;  // the listing afterwards
  } cases[] = {
      {"extension case ignored, base case kept",
       {{"a.pkb"}, {"b.PKB"}, {"Mixed.Pkb"}, {"c.pk3"}},
       "pkb", "pk3", true,
       {"a.pk3=a.pkb", "b.pk3=b.PKB", "Mixed.pk3=Mixed.Pkb", "c.pk3=c.pk3"}},
      {"folder without separator",
       {{"a.pkb"}, {"c.pk3"}},
       "pkb", "pk3", false,
       {"a.pk3=a.pkb", "c.pk3=c.pk3"}},
      {"target written as given",
       {{"a.cfb"}},
       "CFB", "Cfg", true,
       {"a.Cfg=a.cfb"}},
      {"live file never overwritten",
       {{"x.pkb"}, {"x.pk3"}, {"y.pkb"}},
       "pkb", "pk3", true,
       {"x.pkb=x.pkb", "x.pk3=x.pk3", "y.pk3=y.pkb"}},
      {"hidden and system left, read-only renamed",
       {{"h.pkb", FILE_ATTRIBUTE_HIDDEN}, {"s.pkb", FILE_ATTRIBUTE_SYSTEM}, {"r.pkb", FILE_ATTRIBUTE_READONLY}},
       "pkb", "pk3", true,
       {"h.pkb=h.pkb [H]", "s.pkb=s.pkb [S]", "r.pk3=r.pkb [R]"}},
      {"sub-folders neither renamed nor entered",
       {{"d.pkb\\"}, {"d.pkb\\inner.pkb"}},
       "pkb", "pk3", true,
       {"d.pkb\\", "d.pkb\\inner.pkb=d.pkb\\inner.pkb"}},
      {"only the last dot counts",
       {{"zz.mod.pkb"}, {"q.pkb.bak"}},
       "pkb", "pk3", true,
       {"zz.mod.pk3=zz.mod.pkb", "q.pkb.bak=q.pkb.bak"}},
      {"longer extensions matched through short names",
       {{"a.pkbak"}, {"LongFileName.pkb3"}, {"e.pkbx"}},
       "pkb", "pk3", true,
       {"a.pkbak=a.pkbak", "LongFileName.pkb3=LongFileName.pkb3", "e.pkbx=e.pkbx"}},
      {"names without the extension",
       {{"pkb"}, {"apkb"}, {"a.pk"}},
       "pkb", "pk3", true,
       {"pkb=pkb", "apkb=apkb", "a.pk=a.pk"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RemoveTree(root_);
    ASSERT_TRUE(CreateDirectoryA(root_.c_str(), nullptr));
    Make(c.items);
    ChangeExtensions(c.trailingSeparator ? root_ + "\\" : root_, c.source, c.target);
    EXPECT_EQ(Listing(), Sorted(c.after));
  }
}

TEST_F(ChangeExtensionsTest, MissingFolderChangesNothing) {
  Make({{"a.pkb"}});
  std::vector<std::string> before = Listing();
  ChangeExtensions(root_ + "\\missing", "pkb", "pk3");
  ChangeExtensions(root_ + "\\missing\\", "pkb", "pk3");
  ApplyExtensionTable(root_ + "\\missing");
  EXPECT_EQ(Listing(), before);
}

TEST_F(ChangeExtensionsTest, TableSwitchesOnOnlyItsFoldersAndKinds) {
  Make({
      {"main\\a.pkb"},
      {"main\\c.cfb"},
      {"main\\z.zib"},
      {"main\\e.exb"},  // no exb entry for the data folders
      {"main\\maps\\m.mib"},
      {"main\\maps\\dm\\d.mib"},
      {"main\\maps\\dm\\y.pkb"},  // that folder is searched for mib only
      {"main\\screenshots\\s.tgb"},
      {"main\\configs\\u.cfb"},
      {"mainta\\t.pkb"},
      {"mainta\\g.dlb"},
      {"mainta\\maps\\x.mib"},  // no entry for mainta\maps itself
      {"mainta\\screenshots\\s.tgb"},
      {"maintt\\configs\\q.cfb"},
      {"maintt\\maps\\obj\\o.mib"},
      {"ereg MOHAAS\\e.exb"},
      {"Redist\\gamespy\\gs.exb"},
      {"k.exb"},
      {"r.pkb"},
      {"other\\w.pkb"},
  });
  ApplyExtensionTable(root_);
  std::vector<std::string> once = Listing();
  EXPECT_EQ(once, Sorted({
                      "main\\",
                      "main\\a.pk3=main\\a.pkb",
                      "main\\c.cfg=main\\c.cfb",
                      "main\\z.zip=main\\z.zib",
                      "main\\e.exb=main\\e.exb",
                      "main\\maps\\",
                      "main\\maps\\m.min=main\\maps\\m.mib",
                      "main\\maps\\dm\\",
                      "main\\maps\\dm\\d.min=main\\maps\\dm\\d.mib",
                      "main\\maps\\dm\\y.pkb=main\\maps\\dm\\y.pkb",
                      "main\\screenshots\\",
                      "main\\screenshots\\s.tga=main\\screenshots\\s.tgb",
                      "main\\configs\\",
                      "main\\configs\\u.cfg=main\\configs\\u.cfb",
                      "mainta\\",
                      "mainta\\t.pk3=mainta\\t.pkb",
                      "mainta\\g.dll=mainta\\g.dlb",
                      "mainta\\maps\\",
                      "mainta\\maps\\x.mib=mainta\\maps\\x.mib",
                      "mainta\\screenshots\\",
                      "mainta\\screenshots\\s.tgb=mainta\\screenshots\\s.tgb",
                      "maintt\\",
                      "maintt\\configs\\",
                      "maintt\\configs\\q.cfg=maintt\\configs\\q.cfb",
                      "maintt\\maps\\",
                      "maintt\\maps\\obj\\",
                      "maintt\\maps\\obj\\o.min=maintt\\maps\\obj\\o.mib",
                      "ereg MOHAAS\\",
                      "ereg MOHAAS\\e.exe=ereg MOHAAS\\e.exb",
                      "Redist\\",
                      "Redist\\gamespy\\",
                      "Redist\\gamespy\\gs.exe=Redist\\gamespy\\gs.exb",
                      "k.exe=k.exb",
                      "r.pk3=r.pkb",
                      "other\\",
                      "other\\w.pkb=other\\w.pkb",
                  }));
  ApplyExtensionTable(root_);
  EXPECT_EQ(Listing(), once);
}

TEST_F(ChangeExtensionsTest, RestoreDisabledFilesRenamesBackWhereTheLiveNameIsFree) {
  Make({
      {"other\\z.pkb"},
      {"main\\both.pkb"},
      {"main\\both.pk3"},
      {"main\\dir.pkb\\"},
      {"main\\last.cfb"},
  });
  RestoreDisabledFiles({
      "",
      root_ + "\\main\\gone.pk3",
      root_ + "\\other\\z.pk3",
      root_ + "\\main\\both.pk3",
      root_ + "\\main\\dir.pk3",  // the switched-off form is a folder, not a file
      root_ + "\\main\\last.cfg",
  });
  EXPECT_EQ(Listing(), Sorted({
                           "other\\",
                           "other\\z.pk3=other\\z.pkb",
                           "main\\",
                           "main\\both.pkb=main\\both.pkb",
                           "main\\both.pk3=main\\both.pk3",
                           "main\\dir.pkb\\",
                           "main\\last.cfg=main\\last.cfb",
                       }));
}

// Disable-list entries act by full path only, "/" separated or "\\"; a
// relative entry would act on whatever folder the launcher runs in.
TEST_F(ChangeExtensionsTest, DisableListEntriesActOnlyByFullPath) {
  Make({
      {"main\\slash.pk3"},
      {"main\\rel.pk3"},
      {"main\\back.pkb"},
      {"main\\relback.pkb"},
  });
  std::string slashed = root_;
  std::replace(slashed.begin(), slashed.end(), '\\', '/');
  char cwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);
  ASSERT_TRUE(SetCurrentDirectoryA((root_ + "\\main").c_str()));
  SwitchOffFiles({slashed + "/main/slash.pk3", "rel.pk3"});
  RestoreDisabledFiles({slashed + "/main\\back.pk3", "relback.pk3", ".\\relback.pk3"});
  SetCurrentDirectoryA(cwd);
  EXPECT_EQ(Listing(), Sorted({
                           "main\\",
                           "main\\slash.pkb=main\\slash.pk3",
                           "main\\rel.pk3=main\\rel.pk3",
                           "main\\back.pk3=main\\back.pkb",
                           "main\\relback.pkb=main\\relback.pkb",
                       }));
}

TEST(ApplyExtensionTable, AnEmptyGameFolderLeavesTheDriveRootAlone) {
  char cwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
  const char* stray = "C:\\kestrun_root_probe.exb";
  HANDLE file = CreateFileA(stray, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  ApplyExtensionTable("");
  EXPECT_NE(GetFileAttributesA(stray), INVALID_FILE_ATTRIBUTES) << "\\*.exb on the drive root was renamed";
  DeleteFileA(stray);
  DeleteFileA("C:\\kestrun_root_probe.exe");
  SetCurrentDirectoryA(cwd);
}

}  // namespace
