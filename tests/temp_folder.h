#pragma once
// A fresh folder under the user's temporary folder, removed with all it holds,
// and small file helpers for tests on the real file system.
#include <windows.h>

#include <string>
#include <vector>

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

// A folder the user cannot write, as "C:\Program Files" is for a program run
// as the user: nothing can be created, renamed or deleted in it. Running as
// root, Wine ignores file permissions, so the folder gets the Linux flag
// "immutable" (chattr +i), taken off again when this object goes. Held
// reports whether the flag took effect (not under Wine, or no chattr: false).
//
// With Deny::Delete the folder gets "append only" (chattr +a) instead: files
// can be created and written in it but not deleted or renamed, as in a folder
// whose permissions grant the user "create files" without "delete". Checking
// that flag leaves the file kChattrCheckFile in the folder while it is held.
class UnwritableFolder {
 public:
  enum class Deny { Everything, Delete };
  static constexpr const char* kChattrCheckFile = "chattr-check";
  explicit UnwritableFolder(std::string path, Deny deny = Deny::Everything);
  ~UnwritableFolder();
  UnwritableFolder(const UnwritableFolder&) = delete;
  UnwritableFolder& operator=(const UnwritableFolder&) = delete;
  bool Held() const { return held_; }

 private:
  std::string path_;
  Deny deny_;
  bool held_ = false;
};

// Writes the bytes, creating missing parent folders.
void PutFile(const std::string& path, const std::string& bytes);
std::string FileBytes(const std::string& path);  // "<missing>" when absent
bool FileExists(const std::string& path);
std::vector<std::string> FileNames(const std::string& folder);  // what the folder holds, sorted
void RemoveTree(const std::string& path);
