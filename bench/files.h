#pragma once
// Laying out test trees of empty files for the probes.
#include <windows.h>

#include <string>

inline void Touch(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

// Creates the folder with every missing parent.
inline void MakeFolder(const std::string& path) {
  for (size_t pos = path.find('\\', 3); pos != std::string::npos; pos = path.find('\\', pos + 1)) {
    CreateDirectoryA(path.substr(0, pos).c_str(), nullptr);
  }
  CreateDirectoryA(path.c_str(), nullptr);
}

inline std::string TempFolderPath() {
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(sizeof temp, temp);
  return temp;
}
