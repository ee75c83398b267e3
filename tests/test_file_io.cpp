#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>
#include <thread>

#include "launcher/core/list_file.h"
#include "launcher/win/file_io.h"
#include "tests/temp_folder.h"

namespace {

class FileIo : public ::testing::Test {
 protected:
  TempFolder temp_{"file_io"};
  const std::string folder_ = temp_.Path();

  std::string Path(const char* name) const { return folder_ + "\\" + name; }

  // The names in the folder, sorted; shows a temporary file left behind.
  std::vector<std::string> Names() const { return FileNames(folder_); }

  // Written past the module under test.
  static void Put(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << path;
    DWORD wrote = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
    CloseHandle(h);
    ASSERT_EQ(wrote, bytes.size());
  }

  static std::string Bytes(const std::string& path) {
    std::string content = "<unread>";
    EXPECT_TRUE(ReadWholeFile(path, content)) << path;
    return content;
  }
};

}  // namespace

TEST_F(FileIo, ListFileRoundTripWithExactBytesOnDisk) {
  const std::string path = Path("player.txt");
  ASSERT_TRUE(WriteListFile(path, kEditorHeader, {"Alice", " John Smith ", "", "Bob", "Bob"}));
  EXPECT_EQ(Bytes(path), "//Do not Remove this line\r\nAlice\r\n John Smith \r\nBob\r\nBob\r\n");
  EXPECT_EQ(ReadListFile(path), (std::vector<std::string>{"Alice", "John Smith", "Bob", "Bob"}));

  ASSERT_TRUE(WriteListFile(path, kLaunchPlayerHeader, {}));
  EXPECT_EQ(Bytes(path), "//Part of Kestrun ... Do not Remove this line\r\n");
  EXPECT_TRUE(ReadListFile(path).empty());
  EXPECT_EQ(Names(), std::vector<std::string>{"player.txt"});
}

TEST_F(FileIo, BytesPassUntranslated) {
  // Every byte value, with lone LF, lone CR and Ctrl-Z, which text mode would alter.
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  all += "\n\r\x1a\r\n";
  const std::string path = Path("bytes.bin");
  ASSERT_TRUE(WriteWholeFile(path, all));
  EXPECT_EQ(Bytes(path), all);

  Put(path, std::string("A\nB\x1a" "C\r\n", 7));
  EXPECT_EQ(Bytes(path), std::string("A\nB\x1a" "C\r\n", 7));
}

TEST_F(FileIo, MissingFileReadsAsNothingAndIsNotCreated) {
  const std::string path = Path("sip.txt");
  std::string content = "kept";
  EXPECT_FALSE(ReadWholeFile(path, content));
  EXPECT_EQ(content, "kept");
  EXPECT_TRUE(ReadListFile(path).empty());
  EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(ReadListFile(Path("nofolder\\sip.txt")).empty());
  EXPECT_FALSE(ReadWholeFile(folder_, content));  // a folder is no file
  EXPECT_TRUE(Names().empty());
}

TEST_F(FileIo, OversizedFileIsRefused) {
  const std::string path = Path("huge.txt");
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = (64LL << 20) + 1;
  ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
  std::string content = "kept";
  EXPECT_FALSE(ReadWholeFile(path, content));
  EXPECT_EQ(content, "kept");
  EXPECT_TRUE(ReadListFile(path).empty());
}

TEST_F(FileIo, WriteReplacesTheWholeOldFile) {
  const std::string path = Path("spwd.txt");
  Put(path, "//old header that is longer\r\nsecret1\r\nsecret2\r\n");
  ASSERT_TRUE(WriteWholeFile(path, "//h\r\nx\r\n"));
  EXPECT_EQ(Bytes(path), "//h\r\nx\r\n");
  ASSERT_TRUE(WriteWholeFile(path, ""));
  EXPECT_EQ(Bytes(path), "");
  EXPECT_EQ(Names(), std::vector<std::string>{"spwd.txt"});
}

TEST_F(FileIo, FailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
  const std::string old = "//Do not Remove this line\r\nAlice\r\n";
  struct {
    const char* name;
    std::string path;
    bool readOnly;
  } cases[] = {
      {"read-only target", Path("player.txt"), true},
      {"missing folder", Path("nofolder\\player.txt"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Put(Path("player.txt"), old);
    if (c.readOnly) {
      ASSERT_TRUE(SetFileAttributesA(c.path.c_str(), FILE_ATTRIBUTE_READONLY));
    }

    EXPECT_FALSE(WriteWholeFile(c.path, "new"));
    EXPECT_FALSE(WriteListFile(c.path, kEditorHeader, {"Bob"}));

    EXPECT_EQ(Bytes(Path("player.txt")), old);
    EXPECT_EQ(Names(), std::vector<std::string>{"player.txt"});
    SetFileAttributesA(Path("player.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(FileIo, FileHeldOpenWithoutSharingIsNotReplaced) {
  const std::string path = Path("sip.txt");
  const std::string old = "//h\r\n10.0.0.1:12203\r\n";
  Put(path, old);
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string content = "kept";
  EXPECT_FALSE(ReadWholeFile(path, content));
  EXPECT_EQ(content, "kept");
  EXPECT_FALSE(WriteWholeFile(path, "new"));
  CloseHandle(held);

  EXPECT_EQ(Bytes(path), old);
  EXPECT_EQ(Names(), std::vector<std::string>{"sip.txt"});
}

TEST(ProgramFolder, IsTheFolderOfTheRunningProgram) {
  char exe[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  ASSERT_GT(n, 0u);
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  const std::string path(exe, n);
  ASSERT_EQ(path.compare(0, folder.size() + 1, folder + "\\"), 0) << path;
  EXPECT_EQ(path.find('\\', folder.size() + 1), std::string::npos) << path;  // only the file name follows
  DWORD attributes = GetFileAttributesA(folder.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Every list the launcher writes is one it reads back: the disable list of a
// large game folder (over 1 MiB) is applied whole, and a remembered list is
// never written past the size its reader takes.
TEST_F(FileIo, EveryListWrittenIsReadBack) {
  std::vector<std::string> archives;
  for (int i = 0; i < 20000; ++i) {
    archives.push_back("c:\\program files\\ea games\\mohaa\\main\\user-map-" + std::to_string(i) + ".pk3");
  }
  const std::string disable = Path("disable.txt");
  ASSERT_TRUE(ReplaceListFile(disable, kEditorHeader, archives));
  ASSERT_GT(Bytes(disable).size(), 1u << 20);
  EXPECT_EQ(ReadDisableList(disable), archives);

  const std::string players = Path("player.txt");
  ASSERT_TRUE(WriteListFile(players, kEditorHeader, {"Alice"}));
  EXPECT_FALSE(WriteListFile(players, kEditorHeader, archives)) << "too large for the remembered lists' reader";
  EXPECT_EQ(ReadListFile(players), std::vector<std::string>{"Alice"});
  archives.resize(10000);
  ASSERT_TRUE(WriteListFile(players, kEditorHeader, archives));
  EXPECT_EQ(ReadListFile(players), archives);
}

// The folder probe says "writable" only where a list can be saved, which
// takes a create and a delete; a probe it cannot delete stays the only one.
TEST_F(FileIo, FolderProbeNeedsCreateAndDeleteAndLeavesAtMostOneFile) {
  using Deny = UnwritableFolder::Deny;
  struct Case {
    const char* what;
    std::optional<Deny> deny;
    bool writable;
    std::vector<std::string> left;  // the probe's files in the folder after two probes
  };
  const Case cases[] = {
      {"writable", std::nullopt, true, {}},
      {"nothing can be created", Deny::Everything, false, {}},
      {"created but not deleted", Deny::Delete, false, {"kestrun-probe.tmp"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder{"probe"};
    std::unique_ptr<UnwritableFolder> locked;
    if (c.deny) {
      locked = std::make_unique<UnwritableFolder>(folder.Path(), *c.deny);
      if (!locked->Held()) GTEST_SKIP() << "chattr had no effect: not under Wine as root";
    }
    EXPECT_EQ(FolderIsWritable(folder.Path()), c.writable);
    EXPECT_EQ(FolderIsWritable(folder.Path()), c.writable) << "the second start";
    // Only the probe's own: the folder lock's checks may leave a file of
    // theirs made just before the lock took hold.
    std::vector<std::string> left = FileNames(folder.Path());
    std::erase_if(left, [](const std::string& name) { return !name.starts_with("kestrun-probe"); });
    EXPECT_EQ(left, c.left);
  }
}

// A save takes one temporary name per list: a folder that refuses deletes is
// left with that one file however often the save fails there, and a save
// while another holds that name still goes through under a name of its own.
TEST_F(FileIo, SavesLeaveAtMostOneTemporaryFileAndDoNotWaitForEachOther) {
  const std::string old = "//Do not Remove this line\r\nAlice\r\n";
  Put(Path("player.txt"), old);
  {
    HANDLE other = CreateFileA(Path("player.txt.saving").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(WriteWholeFile(Path("player.txt"), "new")) << "another save holds the usual name";
    CloseHandle(other);
    EXPECT_EQ(Bytes(Path("player.txt")), "new");
    DeleteFileA(Path("player.txt.saving").c_str());
    Put(Path("player.txt"), old);
  }

  auto locked = std::make_unique<UnwritableFolder>(folder_, UnwritableFolder::Deny::Delete);
  if (!locked->Held()) GTEST_SKIP() << "chattr had no effect: not under Wine as root";
  for (int save = 0; save < 3; ++save) EXPECT_FALSE(WriteListFile(Path("player.txt"), kEditorHeader, {"Bob"}));
  locked.reset();
  EXPECT_EQ(Bytes(Path("player.txt")), old);
  std::vector<std::string> left = Names();
  std::erase_if(left, [](const std::string& name) { return !name.starts_with("player.txt"); });
  EXPECT_EQ(left, (std::vector<std::string>{"player.txt", "player.txt.saving"}));
}

// Another launcher saving the same list at the same moment, seen from one
// save: the other writes through the temporary name whenever it can open
// it. Each save goes through with its own list, never installing the
// other's; the other, finding its file taken, would report its failure.
TEST_F(FileIo, ASaveRacingAnotherGoesThroughWithItsOwnList) {
  const std::string path = Path("sip.txt"), temp = path + ".saving";
  const std::string theirs = "//h\r\nfrom the other launcher\r\n";
  std::atomic<bool> done = false;
  std::thread other([&] {
    while (!done) {
      HANDLE h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (h == INVALID_HANDLE_VALUE) continue;
      DWORD wrote = 0;
      WriteFile(h, theirs.data(), static_cast<DWORD>(theirs.size()), &wrote, nullptr);
      CloseHandle(h);
    }
  });
  constexpr int kSaves = 2000;  // the other slips in a few times in a thousand
  int saved = 0, lost = 0;
  for (int round = 0; round < kSaves; ++round) {
    const std::string mine = "//h\r\nsave " + std::to_string(round) + "\r\n";
    if (!WriteWholeFile(path, mine)) continue;
    ++saved;
    if (Bytes(path) != mine) ++lost;
  }
  done = true;
  other.join();
  EXPECT_EQ(lost, 0) << "of " << saved << " saves reported done";
  EXPECT_EQ(saved, kSaves);
}
