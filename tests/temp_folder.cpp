#include "tests/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <utility>

TempFolder::TempFolder(const std::string& tag) {
  static int counter = 0;
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(sizeof temp, temp);
  path_ = std::string(temp) + "kestrun_" + tag + "_" + std::to_string(GetCurrentProcessId()) + "_" +
          std::to_string(++counter);
  RemoveTree(path_);
  CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() { RemoveTree(path_); }

namespace {

// True when a new file can be created in the folder (it is removed again).
// Each probe has a name of its own: a probe made just before the flag took
// effect cannot be removed, and must not make every later probe fail.
bool CanCreateIn(const std::string& folder) {
  static unsigned probes = 0;
  const std::string probe = folder + "\\probe" + std::to_string(++probes) + ".tmp";
  HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  DeleteFileA(probe.c_str());
  return true;
}

// True when a file of the folder can be deleted: the check file is made
// unless an earlier check left it (a delete that failed), then deleted.
// Wine's DeleteFile reports success where the folder refuses the delete, so
// only the file's absence tells.
bool CanDeleteIn(const std::string& folder) {
  const std::string check = folder + "\\" + UnwritableFolder::kChattrCheckFile;
  HANDLE h = CreateFileA(check.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  DeleteFileA(check.c_str());
  return GetFileAttributesA(check.c_str()) == INVALID_FILE_ATTRIBUTES;
}

// Runs chattr with +flag or -flag on the folder. Wine starts Linux programs
// but gives no handle to wait on, so this waits until the folder is as
// asked, for up to 5 s.
bool ChangeFolderFlag(const std::string& folder, UnwritableFolder::Deny deny, bool on) {
  using ToUnix = char*(CDECL*)(const WCHAR*);
  FARPROC found = GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
  auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(found));
  if (!toUnix) return false;
  std::wstring wide(folder.begin(), folder.end());
  char* unixPath = toUnix(wide.c_str());
  if (!unixPath) return false;
  const char* flag = deny == UnwritableFolder::Deny::Everything ? "i" : "a";
  std::string commandLine = std::string("chattr ") + (on ? "+" : "-") + flag + " \"" + unixPath + "\"";
  HeapFree(GetProcessHeap(), 0, unixPath);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA("Z:\\usr\\bin\\chattr", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
  for (int waited = 0; waited < 5000; waited += 20) {
    const bool denied =
        deny == UnwritableFolder::Deny::Everything ? !CanCreateIn(folder) : !CanDeleteIn(folder);
    if (denied == on) return true;
    Sleep(20);
  }
  return false;
}

}  // namespace

UnwritableFolder::UnwritableFolder(std::string path, Deny deny) : path_(std::move(path)), deny_(deny) {
  held_ = ChangeFolderFlag(path_, deny_, true);
}

UnwritableFolder::~UnwritableFolder() {
  if (held_ && !ChangeFolderFlag(path_, deny_, false)) {
    ADD_FAILURE_AT(__FILE__, __LINE__) << "chattr -i/-a failed: " << path_ << " stays locked";
    return;
  }
  // A probe made just before the flag took hold could not be removed then:
  // it goes now, so that the folder holds only what the test put there.
  for (const std::string& name : FileNames(path_)) {
    if (name.starts_with("probe") && name.ends_with(".tmp")) DeleteFileA((path_ + "\\" + name).c_str());
  }
}

void PutFile(const std::string& path, const std::string& bytes) {
  for (size_t pos = path.find('\\', 3); pos != std::string::npos; pos = path.find('\\', pos + 1)) {
    CreateDirectoryA(path.substr(0, pos).c_str(), nullptr);
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string full = path + "\\" + name;
      SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(find, &found));
    FindClose(find);
  }
  RemoveDirectoryA(path.c_str());
}
