#include "launcher/win/file_io.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <set>

#include "launcher/core/list_file.h"

namespace {

// List files are a few kilobytes; anything this large is not one of ours and
// must not be allowed to exhaust memory.
constexpr size_t kMaxFileSize = 64u << 20;
constexpr DWORD kChunk = 1u << 16;
// A remembered list this large holds hundreds of thousands of entries:
// filling the window's lists with them holds the window for minutes. It is
// never written larger, so that every list we write is read back.
constexpr size_t kMaxListFileSize = 1u << 20;

// List files that exist but could not be read at their last reading (held
// open by another program, or too large). Rewriting one from what the
// launcher holds would drop every entry it never saw.
std::set<std::string>& UnreadListFiles() {
  static std::set<std::string> paths;
  return paths;
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  bool Close() {
    if (!Valid()) return true;
    bool ok = CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

bool WriteAll(HANDLE file, const std::string& content) {
  size_t done = 0;
  while (done < content.size()) {
    DWORD want = static_cast<DWORD>(std::min<size_t>(content.size() - done, kChunk));
    DWORD wrote = 0;
    if (!WriteFile(file, content.data() + done, want, &wrote, nullptr) || wrote != want) return false;
    done += wrote;
  }
  return true;
}

// A file beside the target, so that the final rename stays on one volume.
// One name per list: in a folder that refuses deletes a failed save cannot
// remove it, and the next save takes it over rather than leaving another.
// Only while another save holds that one does a save take a name of its own,
// made with CREATE_NEW so that it never takes over somebody else's file.
// Opened for this save alone, with the right to rename and delete it, and
// held until it is renamed: no other save can write through it meanwhile.
HANDLE CreateTempBeside(const std::string& path, std::string& tempPath) {
  constexpr DWORD kAccess = GENERIC_WRITE | DELETE;
  tempPath = path + ".saving";
  HANDLE h = CreateFileA(tempPath.c_str(), kAccess, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) return h;
  if (GetLastError() != ERROR_SHARING_VIOLATION) {
    tempPath.clear();
    return INVALID_HANDLE_VALUE;
  }
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 16; ++attempt) {
    tempPath = path + ".tmp" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
    h = CreateFileA(tempPath.c_str(), kAccess, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) return h;
    DWORD err = GetLastError();
    if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) break;
  }
  tempPath.clear();
  return INVALID_HANDLE_VALUE;
}

// The system's own name of a file, which a rename through a handle takes:
// "\??\C:\folder\file" or "\??\UNC\server\share\file".
std::string SystemPath(const std::string& path) {
  std::string full(MAX_PATH, '\0');
  for (;;) {
    const DWORD n = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0) return {};
    const bool fits = n < full.size();
    full.resize(n);
    if (fits) break;
  }
  if (full.starts_with("\\\\?\\")) return "\\??\\" + full.substr(4);
  if (full.starts_with("\\\\")) return "\\??\\UNC\\" + full.substr(2);
  return "\\??\\" + full;
}

// Renames the open file over path. Through the handle rather than by name:
// closed first, the name could be taken by another save, whose list this
// rename would then install.
bool RenameOver(HANDLE file, const std::string& path) {
  const std::string name = SystemPath(path);
  const int length = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  if (name.empty() || length <= 0) return false;
  std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + length * sizeof(WCHAR));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = TRUE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(length * sizeof(WCHAR));
  MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), info->FileName, length);
  return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != 0;
}

// Removes the open file when its handle closes: this save's own file, even
// where another save has since taken its name.
void DeleteOnClose(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Wine's DeleteFile reports success where the folder refuses the delete and
// the file stays: only its absence tells.
bool Delete(const std::string& path) {
  DeleteFileA(path.c_str());
  return !Exists(path);
}

}  // namespace

std::string ProgramFolder() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    if (path.size() >= 32768) return {};  // longer than any Windows path
    path.resize(path.size() * 2);
  }
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// One name for every start: where the probe cannot be deleted, the one an
// earlier start left says so, and no second one is made.
bool FolderIsWritable(const std::string& folder) {
  const std::string probe = folder + "\\kestrun-probe.tmp";
  if (Exists(probe) && !Delete(probe)) return false;
  // Not GetTempFileName: Wine's reports success when the file could not be made.
  HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  // Saving a list replaces its file, which takes a delete: a folder that
  // lets files be made but not deleted cannot keep a list.
  return Delete(probe);
}

bool ReadWholeFile(const std::string& path, std::string& content) {
  return ReadWholeFile(path, content, kMaxFileSize);
}

bool ReadWholeFile(const std::string& path, std::string& content, size_t maxSize) {
  Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0 || static_cast<uint64_t>(size.QuadPart) > maxSize)
    return false;

  // Read to the end rather than trusting the size: the file may grow meanwhile.
  std::string data;
  data.reserve(static_cast<size_t>(size.QuadPart) + kChunk);
  size_t used = 0;
  for (;;) {
    if (used > maxSize) return false;
    data.resize(used + kChunk);
    DWORD got = 0;
    if (!ReadFile(file.Get(), data.data() + used, kChunk, &got, nullptr)) return false;
    if (got == 0) break;
    used += got;
  }
  data.resize(used);
  content = std::move(data);
  return true;
}

bool WriteWholeFile(const std::string& path, const std::string& content) {
  if (content.size() > kMaxFileSize) return false;  // we could never read it back
  // Windows refuses to rename over a read-only file, Wine does not; asking
  // first keeps such a file untouched on both.
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
    return false;
  std::string tempPath;
  Handle temp(CreateTempBeside(path, tempPath));
  if (!temp.Valid()) return false;
  // Fails when the target is held open without delete sharing; the old file
  // then stays as it was.
  bool ok = WriteAll(temp.Get(), content) && FlushFileBuffers(temp.Get()) && RenameOver(temp.Get(), path);
  if (!ok) DeleteOnClose(temp.Get());
  return temp.Close() && ok;
}

namespace {

std::vector<std::string> ReadListFileUpTo(const std::string& path, size_t maxSize) {
  std::string content;
  if (!ReadWholeFile(path, content, maxSize)) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
      UnreadListFiles().insert(path);
    } else {
      UnreadListFiles().erase(path);
    }
    return {};
  }
  UnreadListFiles().erase(path);
  return ParseListFile(content);
}

}  // namespace

std::vector<std::string> ReadListFile(const std::string& path) { return ReadListFileUpTo(path, kMaxListFileSize); }

std::vector<std::string> ReadDisableList(const std::string& path) { return ReadListFileUpTo(path, kMaxFileSize); }

bool WriteListFile(const std::string& path, const std::string& header, const std::vector<std::string>& entries) {
  if (UnreadListFiles().count(path)) return false;
  const std::string content = FormatListFile(header, entries);
  return content.size() <= kMaxListFileSize && WriteWholeFile(path, content);
}

bool ReplaceListFile(const std::string& path, const std::string& header, const std::vector<std::string>& entries) {
  return WriteWholeFile(path, FormatListFile(header, entries));
}
