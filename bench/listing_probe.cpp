// Prints how long the game folder listing takes on a tree of 20,000 files in
// 1,000 folders (a quarter of them add-on archives), and where the tree lies
// on the host, so that scripts/bench can time `find` on the same tree.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/files.h"
#include "bench/machine.h"
#include "launcher/win/game_listing.h"

namespace {

constexpr int kTopFolders = 10;
constexpr int kSubfolders = 99;  // per top folder: 10 + 990 = 1,000 folders
constexpr int kFilesPerFolder = 20;
const char* const kKinds[] = {"pk3", "txt", "cfg", "tga"};

// Lays the tree out once; a finished tree carries a marker and is reused.
std::string LayOutTree() {
  const std::string root = TempFolderPath() + "kestrun_listing_probe";
  const std::string marker = root + "\\complete";
  if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES) return root;
  auto fill = [](const std::string& folder) {
    MakeFolder(folder);
    for (int i = 0; i < kFilesPerFolder; ++i) {
      // Some stock archive names among the add-ons: matched, then left out.
      const std::string name = (i == 0) ? "pak0.pk3" : "file" + std::to_string(i) + "." + kKinds[i % 4];
      Touch(folder + "\\" + name);
    }
  };
  for (int top = 0; top < kTopFolders; ++top) {
    const std::string topFolder = root + "\\top" + std::to_string(top);
    fill(topFolder);
    for (int sub = 0; sub < kSubfolders; ++sub) fill(topFolder + "\\sub" + std::to_string(sub));
  }
  Touch(marker);
  return root;
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double TimeListing(const std::string& root, size_t& listed) {
  std::vector<std::string> out;
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  ListGameFolder(root, "pk3", out);
  QueryPerformanceCounter(&end);
  listed = out.size();
  return Milliseconds(start, end);
}

// The host's name for a Windows path under Wine; empty elsewhere.
std::string HostPath(const std::string& path) {
  using ToUnix = char*(__cdecl*)(const wchar_t*);
  auto toUnix = reinterpret_cast<ToUnix>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return {};
  std::wstring wide(path.begin(), path.end());
  char* unix = toUnix(wide.c_str());
  if (!unix) return {};
  std::string host = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return host;
}

}  // namespace

int main() {
  const std::string root = LayOutTree();
  size_t listed = 0;
  const double first = TimeListing(root, listed);
  constexpr int kRuns = 5;
  double total = 0;
  for (int run = 0; run < kRuns; ++run) total += TimeListing(root, listed);
  if (listed == 0) return MeasuredNothing("the listing found no add-on archive in " + root);
  const std::string machine = MachineName();
  BenchRow("game folder listing, 20,000 files in 1,000 folders, first run", Figure("%.1f ms", first),
           "report, next to find", machine);
  BenchRow("  the same, mean of 5 further runs", Figure("%.1f ms", total / kRuns), "report, next to find", machine);
  BenchRow("  add-on archives listed", std::to_string(listed), "4000", machine);
  const std::string host = HostPath(root);
  if (!host.empty()) std::printf("host path: %s\n", host.c_str());
  return 0;
}
