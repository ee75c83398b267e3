#include "tests/game_standin.h"

#include "launcher/win/file_io.h"
#include "tests/temp_folder.h"
#include "tests/wine_test_util.h"

namespace {

// "key: value" of a record line; false for another key.
bool Field(const std::string& line, const char* key, std::string& value) {
  const std::string prefix = std::string(key) + ": ";
  if (line.compare(0, prefix.size(), prefix) != 0) return false;
  value = line.substr(prefix.size());
  return true;
}

}  // namespace

bool InstallStandIns(const std::string& folder) {
  // The test programs sit in build\tests, the stand-ins in build\tools\game_standin.
  const std::string built = ProgramFolder() + "\\..\\tools\\game_standin\\";
  for (size_t pos = folder.find('\\', 3); pos != std::string::npos; pos = folder.find('\\', pos + 1)) {
    CreateDirectoryA(folder.substr(0, pos).c_str(), nullptr);
  }
  CreateDirectoryA(folder.c_str(), nullptr);
  bool ok = true;
  for (const char* program : {"mohaa.exe", "moh_spearhead.exe", "moh_breakthrough.exe"}) {
    ok = CopyFileA((built + program).c_str(), (folder + "\\" + program).c_str(), FALSE) && ok;
  }
  return ok;
}

bool InstallStandInAs(const std::string& folder, const std::string& program) {
  const std::string built = ProgramFolder() + "\\..\\tools\\game_standin\\mohaa.exe";
  return CopyFileA(built.c_str(), (folder + "\\" + program).c_str(), FALSE) != 0;
}

std::vector<LaunchRecord> LaunchRecords(const std::string& folder) {
  std::vector<LaunchRecord> records;
  std::string log = FileBytes(folder + "\\launches.log");
  if (log == "<missing>") return records;
  // A record ends with an empty line; a record still being written is left out.
  for (size_t end; (end = log.find("\r\n\r\n")) != std::string::npos; log.erase(0, end + 4)) {
    LaunchRecord record;
    std::string process;
    size_t start = 0;
    for (size_t eol; start <= end && (eol = log.find("\r\n", start)) != std::string::npos && eol <= end;
         start = eol + 2) {
      const std::string line = log.substr(start, eol - start);
      if (Field(line, "program", record.program) || Field(line, "command line", record.commandLine) ||
          Field(line, "working folder", record.workingFolder)) {
        continue;
      }
      if (Field(line, "process", process)) record.process = static_cast<DWORD>(std::stoul(process));
    }
    records.push_back(record);
  }
  return records;
}

std::vector<LaunchRecord> WaitForLaunches(const std::string& folder, size_t count, int timeoutMs) {
  PumpUntil([&] { return LaunchRecords(folder).size() >= count; }, timeoutMs);
  return LaunchRecords(folder);
}

bool WaitForExit(DWORD process, int timeoutMs) {
  HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process);
  if (!handle) return true;
  const bool ended = PumpUntil([&] { return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0; }, timeoutMs);
  CloseHandle(handle);
  return ended;
}
