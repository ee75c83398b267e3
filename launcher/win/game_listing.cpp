#include "launcher/win/game_listing.h"

#include <windows.h>

#include "launcher/core/archive_listing.h"

namespace {

void ReadFolder(const std::string& folder, const std::function<void(const FolderEntry&)>& each) {
  WIN32_FIND_DATAA found;
  // The short names are never looked at: the basic level saves producing them.
  HANDLE find = FindFirstFileExA((folder + "*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                 FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return;
  FolderEntry entry;
  do {
    const DWORD attributes = found.dwFileAttributes;
    entry.name = found.cFileName;
    entry.isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.leftOut = (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0 ||
                    (entry.isFolder && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
    each(entry);
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

}  // namespace

void ListGameFolder(const std::string& topFolder, const std::string& extension, std::vector<std::string>& out) {
  WalkFolder(topFolder, extension, ReadFolder, out);
}
