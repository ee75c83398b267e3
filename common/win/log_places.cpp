#include "common/win/log_places.h"

#include <windows.h>

std::string RunningProgramFolder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  const size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string FallbackLogFolder() {
  char folder[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableA("LOCALAPPDATA", folder, sizeof folder);
  if (n == 0 || n >= sizeof folder) return {};
  return std::string(folder, n) + "\\Kestrun";
}

std::vector<std::string> CommandLogFolders(const std::string& programFolder) {
  std::vector<std::string> folders;
  for (const std::string& f : {programFolder, FallbackLogFolder()}) {
    if (!f.empty()) folders.push_back(f);
  }
  return folders;
}

std::string NewestCommandLog(const std::string& programFolder) {
  std::string newest;
  FILETIME newestTime{};
  for (const std::string& folder : CommandLogFolders(programFolder)) {
    const std::string path = folder + kCommandLogName;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (newest.empty() || CompareFileTime(&data.ftLastWriteTime, &newestTime) > 0) {
      newest = path;
      newestTime = data.ftLastWriteTime;
    }
  }
  return newest;
}
