// corvel2 in remote-console mode against Debian's openarena-server, a real
// server of the Quake III family, started by the test fixture on
// 127.0.0.1:27964 with two bots and the rcon password "secret"; and against
// the game-server stand-in's console of the Allied Assault family.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <optional>

#include "common/core/text.h"
#include "common/win/settings.h"
#include "overlay/core/day_bans.h"
#include "overlay/core/key_codes.h"
#include "overlay/core/overlay_layout.h"
#include "overlay/win/overlay_window.h"
#include "tests/temp_folder.h"
#include "tests/wine_test_util.h"

namespace {

constexpr const char* kServer = "127.0.0.1:27964";
constexpr int kAnswerMs = 15000;

#ifdef OPENARENA_RCON_FOLDER
std::string ServerState() { return FileBytes(std::string("Z:") + OPENARENA_RCON_FOLDER + "/state"); }

// A shell line run as a Linux program by Wine, not waited for.
void RunLinuxShell(std::string line) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA("Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process));
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
}

// The fixture's script, run as a Linux program by Wine.
void RunServerScript(const std::string& action) {
  std::string line = std::string("sh ") + OPENARENA_SCRIPT + " " + action + " " + OPENARENA_RCON_FOLDER + " 27964";
  if (action == "start") line += " oa_dm1 2 rcon secret";
  RunLinuxShell(line);
}

// The game's own log, written through at every line.
std::string GamesLog() { return FileBytes(std::string("Z:") + OPENARENA_RCON_FOLDER + "/.openarena/baseoa/games.log"); }

// What qstat, a client we did not write, reads from the server: the heading
// fields "Q3S,address,name,map,max,players,...". It asks from an address of
// its own: the server counts its queries with corvel2's against one rate per
// address and drops what passes it, and qstat then says less.
std::vector<std::string> QuakeStat() {
  const std::string out = std::string(OPENARENA_RCON_FOLDER) + "/qstat";
  DeleteFileA(("Z:" + out).c_str());
  RunLinuxShell("sh -c \"quakestat -srcip 127.0.0.2 -q3s " + std::string(kServer) + " -P -raw , >" + out + ".new; mv " + out + ".new " +
                out + "\"");
  std::string text;
  PumpUntil([&] { return (text = FileBytes("Z:" + out)) != "<missing>"; }, 5000);
  std::vector<std::string> fields = SplitKeepEmpty(text.substr(0, text.find('\n')), ',');
  fields.resize(std::max<size_t>(fields.size(), 6));  // no answer: empty fields
  return fields;
}
#endif

// The key character of the row showing name; empty when none does.
std::string KeyOf(OverlayWindow& overlay, const std::string& name) {
  GridModel& grid = overlay.ActionPane().Grid();
  for (int r = 1; r < grid.Rows(); ++r) {
    if (grid.Text(r, kNameCol) == name) return grid.Text(r, kKeyCol);
  }
  return {};
}

// The grid's row showing name; 0 when none does.
int RowOf(OverlayWindow& overlay, const std::string& name) {
  GridModel& grid = overlay.ActionPane().Grid();
  for (int r = 1; r < grid.Rows(); ++r) {
    if (grid.Text(r, kNameCol) == name) return r;
  }
  return 0;
}

bool Green(const OverlayWindow& overlay) { return overlay.BackColor() == kLinkUpColor; }

class RconLink : public ::testing::Test {
 protected:
  TempFolder logs{"rcon_overlay"};
  void UseServer(const char* server) {
    TakeQuit();
    StoreOverlaySettings("127.0.0.1", "1", 1, "oa_dm1 oa_dm2");
    settings::Write(settings::OverlayLink::RemoteConsole);
    settings::Write(settings::kRconServer, std::string(server));
    UsePassword("secret");
  }
  void TearDown() override {
    settings::Write(settings::OverlayLink::InspectionServer);
    TakeQuit();
  }
  void UsePassword(const std::string& password) { ASSERT_TRUE(settings::Write(settings::kRconPassword, password)); }
  void Open(OverlayWindow& overlay) {
    overlay.Log().SetFolders({logs.Path()});
    ASSERT_TRUE(overlay.Open());
  }
  // The player's key ("+A": Page Down, then A), then each of the keys that follow it.
  void PressOn(OverlayWindow& overlay, const std::string& name, const std::string& keys) {
    const std::string key = KeyOf(overlay, name);
    ASSERT_FALSE(key.empty()) << name;
    if (key[0] == kNextPageMark) overlay.Actions().OnPickKey(kPageDownKey);
    overlay.Actions().OnPickKey(static_cast<uint16_t>(key.back()));
    for (char action : keys) overlay.Actions().OnActionKey(static_cast<uint16_t>(action));
  }
};

class RconOverlay : public RconLink {
 protected:
  void SetUp() override {
#ifndef OPENARENA_RCON_FOLDER
    GTEST_SKIP() << "this build does not start openarena-server";
#else
    if (ServerState() != "ready") GTEST_SKIP() << "openarena-server: " << ServerState();
#endif
    UseServer(kServer);
  }
};

// The game-server stand-in with a console of the Allied Assault family on
// a loopback port, its account in a file of its own; ended with the test.
class StandIn {
 public:
  StandIn(int port, const std::string& options, const std::string& log) : log_(log) {
    std::string line = std::string("\"") + GAME_SERVER_EXE + "\" --port " + std::to_string(port) +
                       " --rcon-password secret " +
                       "--quit-after-ms 120000 --rcon-log \"" + log + "\" " + options;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                              &startup, &process_);
    if (process_.hThread) CloseHandle(process_.hThread);
  }
  ~StandIn() {
    if (!started_) return;
    TerminateProcess(process_.hProcess, 0);
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hProcess);
  }
  bool Started() const { return started_; }
  std::string Log() const { return FileBytes(log_); }

 private:
  std::string log_;
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

class RconStandIn : public RconLink {
 protected:
  // A port of its own for each stand-in: the last one's may not be free yet.
  static constexpr int kPort = 27853;
  void SetUp() override { UseServer("127.0.0.1:27853"); }
  void TearDown() override {
    RconLink::TearDown();
    DeleteFileA((logs / "corvel2-bans.txt").c_str());
  }
};

}  // namespace

// Each action by keys, then the server's own account of it: its game log, or
// what qstat reads from it.
TEST_F(RconOverlay, ShowsTheBotsAndActsOnThemByKeys) {
#ifdef OPENARENA_RCON_FOLDER
  OverlayWindow overlay;
  Open(overlay);
  ASSERT_TRUE(PumpUntil([&] { return Green(overlay) && !KeyOf(overlay, "Sarge").empty() && !KeyOf(overlay, "Grism").empty(); },
                        kAnswerMs));
  EXPECT_EQ(overlay.ActionPane().Grid().Text(1, kIpCol), "bot");

  // Taunts off is the patch's alone: nothing goes out, nothing is logged.
  PressOn(overlay, "Grism", "J");
  EXPECT_EQ(overlay.ActionPane().MessageLine(), "Not available on this server");
  EXPECT_EQ(FileBytes(logs / "corvel2-log.txt"), "<missing>");

  const std::string sarge = std::to_string(*ClientOfKeyCharacter(KeyOf(overlay, "Sarge")[0]));
  const std::string grism = std::to_string(*ClientOfKeyCharacter(KeyOf(overlay, "Grism")[0]));
  const std::string playersBefore = QuakeStat().at(5);
  size_t logSeen = GamesLog().size();
  const auto logSaysSince = [&](const std::string& line) { return GamesLog().find(line, logSeen) != std::string::npos; };
  struct KeyAction {
    const char* player;
    const char* keys;  // the action, or "C" and the map's letter
    std::string command;
    std::function<bool()> done;
    size_t qstatField;  // 0: none to check
    std::string qstatSays;
  };
  const KeyAction actions[] = {
      {"Sarge", "P", "forceteam " + sarge + " spectator",
       [&] { return logSaysSince("ClientUserinfoChanged: " + sarge + " n\\Sarge\\t\\3\\"); }, 0, ""},
      {"Sarge", "CB", "map oa_dm2", [&] { return logSaysSince("\\mapname\\oa_dm2\\") && logSaysSince("ClientBegin: " + grism + "\n"); }, 3, "oa_dm2"},
      {"Grism", "K", "clientkick " + grism, [&] { return KeyOf(overlay, "Grism").empty(); }, 5,
       std::to_string(std::stoi(playersBefore) - 1)},
  };
  for (const KeyAction& action : actions) {
    SCOPED_TRACE(action.command);
    logSeen = GamesLog().size();
    PressOn(overlay, action.player, action.keys);
    ASSERT_TRUE(PumpUntil(action.done, kAnswerMs)) << overlay.ActionPane().MessageLine();
    if (action.qstatField) {
      EXPECT_EQ(QuakeStat().at(action.qstatField), action.qstatSays);
    }
    const std::string log = FileBytes(logs / "corvel2-log.txt");
    EXPECT_NE(log.find("\t" + action.command + "\r\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("secret"), std::string::npos) << log;
  }
  // Still there after the map change, which reconnects the bots.
  ASSERT_TRUE(PumpUntil([&] { return !KeyOf(overlay, "Sarge").empty(); }, kAnswerMs));
  EXPECT_TRUE(Green(overlay));
#endif
}

TEST_F(RconOverlay, WrongPasswordTurnsTheSquareRed) {
  UsePassword("wrong");
  OverlayWindow overlay;
  Open(overlay);
  ASSERT_TRUE(PumpUntil([&] { return overlay.ActionPane().MessageLine() == "Bad rcon password"; }, kAnswerMs));
  EXPECT_FALSE(Green(overlay));
  EXPECT_TRUE(KeyOf(overlay, "Sarge").empty());
}

// Last: it stops the fixture's server and starts it again.
TEST_F(RconOverlay, StoppedServerRedRestartedGreen) {
#ifdef OPENARENA_RCON_FOLDER
  OverlayWindow overlay;
  Open(overlay);
  ASSERT_TRUE(PumpUntil([&] { return Green(overlay); }, kAnswerMs));
  RunServerScript("stop");
  ASSERT_TRUE(PumpUntil([&] { return !Green(overlay); }, kAnswerMs));
  EXPECT_EQ(overlay.ActionPane().MessageLine(), "No answer from the rcon server");
  RunServerScript("start");
  ASSERT_TRUE(PumpUntil([&] { return Green(overlay); }, 40000));
  ASSERT_TRUE(PumpUntil([&] { return !KeyOf(overlay, "Sarge").empty(); }, kAnswerMs));
#endif
}

// Both status layouts of a full server's 64 players, read whole from datagrams of 600 bytes:
// names with blanks, IPv4-mapped IPv6 addresses, "CNCT" pings; a kick by
// keys (Page Down and a key, past the 36th) gone from the next status, every
// request with the direction byte.
TEST_F(RconStandIn, StatusLayoutsInSeveralDatagramsAndAKick) {
  int port = kPort;
  for (const char* layout : {"growing", "fixed"}) {
    SCOPED_TRACE(layout);
    settings::Write(settings::kRconServer, "127.0.0.1:" + std::to_string(port));
    StandIn server(port++, std::string("--rcon-players 64 --rcon-buffer 600 --rcon-layout ") + layout, logs / "standin.log");
    ASSERT_TRUE(server.Started());
    OverlayWindow overlay;
    Open(overlay);
    ASSERT_TRUE(PumpUntil([&] { return Green(overlay) && RowOf(overlay, "Sgt 63 Baker") != 0; }, kAnswerMs))
        << server.Log();
    const GridModel& grid = overlay.ActionPane().Grid();
    EXPECT_EQ(grid.Rows() - 1, 64);
    // Every row on screen: the window within the work area, the rows within the grid.
    RECT window{}, work{}, shown{};
    GetWindowRect(overlay.ActionPane().Handle(), &window);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetClientRect(overlay.ActionPane().GridHandle(), &shown);
    EXPECT_LE(window.bottom, work.bottom);
    EXPECT_LE(grid.Rows() * TwipsToPixels(grid.RowHeight(), overlay.ActionPane().Dpi()), shown.bottom);
    const int wide = RowOf(overlay, "Private First Class 6 Baker");
    ASSERT_NE(wide, 0);
    EXPECT_EQ(grid.Text(wide, kIpCol), "127.0.0.16");
    EXPECT_EQ(grid.Text(RowOf(overlay, "Sgt 3 Baker"), kIpCol), "::ffff:127.0.0.13");
    EXPECT_EQ(grid.Text(RowOf(overlay, "Sgt 9 Baker"), kPingCol), "CNCT");

    EXPECT_EQ(KeyOf(overlay, "Sgt 61 Baker"), "+Z");
    PressOn(overlay, "Sgt 61 Baker", "K");
    ASSERT_TRUE(PumpUntil([&] { return RowOf(overlay, "Sgt 61 Baker") == 0; }, kAnswerMs)) << server.Log();
    EXPECT_NE(RowOf(overlay, "Sgt 5 Baker"), 0);
    const std::string account = server.Log();
    EXPECT_NE(account.find(": clientkick 61 "), std::string::npos) << account;
    EXPECT_EQ(account.find("WITHOUT the direction byte"), std::string::npos) << account;
    overlay.Close();
    TakeQuit();  // the closed overlay's
    DeleteFileA((logs / "standin.log").c_str());
  }
}

// A ban for a day by keys is kept in corvel2-bans.txt beside the log, or,
// while that folder cannot be written, said on the status line and applied
// all the same; a ban the file holds at start kicks its address at once.
TEST_F(RconStandIn, DayBansKeptBesideTheLog) {
  TempFolder accounts{"rcon_standin"};
  const std::string banFile = logs / "corvel2-bans.txt";
  int port = kPort + 2;
  for (bool writable : {true, false}) {
    SCOPED_TRACE(writable ? "writable" : "unwritable");
    PutFile(banFile, WriteDayBans({{"127.0.0.9", "Big Bad Wolf", std::time(nullptr) + 3600, false}}));
    settings::Write(settings::kRconServer, "127.0.0.1:" + std::to_string(port));
    StandIn server(port,
                   "--rcon-player \"3|48|127.0.0.9:12203|Big Bad Wolf\" --rcon-player \"5|60|127.0.0.7:12204|Ann Marie\" "
                   "--rcon-player \"1|20|127.0.0.8:12205|Bo\"",
                   accounts / (std::to_string(port) + ".log"));
    ++port;
    ASSERT_TRUE(server.Started());
    std::optional<UnwritableFolder> locked;
    if (!writable) locked.emplace(logs.Path());
    if (locked && !locked->Held()) GTEST_SKIP() << "no chattr here";
    OverlayWindow overlay;
    Open(overlay);
    ASSERT_TRUE(PumpUntil([&] { return server.Log().find(": clientkick 0 ") != std::string::npos; }, kAnswerMs))
        << server.Log();
    ASSERT_TRUE(PumpUntil([&] { return !KeyOf(overlay, "Ann Marie").empty(); }, kAnswerMs));
    PressOn(overlay, "Ann Marie", "D");
    ASSERT_TRUE(PumpUntil([&] { return KeyOf(overlay, "Ann Marie").empty(); }, kAnswerMs)) << server.Log();
    EXPECT_NE(server.Log().find(": banaddr 1 "), std::string::npos) << server.Log();
    // Said over the statuses' lines for as long as the bans are not in the file.
    PumpFor(2 * RconSession::kStatusEveryMs);
    EXPECT_EQ(overlay.ActionPane().MessageLine() == kNoBanFileMessage, !writable) << overlay.ActionPane().MessageLine();
    if (!writable) {
      EXPECT_EQ(FileBytes(banFile).find("127.0.0.7"), std::string::npos);
    }
    locked.reset();
    ASSERT_TRUE(PumpUntil([&] { return FileBytes(banFile).find("127.0.0.7\t") != std::string::npos; }, 3000));
    EXPECT_NE(FileBytes(banFile).find("127.0.0.9\t"), std::string::npos);
    ASSERT_TRUE(PumpUntil([&] { return overlay.ActionPane().MessageLine() != kNoBanFileMessage; }, kAnswerMs));
    overlay.Close();
    TakeQuit();
  }
}
