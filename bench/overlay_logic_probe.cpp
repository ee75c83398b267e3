// Prints what the overlay's platform-free work costs natively: decoding a full
// status record, analysing a settings dump and a refresh tick with no key pressed.

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "bench/machine.h"
#include "overlay/core/dump_analysis.h"
#include "overlay/core/hotkeys.h"
#include "overlay/core/overlay_layout.h"
#include "overlay/core/status_record.h"

namespace {

std::string PlayerLine(int client, const std::string& name) {
  return FormatPlayerLine({.client = client,
                           .score = client * 3,
                           .ping = 40 + client,
                           .name = name,
                           .address = "10.0.0." + std::to_string(client) + ":12203"});
}

std::string FullRecord(const std::string& suffix) {
  std::string body = "hostname: x\nmap: dm/mohdm6\nnum score ping name\n--- -----";
  for (int c = 0; c < 48; ++c) {
    body += '\n';
    body += PlayerLine(c, "Player" + std::to_string(c) + suffix);
  }
  return body;
}

// A 400-line dump of player 20: the checked settings, some forbidden, among
// many other settings.
std::string LongDump() {
  static const char* const kChecked[] = {"r_fullbright", "r_picmip", "cg_3rd_person", "r_lightmap", "cheats",
                                         "r_znear",      "cg_rain",  "r_showsky",     "r_nocull",   "developers"};
  char line[80];
  std::string body = "name                  Player20\nversion               Medal of Honor Allied Assault 1.11";
  for (int i = 0; i < 398; ++i) {
    const bool checked = i % 10 == 0;
    const std::string name = checked ? kChecked[(i / 10) % 10] : "cl_setting" + std::to_string(i);
    std::snprintf(line, sizeof line, "\n%-21s %d", name.c_str(), i % 3);
    body += line;
  }
  return body;
}

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

struct NoKeys : Keyboard {
  bool NewlyPressed(int) override { return false; }
};
struct NoOrder : WindowOrder {
  void SetTopmost(Pane, bool) override {}
};
struct NoView : ActionView {
  void SetMessageLine(const std::string&) override {}
  void ShowActions(bool) override {}
  void ShowMaps(bool) override {}
  std::vector<std::string> MapLines() const override { return {}; }
};
struct NoLink : CommandSink {
  bool SendCommand(const std::string&) override { return true; }
};

void Row(const char* what, double micros, const char* target, const std::string& machine) {
  std::printf("| %-52s | %8.2f us | %-10s | %s |\n", what, micros, target, machine.c_str());
}

}  // namespace

int main() {
  const std::string machine = MachineName();
  GridModel grid;
  PlayerGridState state;
  state.mode = GridMode::AllData;
  SetupGridHeadings(grid, GridMode::AllData);
  const std::string same = FullRecord(""), renamed = FullRecord("x");

  constexpr int kDecodes = 20000;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kDecodes; ++i) DecodeStatusRecord(same, grid, state);
  const double keep = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kDecodes; ++i) DecodeStatusRecord(i % 2 ? same : renamed, grid, state);
  const double change = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();

  // 48 player rows below the headings, or the decoding timed nothing.
  if (grid.Rows() < 49) {
    return MeasuredNothing("the status record filled " + std::to_string(grid.Rows()) + " grid rows");
  }

  const std::string dump = LongDump();
  constexpr int kDumps = 20000;
  int verdicts = 0;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kDumps; ++i) {
    const DumpAnalysis analysis = AnalyseDump(dump);
    if (!StartVerdict(analysis, grid)) continue;
    FinishVerdict(analysis, grid);
    ++verdicts;
  }
  const double dumps = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  if (verdicts != kDumps) return MeasuredNothing("a dump's verdict was written " + std::to_string(verdicts) + " times");

  NoKeys keys;
  NoOrder order;
  NoView view;
  NoLink link;
  PlayerActions actions(view, order, link, grid);
  constexpr int kTicks = 1000000;
  const double cpu0 = CpuSeconds();
  for (int i = 0; i < kTicks; ++i) {
    // Idle polls the open key, the pick step it and 59 more.
    actions.state.menuMode = i % 2 ? MenuMode::Pick : MenuMode::Idle;
    HotkeyTick(actions, keys, order, false);
  }
  const double tick = (CpuSeconds() - cpu0) * 1e6 / kTicks;

  std::printf("| %-52s | %11s | %-10s | %s |\n", "measure", "time", "target", "machine");
  Row("status record, 48 players, all data, same players", keep / kDecodes, "< 50 us", machine);
  Row("status record, 48 players, all data, every name new", change / kDecodes, "< 50 us", machine);
  Row("dump analysis, 400 lines, verdict written (no pause)", dumps / kDumps, "< 100 us", machine);
  Row("refresh tick logic, no key pressed (CPU)", tick, "< 20 us", machine);
  return 0;
}
