#include <gtest/gtest.h>

#include "overlay/core/inspection_record.h"
#include "overlay/core/overlay_layout.h"
#include "overlay/core/rcon_userinfo.h"

TEST(RconUserinfo, ModelsOfADumpuserReply) {
  struct Case {
    const char* what;
    std::string reply;
    std::string shown;  // name|allied|axis, or "-" for no userinfo
  };
  const Case cases[] = {
      {"Allied Assault keys",
       "userinfo\n--------\ndm_playermodel       american_army\r\ndm_playergermanmodel german_wehrmacht_soldier\n"
       "name                 ^1Big Bob\n",
       "Big Bob|american_army|german_wehrmacht_soldier"},
      // As openarena-server prints it: no models of this game.
      {"Quake III family",
       "userinfo\n--------\nsex                  female\nmodel                ayumi\nname                 Ayumi\n",
       "Ayumi||"},
      {"no userinfo", "Bad rconpassword.\n", "-"},
      {"keys before the heading are not the player's", "dm_playermodel x\nuserinfo\nname Al\n", "Al||"},
  };
  for (const Case& c : cases) {
    const auto models = ReadDumpUser(c.reply);
    EXPECT_EQ(models ? models->name + "|" + models->alliedModel + "|" + models->axisModel : "-", c.shown) << c.what;
  }
}

TEST(RconUserinfo, ModelsGoToTheRowStillShowingThePlayer) {
  GridModel grid;
  PlayerGridState state;
  state.mode = GridMode::AllData;
  SetupGridHeadings(grid, state.mode);
  ShowPlayerRows({{2, "40", "Big Bob", "10.0.0.2"}}, grid, state);
  const PlayerModels bob{"Big Bob", "american_army", "german_panzer_grenadier"};
  EXPECT_FALSE(ShowPlayerModels(1, bob, grid));
  EXPECT_FALSE(ShowPlayerModels(2, {"Someone Else", "x", "y"}, grid));
  EXPECT_FALSE(ShowPlayerModels(60, bob, grid));
  ASSERT_TRUE(ShowPlayerModels(2, bob, grid));
  EXPECT_EQ(grid.Text(3, kAlliedSkinsCol), "american_army");
  EXPECT_EQ(grid.Text(3, kAxisSkinsCol), "german_panzer_grenadier");
  ShowPlayerRows({{2, "41", "Big Bob", "10.0.0.2"}}, grid, state);
  EXPECT_EQ(grid.Text(3, kAxisSkinsCol), "german_panzer_grenadier") << "kept while the player stays";

  GridModel names;
  state.mode = GridMode::NamesOnly;
  SetupGridHeadings(names, state.mode);
  ShowPlayerRows({{0, "40", "Big Bob", "10.0.0.2"}}, names, state);
  EXPECT_FALSE(ShowPlayerModels(0, bob, names)) << "names only: no skin columns";
}
