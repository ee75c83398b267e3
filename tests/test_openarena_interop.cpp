// The status query against Debian's openarena-server, a real server of the
// game's protocol family, started by the test fixture on 127.0.0.1:27961; and
// the server list against two more on 27962 and 27963, row by row as Debian's
// quakestat sees the same servers.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "common/win/list_controls.h"
#include "common/win/registry.h"
#include "launcher/win/main_controls.h"
#include "tests/launcher_fixture.h"
#include "tests/temp_folder.h"

#include "launcher/win/server_list_window.h"
#include "tests/wine_test_util.h"

#include <commctrl.h>

using OpenArenaInterop = LauncherFixture;

namespace {

// The skip reason, or "" when the fixture's servers are ready.
std::string NotReady(const char* stateFile, const char* what) {
  const std::string state = FileBytes(stateFile);
  return state == "ready" ? "" : std::string(what) + ": " + state;
}

struct QuakestatRow {
  std::string name, map, maxPlayers, players;
};

// quakestat -raw ';' -P: "Q3S;address;name;map;max players;players;ping;retries",
// each followed by its player lines.
std::map<std::string, QuakestatRow> QuakestatRows(const std::string& raw) {
  std::map<std::string, QuakestatRow> rows;
  size_t start = 0;
  while (start < raw.size()) {
    size_t end = raw.find('\n', start);
    if (end == std::string::npos) end = raw.size();
    std::vector<std::string> fields;
    std::string line = raw.substr(start, end - start);
    for (size_t at = 0, semi; at <= line.size(); at = semi + 1) {
      semi = line.find(';', at);
      if (semi == std::string::npos) semi = line.size();
      fields.push_back(line.substr(at, semi - at));
    }
    if (fields.size() >= 6 && fields[0] == "Q3S") rows[fields[1]] = {fields[2], fields[3], fields[4], fields[5]};
    start = end + 1;
  }
  return rows;
}

}  // namespace

TEST_F(OpenArenaInterop, QueryShowsMapLimitsMaximumPlayersAndPlayers) {
#ifndef OPENARENA_STATE
  GTEST_SKIP() << "this build does not start openarena-server";
#else
  // The fixture's word on the server: "ready", or why it is not there.
  const std::string state = FileBytes(OPENARENA_STATE);
  if (state != "ready") {
    GTEST_SKIP() << "openarena-server (Debian package openarena-server): " << state;
  }
#endif
  auto started = Start();
  MainWindow& main = *started;
  main.SetFieldText(serverField, "127.0.0.1:27961");
  QueryAndWait(main);
  EXPECT_EQ(main.FieldText(mapField), "oa_dm1");
  EXPECT_EQ(main.FieldText(timeLimitField), "15");
  EXPECT_EQ(main.FieldText(fragLimitField), "20");
  EXPECT_EQ(main.FieldText(maxPlayersField), "12") << "its g_maxGameClients 0 sets no limit of its own";
  EXPECT_EQ(main.FieldText(privateField), "2");
  EXPECT_EQ(main.FieldText(typeField), "0");
  // The bots fight while the test runs, so a score may have moved on from 0.
  const std::vector<std::string> players = ListLines(main.Control(playerList));
  ASSERT_EQ(players.size(), 3u);
  EXPECT_TRUE(std::regex_match(players[0], std::regex(R"(-?\d+ 0 "Sarge")"))) << players[0];
  EXPECT_TRUE(std::regex_match(players[1], std::regex(R"(-?\d+ 0 "Grism")"))) << players[1];
  EXPECT_EQ(players[2], "");
  EXPECT_EQ(main.FieldText(mapListCaption), "Maps: ") << "it sends no map rotation";
  EXPECT_EQ(ValueText(registry::ReadKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, "Mini MapList")), "");
  main.Close();
}

TEST_F(OpenArenaInterop, ServerListShowsWhatQuakestatSeesOfTwoServers) {
#ifndef OPENARENA_PAIR_FOLDER
  GTEST_SKIP() << "this build does not start openarena-server";
#else
  const std::string folder = OPENARENA_PAIR_FOLDER;
  const std::string notReady = NotReady((folder + "\\state").c_str(), "openarena-server and quakestat");
  if (!notReady.empty()) GTEST_SKIP() << notReady;
  const auto expected = QuakestatRows(FileBytes(folder + "\\quakestat"));
  ASSERT_EQ(expected.size(), 2u) << FileBytes(folder + "\\quakestat");

  auto main = Start();
  main->rememberedServers = {"127.0.0.1:27962", "127.0.0.1:27963"};
  ServerListWindow* window = main->OpenServerList();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return !window->RoundRunning(); }, 5000));
  for (int row = 0; row < 2; ++row) {
    const std::string server = ListViewCell(window->List(), row, 0);
    SCOPED_TRACE(server);
    ASSERT_EQ(expected.count(server), 1u);
    const QuakestatRow& seen = expected.at(server);
    EXPECT_EQ(ListViewCell(window->List(), row, 1), seen.name);
    EXPECT_EQ(ListViewCell(window->List(), row, 2), seen.map);
    EXPECT_EQ(ListViewCell(window->List(), row, 3), seen.players + "/" + seen.maxPlayers);
  }
  EXPECT_NE(expected.at("127.0.0.1:27962").map, expected.at("127.0.0.1:27963").map) << "two servers told apart";
  main->Close();
#endif
}
