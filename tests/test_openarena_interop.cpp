// The status query against Debian's openarena-server, a real server of the
// game's protocol family, started by the test fixture on 127.0.0.1:27961.
#include <gtest/gtest.h>

#include "launcher_fixture.h"
#include "list_controls.h"
#include "main_controls.h"
#include "registry.h"
#include "temp_folder.h"

using OpenArenaInterop = LauncherFixture;

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
  main.QueryServerStatus();
  EXPECT_EQ(main.FieldText(mapField), "oa_dm1");
  EXPECT_EQ(main.FieldText(timeLimitField), "15");
  EXPECT_EQ(main.FieldText(fragLimitField), "20");
  EXPECT_EQ(main.FieldText(maxPlayersField), "12") << "its g_maxGameClients 0 sets no limit of its own";
  EXPECT_EQ(main.FieldText(privateField), "2");
  EXPECT_EQ(main.FieldText(typeField), "0");
  EXPECT_EQ(ListLines(main.Control(playerList)), (std::vector<std::string>{"0 0 \"Sarge\"", "0 0 \"Grism\"", ""}));
  EXPECT_EQ(main.FieldText(mapListCaption), "Maps: ") << "it sends no map rotation";
  EXPECT_EQ(ValueText(registry::ReadKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, "Mini MapList")), "");
  main.Close();
}
