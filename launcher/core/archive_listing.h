#pragma once
// Which files of the game folder count as add-on archives, and the order in
// which the game folder is walked to find them. The file system itself is
// reached through a reader, so that the walk builds and is tested natively.
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Both listings look for this extension.
constexpr const char* kArchiveExtension = "pk3";

// The archives of the game's own installations; never listed, in any folder.
extern const std::array<const char*, 15> kStockArchives;

// One entry of a folder as the file system returns it.
struct FolderEntry {
  std::string name;
  bool isFolder = false;
  bool leftOut = false;  // hidden or system: neither listed nor walked
};

// Calls each for every entry of folder (given with its final backslash), in
// the file system's order. A folder that cannot be read gives no entries.
using FolderReader =
    std::function<void(const std::string& folder, const std::function<void(const FolderEntry&)>& each)>;

// True when the name, lower-cased, ends in one of the stock archive names.
bool IsStockArchive(std::string_view name);

// True when the last three characters of the name, lower-cased, equal the
// extension (no dot needed before them) and the name is no stock archive.
bool IsListedFile(std::string_view name, std::string_view extension);

// Appends folder + name of every listed file under topFolder: a folder's own
// files first, in the order read, then each of its subfolders in the order
// found, depth first. Only one folder is read at a time. An empty topFolder
// lists nothing: it would stand for the root of the current drive.
void WalkFolder(std::string topFolder, std::string_view extension, const FolderReader& read,
                std::vector<std::string>& out);
