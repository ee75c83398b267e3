// Prints how long the launcher's start-up takes against a game folder of
// 5,000 files in the extension table's folders, none switched off, and how
// many file-system calls the restore makes.
#include <windows.h>

#include <string>

#include "change_extensions.h"
#include "files.h"
#include "machine.h"
#include "main_window.h"
#include "message_box.h"
#include "registry.h"

namespace {

// 5,000 live files spread over the folders the table searches.
std::string LayOutGameFolder() {
  const std::string game = TempFolderPath() + "kestrun_startup_probe";
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
  return game;
}

}  // namespace

int main() {
  SetAppTitle("Kestrun");
  const std::string game = LayOutGameFolder();
  registry::MakeKey(HKEY_CURRENT_USER, "Software\\2015\\MOHAA");
  registry::StoreKeyValue(HKEY_CURRENT_USER, "Software\\2015\\MOHAA", "basepath", game, registry::kText);

  constexpr int kRuns = 5;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  double totalMs = 0;
  FileSystemCalls before{}, after{};
  for (int run = 0; run < kRuns; ++run) {
    MainWindow main(game);
    before = FileSystemCallCount();
    QueryPerformanceCounter(&start);
    main.Create();
    main.StartUp();
    QueryPerformanceCounter(&end);
    after = FileSystemCallCount();
    totalMs += 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  }
  const std::string machine = MachineName();
  BenchRow("launcher start-up in process, 5,000 live files (mean of 5)", Figure("%.1f ms", totalMs / kRuns), "report",
           machine);
  // One listing per table entry: no folder is listed twice for one entry.
  BenchRow("  folder listings opened", std::to_string(after.listings - before.listings), "30 (one per table entry)",
           machine);
  BenchRow("  further listing steps", std::to_string(after.nextEntries - before.nextEntries), "report", machine);
  BenchRow("  attribute queries", std::to_string(after.probes - before.probes), "report", machine);
  BenchRow("  renames", std::to_string(after.renames - before.renames), "0 (none switched off)", machine);
  return 0;
}
