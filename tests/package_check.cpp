// Checks the two programs as unpacked from the download, as a user would meet
// them: each carries the project version in its version resource, and each
// starts and shows its window (the launcher's captioned "Kestrun Version 1.3",
// the overlay's square). scripts/check-package runs it under Wine:
//
//   package_check.exe <folder of the unpacked programs> <version, e.g. 1.3.0>
//
// Prints one line per check and ends with 1 when any failed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "programs.h"

namespace {

constexpr double kGiveUpMs = 20000;

struct Program {
  const char* file;
  const char* windowClass;
  const char* caption;  // nullptr: any
};
constexpr Program kPrograms[] = {{"Kestrun.exe", "KestrunMain", "Kestrun Version 1.3"},
                                 {"corvel2.exe", "MiniRemote", nullptr}};

int failures = 0;

void Report(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  if (!ok) ++failures;
}

std::string VersionString(const std::string& info, const char* name) {
  char* text = nullptr;
  UINT length = 0;
  const std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
  if (!VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) || !text) return "";
  return text;
}

std::string FixedVersion(const std::string& info, bool product) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return "";
  const DWORD high = product ? fixed->dwProductVersionMS : fixed->dwFileVersionMS;
  const DWORD low = product ? fixed->dwProductVersionLS : fixed->dwFileVersionLS;
  return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." + std::to_string(HIWORD(low)) +
         "." + std::to_string(LOWORD(low));
}

void CheckVersion(const std::string& path, const std::string& file, const std::string& version) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  std::string info(size, '\0');
  if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, info.data())) {
    Report(false, file + " has a version resource");
    return;
  }
  for (const char* name : {"FileVersion", "ProductVersion"}) {
    const std::string text = VersionString(info, name);
    Report(text == version, file + " " + name + " \"" + text + "\" is \"" + version + "\"");
  }
  for (bool product : {false, true}) {
    const std::string fixed = FixedVersion(info, product);
    Report(fixed == version + ".0", file + (product ? " product" : " file") + " version number " + fixed);
  }
}

void CheckStart(const std::string& path, const Program& p) {
  RunningProgram running;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!StartProgram(path, running)) {
    Report(false, std::string(p.file) + " starts");
    return;
  }
  const bool shown = WaitForShownWindow(running, p.windowClass, start, kGiveUpMs);
  Report(shown, std::string(p.file) + " shows a window of class " + p.windowClass);
  if (shown && p.caption) {
    char caption[256] = {};
    GetWindowTextA(running.window, caption, sizeof caption);
    Report(std::string(caption) == p.caption, std::string(p.file) + " window caption \"" + caption + "\"");
  }
  EndProgram(running);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: package_check <folder of the unpacked programs> <version>\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::string version = argv[2];
  for (const Program& p : kPrograms) {
    const std::string path = folder + "\\" + p.file;
    Report(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES, path + " exists");
    CheckVersion(path, p.file, version);
    CheckStart(path, p);
  }
  std::printf("%s\n", failures ? "package check FAILED" : "package check passed");
  return failures ? 1 : 0;
}
