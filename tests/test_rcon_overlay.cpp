// corvel2 in remote-console mode against Debian's openarena-server, a real
// server of the Quake III family, started by the test fixture on
// 127.0.0.1:27964 with two bots and the rcon password "secret".
#include <gtest/gtest.h>

#include "common/win/settings.h"
#include "overlay/core/overlay_layout.h"
#include "overlay/win/overlay_window.h"
#include "tests/temp_folder.h"
#include "tests/wine_test_util.h"

namespace {

constexpr const char* kServer = "127.0.0.1:27964";
constexpr int kAnswerMs = 15000;

#ifdef OPENARENA_RCON_FOLDER
std::string ServerState() { return FileBytes(std::string("Z:") + OPENARENA_RCON_FOLDER + "/state"); }

// The fixture's script, run as a Linux program by Wine.
void RunServerScript(const std::string& action) {
  std::string line = std::string("sh ") + OPENARENA_SCRIPT + " " + action + " " + OPENARENA_RCON_FOLDER + " 27964";
  if (action == "start") line += " oa_dm1 2 rcon secret";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA("Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             &process));
  if (process.hThread) CloseHandle(process.hThread);
  if (process.hProcess) CloseHandle(process.hProcess);
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

bool Green(const OverlayWindow& overlay) { return overlay.BackColor() == kLinkUpColor; }

class RconOverlay : public ::testing::Test {
 protected:
  TempFolder logs{"rcon_overlay"};
  void SetUp() override {
#ifndef OPENARENA_RCON_FOLDER
    GTEST_SKIP() << "this build does not start openarena-server";
#else
    if (ServerState() != "ready") GTEST_SKIP() << "openarena-server: " << ServerState();
#endif
    TakeQuit();
    StoreOverlaySettings("127.0.0.1", "1", 1, "oa_dm1 oa_dm2");
    settings::Write(settings::OverlayLink::RemoteConsole);
    settings::Write(settings::kRconServer, std::string(kServer));
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
};

}  // namespace

TEST_F(RconOverlay, ShowsTheBotsAndKicksOneByKeys) {
  OverlayWindow overlay;
  Open(overlay);
  ASSERT_TRUE(PumpUntil([&] { return Green(overlay) && !KeyOf(overlay, "Sarge").empty() && !KeyOf(overlay, "Grism").empty(); },
                        kAnswerMs));
  EXPECT_EQ(overlay.ActionPane().Grid().Text(1, kIpCol), "bot");

  // Taunts off is the patch's alone: nothing goes out, nothing is logged.
  const std::string key = KeyOf(overlay, "Grism");
  overlay.Actions().OnPickKey(static_cast<uint16_t>(key[0]));
  overlay.Actions().OnActionKey('J');
  EXPECT_EQ(overlay.ActionPane().MessageLine(), "Not available on this server");
  EXPECT_EQ(FileBytes(logs / "corvel2-log.txt"), "<missing>");

  overlay.Actions().OnPickKey(static_cast<uint16_t>(key[0]));
  overlay.Actions().OnActionKey('K');
  ASSERT_TRUE(PumpUntil([&] { return KeyOf(overlay, "Grism").empty(); }, kAnswerMs));
  EXPECT_FALSE(KeyOf(overlay, "Sarge").empty());
  const std::string log = FileBytes(logs / "corvel2-log.txt");
  EXPECT_NE(log.find("clientkick"), std::string::npos) << log;
  EXPECT_EQ(log.find("secret"), std::string::npos) << log;
  EXPECT_TRUE(Green(overlay));
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
