#include "launcher/win/openmohaa_home.h"

#include <windows.h>
#include <shlobj.h>

#include "launcher/core/openmohaa.h"
#include "launcher/win/change_extensions.h"

std::string OpenMohaaHome() {
  char folder[MAX_PATH + 1] = {};
  if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)) && folder[0]) {
    return std::string(folder) + "\\openmohaa";
  }
  // The environment names it where the shell does not (a stripped-down system).
  const DWORD n = GetEnvironmentVariableA("APPDATA", folder, sizeof folder);
  if (n == 0 || n > MAX_PATH) return {};
  return std::string(folder, n) + "\\openmohaa";
}

std::vector<std::string> HomeDataFolders(const std::string& home) {
  std::vector<std::string> folders;
  if (home.empty()) return folders;
  for (const char* data : kHomeDataFolders) folders.push_back(home + "\\" + data);
  return folders;
}

bool IsPlainFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void ApplyHomeExtensionTable(const std::string& home) {
  if (home.empty()) return;
  const DWORD attributes = GetFileAttributesA(home.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return;
  for (const ExtensionEntry& entry : HomeExtensionTable()) ChangeExtensions(home + entry.folder, entry.from, entry.to);
}
