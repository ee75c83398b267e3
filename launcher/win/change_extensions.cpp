#include "launcher/win/change_extensions.h"

#include <windows.h>

#include "launcher/core/extension_table.h"
#include "launcher/core/launch_checks.h"

namespace {

FileSystemCalls calls;

// Names of the ordinary files that the pattern finds. Collected before any
// rename so that renaming never disturbs the enumeration.
std::vector<std::string> ListPlainFiles(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  ++calls.listings;
  HANDLE find = FindFirstFileA(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  const DWORD skipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  do {
    if ((found.dwFileAttributes & skipped) == 0) names.emplace_back(found.cFileName);
  } while (++calls.nextEntries, FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

bool IsFile(const std::string& path) {
  ++calls.probes;
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Exists(const std::string& path) {
  ++calls.probes;
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Rename(const std::string& from, const std::string& to) {
  ++calls.renames;
  return MoveFileA(from.c_str(), to.c_str()) != 0;
}

// Why a rename failed, in the player's words.
std::string RenameFailure(DWORD error) {
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "in use";
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
      return "access denied";
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return "switched-off name taken";
  }
  return "error " + std::to_string(error);
}

}  // namespace

FileSystemCalls& FileSystemCallCount() { return calls; }

void ChangeExtensions(std::string folder, const std::string& fromExtension, const std::string& toExtension) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  for (const std::string& name : ListPlainFiles(folder + "*." + fromExtension)) {
    // The wildcard also matches 8.3 short names ("a.pkbak" is "A~1.PKB"),
    // so the long name must carry the extension itself.
    if (!HasExtension(name, fromExtension)) continue;
    // MoveFileA refuses an existing target: a live file is never overwritten.
    Rename(folder + name, folder + BaseName(name) + "." + toExtension);
  }
}

void ApplyExtensionTable(const std::string& gameFolder) {
  // An empty folder field would turn the table on the root of the current drive.
  if (gameFolder.empty()) return;
  for (const ExtensionEntry& entry : kExtensionTable) {
    ChangeExtensions(gameFolder + entry.folder, entry.from, entry.to);
  }
}

void RestoreDisabledFiles(const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    // A relative entry would act on whatever folder the launcher runs in.
    if (!IsFullPath(entry)) continue;
    std::string off = SwitchedOffPath(entry);
    if (IsFile(off) && !Exists(entry)) Rename(off, entry);
  }
}

std::vector<FileLeftOn> SwitchOffFiles(const std::vector<std::string>& entries) {
  std::vector<FileLeftOn> leftOn;
  for (const std::string& entry : entries) {
    if (!IsFullPath(entry) || !IsFile(entry)) continue;
    if (!Rename(entry, SwitchedOffPath(entry))) leftOn.push_back({entry, RenameFailure(GetLastError())});
  }
  return leftOn;
}
