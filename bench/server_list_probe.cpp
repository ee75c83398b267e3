// Prints how long the "Server List" window takes to fill every answering row
// when it queries many servers at once, and the CPU its window thread uses
// during the round. The servers are the game-server stand-in, started by
// scripts/bench on ports in a row, the last of them silent:
//   server_list_probe FIRST_PORT COUNT SILENT
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/files.h"
#include "bench/machine.h"
#include "bench/window_events.h"
#include "common/win/message_box.h"
#include "launcher/win/main_window.h"
#include "launcher/win/server_list_window.h"

namespace {

constexpr int kRounds = 5;
constexpr const char* kDemoMap = "obj/obj_team2";

int RowsIn(const ServerList& list, QueryStage stage) {
  int count = 0;
  for (size_t place = 0; place < list.Size(); ++place) count += list.At(place).stage == stage;
  return count;
}

bool EveryAnswerShowsTheDemoMap(const ServerList& list) {
  for (size_t place = 0; place < list.Size(); ++place) {
    if (list.At(place).stage == QueryStage::Answered && list.At(place).map != kDemoMap) return false;
  }
  return true;
}

struct Round {
  double firstMs = 0, filledMs = 0, overMs = 0, cpuMs = 0;
  int answered = 0, noReply = 0;
  bool mapsRight = false;
};

// One round from the request going out; the first opens the window, the others press "Refresh".
Round MeasureRound(MainWindow& main, ServerListWindow*& window, int answering) {
  Round r;
  const double cpu0 = ThreadCpuSeconds();
  const double start = Seconds();
  if (!window) {
    window = main.OpenServerList();
    if (!window) return r;
  } else {
    window->Refresh();
  }
  const ServerList& list = window->Servers();
  if (PumpUntil([&] { return RowsIn(list, QueryStage::Answered) >= 1; }, 5000)) r.firstMs = (Seconds() - start) * 1000;
  if (PumpUntil([&] { return RowsIn(list, QueryStage::Answered) >= answering; }, 5000)) {
    r.filledMs = (Seconds() - start) * 1000;
  }
  PumpUntil([&] { return !window->RoundRunning(); }, 5000);
  r.overMs = (Seconds() - start) * 1000;
  r.cpuMs = (ThreadCpuSeconds() - cpu0) * 1000;
  r.answered = RowsIn(list, QueryStage::Answered);
  r.noReply = RowsIn(list, QueryStage::NoReply);
  r.mapsRight = EveryAnswerShowsTheDemoMap(list);
  return r;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return MeasuredNothing("usage: server_list_probe FIRST_PORT COUNT SILENT");
  const int firstPort = std::atoi(argv[1]), count = std::atoi(argv[2]), silent = std::atoi(argv[3]);
  const int answering = count - silent;
  if (firstPort < 1 || count < 1 || count > 1024 || silent < 0 || answering < 1) {
    return MeasuredNothing("the ports given are no servers to ask");
  }
  SetAppTitle("Kestrun");
  std::string message;
  SetMessageHook([&](const std::string& text, const std::string&, unsigned) {
    message = text;
    return IDOK;
  });
  const std::string folder = TempFolderPath() + "kestrun_server_list_probe";
  MakeFolder(folder);
  MainWindow main(folder);
  if (!main.Create()) return MeasuredNothing("the launcher's window could not be made");
  main.StartUp();
  if (!message.empty()) return MeasuredNothing("the launcher's start-up showed \"" + message + "\"");
  main.Show(SW_SHOWNOACTIVATE);
  main.rememberedServers.clear();
  for (int i = 0; i < count; ++i) main.rememberedServers.push_back("127.0.0.1:" + std::to_string(firstPort + i));

  ServerListWindow* window = nullptr;
  std::vector<double> first, filled, over, cpuShare;
  for (int i = 0; i < kRounds; ++i) {
    const Round r = MeasureRound(main, window, answering);
    if (!window) return MeasuredNothing("the server list window did not open");
    if (r.answered != answering || r.noReply != silent) {
      return MeasuredNothing(std::to_string(r.answered) + " rows answered and " + std::to_string(r.noReply) +
                             " without reply, not " + std::to_string(answering) + " and " + std::to_string(silent) +
                             " (is the game-server stand-in running on ports " + argv[1] + " and on?)");
    }
    if (!r.mapsRight) return MeasuredNothing("an answered row does not show the stand-in's map");
    first.push_back(r.firstMs);
    filled.push_back(r.filledMs);
    over.push_back(r.overMs);
    cpuShare.push_back(100.0 * r.cpuMs / r.overMs);
  }
  window->Close();
  main.Close();

  const std::string machine = MachineName();
  const std::string servers = std::to_string(count) + " servers (" + std::to_string(silent) + " silent)";
  BenchRow("Server List, " + servers + ": every answering row filled, median of " + std::to_string(kRounds),
           Figure("%.1f ms", Median(filled)), "not behind quakestat -q3s", machine);
  BenchRow("  the same, the first row filled", Figure("%.1f ms", Median(first)), "report", machine);
  BenchRow("  the same, round over (silent rows show \"no reply\")", Figure("%.0f ms", Median(over)), "report",
           machine);
  BenchRow("  CPU of the window thread during the round", Figure("%.2f %% of round", Median(cpuShare)), "report",
           machine);
  return 0;
}
