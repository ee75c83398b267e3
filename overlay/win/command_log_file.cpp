#include "overlay/win/command_log_file.h"

#include <windows.h>

#include "common/win/log_places.h"

namespace {

// Readers may look at the log while a line goes in; nobody else writes it.
HANDLE OpenLog(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
}

bool SizeOf(HANDLE file, uint64_t& size) {
  LARGE_INTEGER s{};
  if (!GetFileSizeEx(file, &s)) return false;
  size = static_cast<uint64_t>(s.QuadPart);
  return true;
}

std::string LastBytes(HANDLE file, uint64_t size) {
  char tail[2] = {};
  const LONG count = size < 2 ? static_cast<LONG>(size) : 2;
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(size) - count;
  DWORD read = 0;
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN) || !ReadFile(file, tail, static_cast<DWORD>(count), &read, nullptr)) {
    return {};
  }
  return std::string(tail, read);
}

// Windows refuses to write or rename over a read-only file, Wine run as root
// does not; asking first keeps such a file untouched on both.
bool Untouchable(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY));
}

// The old log is replaced. When the rename is refused the log simply grows
// on: a line lost is worse than a long file.
void RenewLog(const std::string& folder) {
  const std::string path = folder + kCommandLogName;
  const std::string old = folder + kOldCommandLogName;
  if (Untouchable(old)) return;
  MoveFileExA(path.c_str(), old.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

}  // namespace

bool AppendLogLine(const std::string& folder, const std::string& line) {
  const std::string path = folder + kCommandLogName;
  if (Untouchable(path)) return false;
  CreateDirectoryA(folder.c_str(), nullptr);  // the fallback folder may not exist yet
  HANDLE file = OpenLog(path);
  if (file == INVALID_HANDLE_VALUE) return false;
  uint64_t size = 0;
  if (SizeOf(file, size) && LogNeedsRollover(size, line.size())) {
    CloseHandle(file);
    RenewLog(folder);
    file = OpenLog(path);
    if (file == INVALID_HANDLE_VALUE) return false;
    SizeOf(file, size);
  }
  const std::string text = std::string(LogLineLead(LastBytes(file, size))) + line;
  DWORD written = 0;
  LARGE_INTEGER end{};
  const bool ok = SetFilePointerEx(file, end, nullptr, FILE_END) &&
                  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size();
  CloseHandle(file);
  return ok;
}

bool CommandLogFile::Append(const CommandRecord& record) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  const LocalTime time{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  const std::string line = FormatLogLine(time, record);
  for (const std::string& folder : folders_) {
    if (AppendLogLine(folder, line)) {
      lastPath_ = folder + kCommandLogName;
      return true;
    }
  }
  return false;
}
