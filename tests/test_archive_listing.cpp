#include <gtest/gtest.h>

#include <iterator>
#include <map>

#include "launcher/core/archive_listing.h"

namespace {

// A folder tree in memory: folder path (with its final backslash) to its
// entries in the order the reader returns them.
using Tree = std::map<std::string, std::vector<FolderEntry>>;

struct FakeReader {
  const Tree& tree;
  std::vector<std::string>* reads;
  void operator()(const std::string& folder, const std::function<void(const FolderEntry&)>& each) const {
    reads->push_back(folder);
    auto found = tree.find(folder);
    if (found == tree.end()) return;
    for (const FolderEntry& entry : found->second) each(entry);
  }
};

FolderEntry File(const char* name, bool leftOut = false) { return {name, false, leftOut}; }
FolderEntry Folder(const char* name, bool leftOut = false) { return {name, true, leftOut}; }

}  // namespace

TEST(ArchiveListing, WhichNamesAreListed) {
  const std::pair<const char*, bool> cases[] = {
      {"zz_mod.pk3", true},     {"ZZ.PK3", true},         {"modpk3", true},  // no dot needed
      {"pak7.pk3", true},       {"pak0.pk3", false},      {"PAK0.PK3", false},
      {"xpak0.pk3", false},     {"my-pak6enuk.pk3", false}, {"pak6enuk.pk3", false},
      {"pak7de.pk3", false},    {"pak7DE.Pk3", false},    {"pak8.pk3", true},
      {"zz.pkb", false},        {"zz.pk3.bak", false},    {"k3", false},
      {"pk3", true},            {"zz.pk4", false},        {"pak6.pk3", false},
  };
  for (const auto& [name, listed] : cases) EXPECT_EQ(IsListedFile(name, "pk3"), listed) << name;
}

// The game's own archives, written out here rather than read from the table,
// so that a name misspelt there shows.
TEST(ArchiveListing, TheGamesOwnArchivesAreNeverListed) {
  const char* const stock[] = {
      "pak0.pk3",     "pak1.pk3",   "pak2.pk3",   "pak3.pk3",   "pak4.pk3",   "pak5.pk3",   "pak6.pk3",
      "pak6fr.pk3",   "pak7fr.pk3", "pak6enuk.pk3", "pak7enuk.pk3", "pak6nl.pk3", "pak7nl.pk3", "pak6de.pk3",
      "pak7de.pk3",
  };
  for (const char* name : stock) {
    EXPECT_TRUE(IsStockArchive(name)) << name;
    EXPECT_FALSE(IsListedFile(name, "pk3")) << name;
  }
  EXPECT_EQ(std::size(stock), kStockArchives.size()) << "no stock name beyond these";
}

TEST(ArchiveListing, OwnFilesFirstThenSubfoldersDepthFirst) {
  const Tree tree = {
      {"g\\", {Folder("."), Folder(".."), Folder("main"), File("a.pk3"), Folder("mainta"), File("pak0.pk3"),
               File("b.PK3"), Folder("x.pk3")}},
      {"g\\main\\", {Folder("deep"), File("m1.pk3"), File("notes.txt"), File("m2pk3")}},
      {"g\\main\\deep\\", {File("d.pk3")}},
      {"g\\mainta\\", {File("t.pk3"), File("h.pk3", true), Folder("hidden", true)}},
      {"g\\mainta\\hidden\\", {File("never.pk3")}},
      {"g\\x.pk3\\", {File("inside.pk3")}},
  };
  const std::vector<std::string> expected = {
      "g\\a.pk3",         "g\\b.PK3",        "g\\main\\m1.pk3", "g\\main\\m2pk3",
      "g\\main\\deep\\d.pk3", "g\\mainta\\t.pk3", "g\\x.pk3\\inside.pk3",
  };
  for (const char* start : {"g", "g\\"}) {
    std::vector<std::string> reads, out;
    WalkFolder(start, "pk3", FakeReader{tree, &reads}, out);
    EXPECT_EQ(out, expected) << start;
    const std::vector<std::string> order = {"g\\", "g\\main\\", "g\\main\\deep\\", "g\\mainta\\", "g\\x.pk3\\"};
    EXPECT_EQ(reads, order) << "hidden folders are not read, each folder once";
  }
}

TEST(ArchiveListing, AppendsAndNeverReadsFromAnEmptyPath) {
  const Tree tree = {{"g\\", {File("a.pk3"), File("a.pk3")}}};
  std::vector<std::string> reads, out{"kept"};
  WalkFolder("g", "pk3", FakeReader{tree, &reads}, out);
  EXPECT_EQ(out, (std::vector<std::string>{"kept", "g\\a.pk3", "g\\a.pk3"}));
  reads.clear();
  WalkFolder("", "pk3", FakeReader{tree, &reads}, out);
  EXPECT_TRUE(reads.empty()) << "an empty path would be the root of the current drive";
  WalkFolder("missing", "pk3", FakeReader{tree, &reads}, out);
  EXPECT_EQ(out.size(), 3u);
}
