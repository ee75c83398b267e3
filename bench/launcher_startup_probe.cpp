// Prints how long the launcher's start-up takes against a game folder of
// 5,000 files in the extension table's folders, none switched off, and how
// many file-system calls the restore makes.
#include <windows.h>

#include <string>

#include "bench/files.h"
#include "bench/machine.h"
#include "bench/probe_settings.h"
#include "common/win/message_box.h"
#include "launcher/win/change_extensions.h"
#include "launcher/win/main_window.h"

int main() {
  SetAppTitle("Kestrun");
  // A message box here means the start-up stopped short (a game console
  // running); under a probe nobody would answer it.
  std::string message;
  SetMessageHook([&](const std::string& text, const std::string&, unsigned) {
    message = text;
    return IDOK;
  });
  const std::string game = LayOutGameFolder();
  StoreGameFolder(game);

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
  if (!message.empty()) return MeasuredNothing("the launcher's start-up showed \"" + message + "\"");
  if (after.listings == before.listings) return MeasuredNothing("the launcher's start-up listed no folder");
  const std::string machine = MachineName();
  BenchRow("launcher start-up in process, 5,000 live files (mean of 5)", Figure("%.1f ms", totalMs / kRuns), "report",
           machine);
  // One listing per table entry: no folder is listed twice for one entry.
  // OpenMoHAA's home folder, where it exists, adds its 22 entries.
  BenchRow("  folder listings opened", std::to_string(after.listings - before.listings),
           "30 (one per table entry; 52 with OpenMoHAA's home folder)", machine);
  BenchRow("  further listing steps", std::to_string(after.nextEntries - before.nextEntries), "report", machine);
  BenchRow("  attribute queries", std::to_string(after.probes - before.probes), "report", machine);
  BenchRow("  renames", std::to_string(after.renames - before.renames), "0 (none switched off)", machine);
  return 0;
}
