#pragma once
// A fresh folder under the user's temporary folder, removed with all it holds,
// and small file helpers for tests on the real file system.
#include <windows.h>

#include <string>

class TempFolder {
 public:
  explicit TempFolder(const std::string& tag);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path_; }
  // Path + "\" + relative.
  std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

 private:
  std::string path_;
};

// Writes the bytes, creating missing parent folders.
void PutFile(const std::string& path, const std::string& bytes);
std::string FileBytes(const std::string& path);  // "<missing>" when absent
bool FileExists(const std::string& path);
void RemoveTree(const std::string& path);
