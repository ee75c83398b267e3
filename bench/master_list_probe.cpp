// Prints how long "Allied Assault" takes from the player's choice to the
// master's list, to the first row filled and to every answering row filled,
// the CPU of the window thread over the round, and the answering servers
// shown "no reply" in each run. The master runs on loopback with the
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

#include "bench/machine.h"
#include "launcher/core/gamespy_status.h"
#include "launcher/core/master_servers.h"
#include "launcher/win/master_query.h"
#include "launcher/win/udp_round.h"

namespace {

constexpr int kRuns = 5;
// As the server list asks: 1.5 s per row from its own request, names within 2 s.
constexpr int kReplyWaitMs = 1500;
constexpr int kNameLimitMs = 2000;
constexpr double kListingLimitMs = 300000;
const GameSpyGame& kMohaa = kGameSpyGames[0];

double Seconds() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Runs window events until done() holds or timeoutMs passes; true when it held.
// The wait needs no short timeout: done() changes only when an event has run,
// and waking up for nothing would count as the window thread's CPU.
template <typename Done>
bool PumpUntil(Done done, double timeoutMs) {
  const double start = Seconds();
  while (!done()) {
    if ((Seconds() - start) * 1000 > timeoutMs) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, 100, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      if (done()) return true;
    }
  }
  return true;
}

struct Run {
  double listedMs = -1, firstMs = -1, filledMs = -1, overMs = -1, cpuMs = 0;
  size_t listed = 0;
  MasterResult result = MasterResult::Pending;
  int answered = 0, answeringShownNoReply = 0, silentAnswered = 0;
};

class Probe {
 public:
  Probe(int listPort, int firstQueryPort, int count, int silent, int block)
      : master_{"127.0.0.1", listPort}, firstQueryPort_(firstQueryPort), count_(count), silent_(silent), block_(block) {}

  // Asks the master once a second until it lists every stand-in; false when it did not within the limit.
  bool WaitForFullList() {
    const double start = Seconds();
    size_t last = 0;
    while ((Seconds() - start) * 1000 < kListingLimitMs) {
      query_.onDone = nullptr;
      query_.Start(master_, kMohaa);
      PumpUntil([&] { return query_.Result() != MasterResult::Pending; }, MasterQuery::kTimeLimitMs + 1000);
      last = query_.Result() == MasterResult::Listed ? query_.Servers().size() : 0;
      if (last >= static_cast<size_t>(count_)) {
        std::fprintf(stderr, "master list probe: the master lists all %d after %.0f s\n", count_, Seconds() - start);
        return true;
      }
      PumpUntil([] { return false; }, 1000);
    }
    std::fprintf(stderr, "master list probe: the master lists %zu of %d\n", last, count_);
    return false;
  }

  // From the choice of the source: the master asked, then every listed server.
  Run Measure() {
    Run r;
    bool roundOver = false;
    rows_.clear();
    const double cpu0 = ThreadCpuSeconds();
    const double start = Seconds();
    auto since = [&] { return (Seconds() - start) * 1000; };
    UdpRound round(kReplyWaitMs, kNameLimitMs);
    MasterQuery query;
    round.onReply = [&](const UdpReply& reply) {
      for (size_t row : reply.rows) {
        Row& shown = rows_[row];
        if (!shown.joiner.Take(reply.bytes)) continue;
        shown.server = ParseGameSpyStatus(shown.joiner.Joined());
        shown.answered = true;
        round.Finish(row);
        if (++r.answered == 1) r.firstMs = since();
        if (r.answered == count_ - silent_) r.filledMs = since();
      }
    };
    round.onRowChange = [&](size_t row, UdpRowChange change, uint32_t, uint32_t) {
      if (change != UdpRowChange::Sent) rows_[row].noReply = true;
    };
    round.onEnd = [&] { roundOver = true; };
    query.onDone = [&](MasterQuery& done) {
      r.listedMs = since();
      r.result = done.Result();
      if (done.Result() != MasterResult::Listed) {
        roundOver = true;
        return;
      }
      const std::vector<ListedServer> servers = MergeMasterLists({{done.MasterOnLoopback(), done.Servers()}});
      r.listed = servers.size();
      std::vector<UdpTarget> targets;
      rows_.assign(servers.size(), Row{});
      for (size_t i = 0; i < servers.size(); ++i) {
        const uint32_t a = servers[i].address;
        targets.push_back({std::to_string(a >> 24) + "." + std::to_string(a >> 16 & 255) + "." +
                               std::to_string(a >> 8 & 255) + "." + std::to_string(a & 255),
                           servers[i].queryPort});
        rows_[i].queryPort = servers[i].queryPort;
      }
      round.Start(std::move(targets), std::string(kGameSpyStatusRequest));
    };
    query.Start(master_, kMohaa);
    PumpUntil([&] { return roundOver; }, 60000);
    r.overMs = since();
    r.cpuMs = (ThreadCpuSeconds() - cpu0) * 1000;
    for (const Row& row : rows_) {
      const int offset = row.queryPort - firstQueryPort_;
      const bool silent = offset % block_ >= block_ - silent_ * block_ / count_;
      if (silent && row.answered) ++r.silentAnswered;
      if (!silent && row.noReply) ++r.answeringShownNoReply;
    }
    return r;
  }

 private:
  struct Row {
    int queryPort = 0;
    bool answered = false, noReply = false;
    GameSpyReplyJoiner joiner;
    GameSpyServer server;
  };

  MasterAddress master_;
  int firstQueryPort_, count_, silent_, block_;
  MasterQuery query_;
  std::vector<Row> rows_;
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
  if (!probe.WaitForFullList()) return MeasuredNothing("the master did not list every stand-in");

  std::vector<double> listed, first, filled, cpu, cpuShare;
  std::string lost;
  for (int i = 0; i < kRuns; ++i) {
    const Run r = probe.Measure();
    if (r.listed != static_cast<size_t>(count)) {
      return MeasuredNothing("the master listed " + std::to_string(r.listed) + " servers, not " + std::to_string(count) +
                             " (result " + std::to_string(static_cast<int>(r.result)) + ")");
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
  const std::string machine = MachineName();
  const std::string servers = std::to_string(count) + " servers (" + std::to_string(silent) + " silent)";
  BenchRow("Allied Assault, real master, " + servers + ": list received, median of " + std::to_string(kRuns),
           Figure("%.1f ms", Median(listed)), "report", machine);
  BenchRow("  the same, the first row filled", Figure("%.1f ms", Median(first)), "report", machine);
  BenchRow("  the same, every answering row filled", Figure("%.1f ms", Median(filled)), "not behind quakestat -mas",
           machine);
  BenchRow("  the same, CPU of the window thread over the round",
           Figure("%.0f ms, %.1f %%", Median(cpu), Median(cpuShare)), "report", machine);
  BenchRow("  the same, answering servers shown \"no reply\", each run", lost, "0 in each", machine);
  return 0;
}
