// Prints what the overlay's platform-free work costs natively: decoding a full
// inspection record, analysing a settings dump, a refresh tick with no key
// pressed, and on the remote console reading a status of 64 players and an
// hour of polling a server that answers.

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "bench/machine.h"
#include "overlay/core/dump_analysis.h"
#include "overlay/core/hotkeys.h"
#include "overlay/core/inspection_record.h"
#include "overlay/core/overlay_layout.h"
#include "overlay/core/rcon_session.h"
#include "overlay/core/rcon_status.h"

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

// "status" of 64 players as OpenMoHAA prints it, names with blanks.
std::string ConsoleStatus() {
  std::string text = "map: dm/mohdm6\nnum score ping name            lastmsg address               qport rate\n";
  char row[160];
  for (int c = 0; c < 64; ++c) {
    std::snprintf(row, sizeof row, "%3d %5d %4d %-15s %7d %-21s %5d %5d\n", c, c - 20, 30 + c,
                  ("Player " + std::to_string(c) + " x").c_str(), 0, ("10.0.0." + std::to_string(c) + ":12203").c_str(),
                  1000 + c, 25000);
    text += row;
  }
  return text;
}

// CPU seconds of an hour of the console link on 10 ms ticks, the server
// answering every request at once with the given status.
double HourOfPolling(const std::string& status) {
  const std::string reply = std::string(4, '\xFF') + '\x01';
  RconSession session("secret");
  session.Start(0);
  int statuses = 0;
  const double cpu0 = CpuSeconds();
  for (uint32_t now = 0; now < 3600u * 1000u; now += 10) {
    session.Tick(now, now / 1000);
    const auto datagram = session.NextDatagram(now);
    if (datagram && datagram->find("getstatus") != std::string::npos) {
      session.TakeDatagram(reply + "statusResponse\n", now);
    } else if (datagram) {
      session.TakeDatagram(reply + "print\n" + (datagram->ends_with(" status") ? status : "cmdlist\n"), now);
    }
    if (session.TakeStatus()) ++statuses;
  }
  const double cpu = CpuSeconds() - cpu0;
  // A status every two seconds, or the hour measured something else.
  return statuses >= 1700 ? cpu : -1;
}

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
  for (int i = 0; i < kDecodes; ++i) DecodeInspectionRecord(same, grid, state);
  const double keep = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kDecodes; ++i) DecodeInspectionRecord(i % 2 ? same : renamed, grid, state);
  const double change = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();

  // 48 player rows below the headings, or the decoding timed nothing.
  if (grid.Rows() < 49) {
    return MeasuredNothing("the inspection record filled " + std::to_string(grid.Rows()) + " grid rows");
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

  const std::string console = ConsoleStatus();
  constexpr int kReads = 20000;
  size_t players = 0;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kReads; ++i) {
    const auto status = ReadRconStatus(console);
    players += status ? status->players.size() : 0;
    if (status) ShowPlayerRows(GridPlayers(*status), grid, state);
  }
  const double reads = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
  if (players != 64u * kReads) return MeasuredNothing("the console status gave " + std::to_string(players) + " players");
  const double hour = HourOfPolling(console);
  if (hour < 0) return MeasuredNothing("an hour of polling read too few statuses");
  const double polling = hour * 1e6 / 3600;

  std::printf("| %-52s | %11s | %-10s | %s |\n", "measure", "time", "target", "machine");
  Row("inspection record, 48 players, all data, same players", keep / kDecodes, "< 50 us", machine);
  Row("inspection record, 48 players, all data, every name new", change / kDecodes, "< 50 us", machine);
  Row("dump analysis, 400 lines, verdict written (no pause)", dumps / kDumps, "< 100 us", machine);
  Row("refresh tick logic, no key pressed (CPU)", tick, "< 20 us", machine);
  Row("rcon status, 64 players, read and shown", reads / kReads, "< 100 us", machine);
  Row("rcon polling, 10 ms ticks, CPU per second", polling, "< 1000 us", machine);
  return 0;
}
