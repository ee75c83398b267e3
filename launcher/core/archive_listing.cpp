#include "launcher/core/archive_listing.h"

#include "common/core/text.h"

const std::array<const char*, 15> kStockArchives = {
    "pak0.pk3",   "pak1.pk3",     "pak2.pk3",     "pak3.pk3",   "pak4.pk3",
    "pak5.pk3",   "pak6.pk3",     "pak6fr.pk3",   "pak7fr.pk3", "pak6enuk.pk3",
    "pak7enuk.pk3", "pak6nl.pk3", "pak7nl.pk3",   "pak6de.pk3", "pak7de.pk3",
};

namespace {

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

bool IsStockArchive(std::string_view name) {
  const std::string lower = LowerCase(name);
  for (const char* stock : kStockArchives) {
    if (EndsWith(lower, stock)) return true;
  }
  return false;
}

bool IsListedFile(std::string_view name, std::string_view extension) {
  if (name.size() < 3 || LowerCase(name.substr(name.size() - 3)) != extension) return false;
  return !IsStockArchive(name);
}

void WalkFolder(std::string topFolder, std::string_view extension, const FolderReader& read,
                std::vector<std::string>& out) {
  if (topFolder.empty()) return;
  if (topFolder.back() != '\\') topFolder += '\\';
  // Folders still to walk, the next one at the back: a folder's subfolders go
  // on in reverse so that they come off in the order found.
  std::vector<std::string> pending{std::move(topFolder)};
  std::vector<std::string> subfolders;
  while (!pending.empty()) {
    const std::string folder = std::move(pending.back());
    pending.pop_back();
    subfolders.clear();
    read(folder, [&](const FolderEntry& entry) {
      if (entry.leftOut || entry.name == "." || entry.name == "..") return;
      if (entry.isFolder) {
        subfolders.push_back(folder + entry.name + "\\");
      } else if (IsListedFile(entry.name, extension)) {
        out.push_back(folder + entry.name);
      }
    });
    pending.insert(pending.end(), subfolders.rbegin(), subfolders.rend());
  }
}
