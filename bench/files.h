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

// A game folder of 5,000 live files spread over the folders the extension
// table searches, none switched off. Laid out once; a finished folder carries
// a marker and is reused.
inline std::string LayOutGameFolder() {
  const std::string game = TempFolderPath() + "kestrun_startup_probe";
  const std::string marker = game + "\\laid_out.txt";
  if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return game;
  struct Spread {
    const char* folder;
    const char* extension;
    int count;
  } spread[] = {{"\\main", "pk3", 1500}, {"\\main\\maps\\dm", "min", 800}, {"\\main\\maps\\obj", "min", 400},
                {"\\main\\configs", "cfg", 300}, {"\\mainta", "pk3", 700}, {"\\maintt", "pk3", 700},
                {"", "exe", 100},       {"\\main\\screenshots", "tga", 500}};
  for (const Spread& s : spread) {
    MakeFolder(game + s.folder);
    for (int i = 0; i < s.count; ++i) Touch(game + s.folder + "\\file" + std::to_string(i) + "." + s.extension);
  }
  Touch(marker);
  return game;
}
