// Prints how long the "Server List" window takes from the choice of "Allied
// Assault" to the master's list, to the first row filled and to every
// answering row filled, the CPU of the window thread over the round, and the
// answering servers shown "no reply" in each run. The master runs on loopback with the
// game-server stand-ins heartbeating to it on query ports in a row, in blocks
// of BLOCK whose last SILENT * BLOCK / COUNT are silent (scripts/bench-master
// starts them in a private network namespace):
//   master_list_probe LIST_PORT FIRST_QUERY_PORT COUNT SILENT BLOCK
// It first waits until the master lists every stand-in, since the master
// challenges and queries each itself before it lists it.
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
#include "common/win/settings.h"
#include "launcher/core/server_list.h"
#include "launcher/win/main_window.h"
#include "launcher/win/master_query.h"
#include "launcher/win/server_list_window.h"

namespace {

constexpr int kRuns = 5;
constexpr double kListingLimitMs = 300000;
const GameSpyGame& kMohaa = kGameSpyGames[0];

struct Run {
  double listedMs = -1, firstMs = -1, filledMs = -1, overMs = -1, cpuMs = 0;
  size_t listed = 0;
  int answeringShownNoReply = 0, silentAnswered = 0;
};

int RowsIn(const ServerList& list, QueryStage stage) {
  int count = 0;
  for (size_t place = 0; place < list.Size(); ++place) count += list.At(place).stage == stage;
  return count;
}

class Probe {
 public:
  Probe(int listPort, int firstQueryPort, int count, int silent, int block)
      : master_{"127.0.0.1", listPort}, firstQueryPort_(firstQueryPort), count_(count), silent_(silent), block_(block) {}

  // Asks the master once a second until it lists every stand-in; false when it did not within the limit.
  bool WaitForFullList() {
    const double start = Seconds();
    size_t last = 0;
    while ((Seconds() - start) * 1000 < kListingLimitMs) {
      MasterQuery query;
      query.Start(master_, kMohaa);
      PumpUntil([&] { return query.Result() != MasterResult::Pending; }, MasterQuery::kTimeLimitMs + 1000);
      last = query.Result() == MasterResult::Listed ? query.Servers().size() : 0;
      if (last >= static_cast<size_t>(count_)) {
        std::fprintf(stderr, "master list probe: the master lists all %d after %.0f s\n", count_, Seconds() - start);
        return true;
      }
      PumpUntil([] { return false; }, 1000);
    }
    std::fprintf(stderr, "master list probe: the master lists %zu of %d\n", last, count_);
    return false;
  }

  // From the choice of the source: the masters asked, then every listed server.
  Run Measure(ServerListWindow& window) {
    Run r;
    const ServerList& list = window.Servers();
    const int answering = count_ - silent_;
    const double cpu0 = ThreadCpuSeconds();
    const double start = Seconds();
    auto since = [&] { return (Seconds() - start) * 1000; };
    window.ChooseSource(ServerSource::AlliedAssault);
    if (PumpUntil([&] { return !window.MastersRunning(); }, 10000)) r.listedMs = since();
    r.listed = list.Size();
    if (PumpUntil([&] { return RowsIn(list, QueryStage::Answered) >= 1; }, 10000)) r.firstMs = since();
    if (PumpUntil([&] { return RowsIn(list, QueryStage::Answered) >= answering; }, 10000)) r.filledMs = since();
    PumpUntil([&] { return !window.RoundRunning(); }, 10000);
    r.overMs = since();
    r.cpuMs = (ThreadCpuSeconds() - cpu0) * 1000;
    for (size_t place = 0; place < list.Size(); ++place) {
      const ServerRow& row = list.At(place);
      const int offset = row.target.port - firstQueryPort_;
      const bool silent = offset % block_ >= block_ - silent_ * block_ / count_;
      if (silent && row.stage == QueryStage::Answered) ++r.silentAnswered;
      if (!silent && row.stage == QueryStage::NoReply) ++r.answeringShownNoReply;
    }
    return r;
  }

  std::string MasterText() const { return master_.host + ":" + std::to_string(master_.port); }

 private:
  MasterAddress master_;
  int firstQueryPort_, count_, silent_, block_;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) return MeasuredNothing("usage: master_list_probe LIST_PORT FIRST_QUERY_PORT COUNT SILENT BLOCK");
  const int listPort = std::atoi(argv[1]), firstQueryPort = std::atoi(argv[2]), count = std::atoi(argv[3]),
            silent = std::atoi(argv[4]), block = std::atoi(argv[5]);
  if (listPort < 1 || listPort > 65535 || firstQueryPort < 1 || count < 1 || silent < 0 || silent >= count ||
      block < 1 || count % block != 0 || (silent * block) % count != 0) {
    return MeasuredNothing("no master and servers to ask");
  }
  Probe probe(listPort, firstQueryPort, count, silent, block);
  SetAppTitle("Kestrun");
  std::string message;
  SetMessageHook([&](const std::string& text, const std::string&, unsigned) {
    message = text;
    return IDOK;
  });
  const std::string folder = TempFolderPath() + "kestrun_master_list_probe";
  MakeFolder(folder);
  MainWindow main(folder);
  if (!main.Create()) return MeasuredNothing("the launcher's window could not be made");
  main.StartUp();
  if (!message.empty()) return MeasuredNothing("the launcher's start-up showed \"" + message + "\"");
  // Never the default masters: the window asks only the one on loopback, and opens on the empty saved list.
  settings::Write(settings::kMasterServers, probe.MasterText());
  settings::Write(settings::kServerListSource, static_cast<int32_t>(ServerSource::Saved));
  if (settings::ReadIfPresent(settings::kMasterServers) != probe.MasterText()) {
    return MeasuredNothing("\"Master Servers\" could not be set to the master on loopback");
  }
  main.Show(SW_SHOWNOACTIVATE);
  main.rememberedServers.clear();
  if (!probe.WaitForFullList()) return MeasuredNothing("the master did not list every stand-in");
  ServerListWindow* window = main.OpenServerList();
  if (!window) return MeasuredNothing("the server list window did not open");
  PumpUntil([&] { return !window->RoundRunning(); }, 5000);

  std::vector<double> listed, first, filled, cpu, cpuShare;
  std::string lost;
  for (int i = 0; i < kRuns; ++i) {
    const Run r = probe.Measure(*window);
    if (r.listed != static_cast<size_t>(count)) {
      return MeasuredNothing("the window shows " + std::to_string(r.listed) + " listed servers, not " +
                             std::to_string(count));
    }
    if (r.silentAnswered > 0) return MeasuredNothing("a silent stand-in's row was filled");
    lost += (lost.empty() ? "" : " ") + std::to_string(r.answeringShownNoReply);
    listed.push_back(r.listedMs);
    first.push_back(r.firstMs);
    // A run that lost an answer never filled every row: its round's end stands in.
    filled.push_back(r.filledMs >= 0 ? r.filledMs : r.overMs);
    cpu.push_back(r.cpuMs);
    cpuShare.push_back(100.0 * r.cpuMs / r.overMs);
  }
  window->Close();
  main.Close();
  const std::string machine = MachineName();
  const std::string servers = std::to_string(count) + " servers (" + std::to_string(silent) + " silent)";
  BenchRow("Server List, \"Allied Assault\" chosen, real master, " + servers + ": list received, median of " + std::to_string(kRuns),
           Figure("%.1f ms", Median(listed)), "report", machine);
  BenchRow("  the same, the first row filled", Figure("%.1f ms", Median(first)), "report", machine);
  BenchRow("  the same, every answering row filled", Figure("%.1f ms", Median(filled)), "not behind quakestat -mas",
           machine);
  BenchRow("  the same, CPU of the window thread over the round",
           Figure("%.0f ms, %.1f %%", Median(cpu), Median(cpuShare)), "report", machine);
  BenchRow("  the same, answering servers shown \"no reply\", each run", lost, "0 in each", machine);
  return 0;
}
