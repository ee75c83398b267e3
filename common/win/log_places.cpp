#include "common/win/log_places.h"

#include <windows.h>

#include <algorithm>
#include <utility>

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

std::vector<std::string> CommandLogsByAge(const std::string& programFolder) {
  std::vector<std::pair<FILETIME, std::string>> logs;
  for (const std::string& folder : CommandLogFolders(programFolder)) {
    const std::string path = folder + kCommandLogName;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    logs.emplace_back(data.ftLastWriteTime, path);
  }
  std::stable_sort(logs.begin(), logs.end(),
                   [](const auto& a, const auto& b) { return CompareFileTime(&a.first, &b.first) < 0; });
  std::vector<std::string> paths;
  for (auto& [time, path] : logs) paths.push_back(std::move(path));
  return paths;
}
