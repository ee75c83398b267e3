#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "common/win/list_controls.h"
#include "launcher/win/disable_list_window.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/openmohaa_home.h"
#include "tests/game_standin.h"
#include "tests/launcher_fixture.h"
#include "tests/wine_test_util.h"

namespace {

constexpr const char* kStarters[] = {"launch_openmohaa_base.exe", "launch_openmohaa_spearhead.exe",
                                     "launch_openmohaa_breakthrough.exe"};
// Marks a home folder the tests made, so that a leftover of an interrupted
// run is recognised and a player's own folder never touched.
constexpr const char* kTestMark = "\\kestrun-test-home";

class OpenMohaa : public LauncherFixture {
 protected:
  std::string folder = game / "EA Games\\MOHAA";
  std::string home = OpenMohaaHome();

  void SetUp() override {
    LauncherFixture::SetUp();
    ASSERT_FALSE(home.empty()) << "no application-data folder";
    if (GetFileAttributesA(home.c_str()) != INVALID_FILE_ATTRIBUTES && !FileExists(home + kTestMark)) {
      GTEST_SKIP() << home << " belongs to the user";
    }
    RemoveTree(home);
    PutFile(home + kTestMark, "");
    ASSERT_TRUE(InstallStandIns(folder));
  }

  void TearDown() override {
    if (FileExists(home + kTestMark)) RemoveTree(home);
    LauncherFixture::TearDown();
  }

  std::unique_ptr<MainWindow> StartOn(const std::string& gameFolder) {
    SetSetting("Player Name", "Baker");
    auto main = Start();
    main->SetFieldText(gameFolderField, gameFolder);
    return main;
  }

  static UINT EntryState(MainWindow& main) {
    return GetMenuState(GetMenu(main.Handle()), menuStartWithOpenMohaa, MF_BYCOMMAND);
  }
  static bool Ticked(MainWindow& main) { return (EntryState(main) & MF_CHECKED) != 0; }
  static bool Greyed(MainWindow& main) { return (EntryState(main) & MF_GRAYED) != 0; }
  // Through the menu entry, when the choice is not so already; true when it changed.
  static bool Choose(MainWindow& main, bool on) {
    if (Ticked(main) == on) return false;
    SendMessageA(main.Handle(), WM_COMMAND, menuStartWithOpenMohaa, 0);
    return true;
  }
  static void Click(MainWindow& main, int id) { SendMessageA(main.Control(id), BM_CLICK, 0, 0); }
  static std::string HelpFor(MainWindow& main, int id) {
    SendMessageA(main.Control(id), WM_MOUSEMOVE, 0, 0);
    return main.FieldText(helpLine);
  }

  LaunchRecord NextLaunch(const std::string& in, size_t already) {
    const auto records = WaitForLaunches(in, already + 1);
    if (records.size() != already + 1) {
      ADD_FAILURE() << "expected " << already + 1 << " starts, saw " << records.size();
      return {};
    }
    EXPECT_TRUE(WaitForExit(records.back().process)) << "the stand-in ends by itself";
    return records.back();
  }
};

}  // namespace

TEST_F(OpenMohaa, EachButtonStartsTheChosenProgramWithTheOriginalArguments) {
  // The Breakthrough starter is missing: the engine runs in its place.
  for (const char* program : {kStarters[0], kStarters[1], "openmohaa.exe"}) {
    ASSERT_TRUE(InstallStandInAs(folder, program));
  }
  struct Case {
    bool openMohaa;
    int button;
    const char* name;
    const char* program;
    const char* args;
    const char* help;
  };
  const Case cases[] = {
      {false, alliedAssaultButton, "Baker", "mohaa.exe",
       R"( +developer 0 +name "Baker" +connect "10.0.0.5:12204" +set net_port 12300 "+set cl_playintro 0")",
       "Start Allied Assault"},
      {true, alliedAssaultButton, "Baker", kStarters[0],
       R"( +developer 0 +name "Baker" +connect "10.0.0.5:12204" +set net_port 12300 "+set cl_playintro 0")",
       "Start Allied Assault with OpenMoHAA (launch_openmohaa_base.exe)"},
      {true, spearheadButton, "Sgt Baker", kStarters[1],
       R"( +developer 0 +name "Sgt_Baker" +connect "10.0.0.5:12204" +set net_port 12300 "+set cl_playintro 0")",
       "Start SpearHead with OpenMoHAA (launch_openmohaa_spearhead.exe)"},
      {true, breakthroughButton, "Sgt Baker", "openmohaa.exe",
       R"( +set com_target_game 2 +developer 0 +name "Sgt Baker" +connect "10.0.0.5:12204" +set net_port 12300 "+set cl_playintro 0")",
       "Start BreakThrough with OpenMoHAA (openmohaa.exe)"},
      {false, spearheadButton, "Sgt Baker", "moh_spearhead.exe",
       R"( +developer 0 +name "Sgt_Baker" +connect "10.0.0.5:12204" +set net_port 12300 "+set cl_playintro 0")",
       "Start SpearHead"},
  };
  auto main = StartOn(folder);
  size_t started = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    if (Choose(*main, c.openMohaa)) {
      EXPECT_EQ(main->FieldText(helpLine), c.openMohaa ? "The start buttons start OpenMoHAA"
                                                       : "The start buttons start the original programs");
    }
    ASSERT_EQ(Ticked(*main), c.openMohaa);
    EXPECT_EQ(HelpFor(*main, c.button), c.help);
    main->SetFieldText(nameField, c.name);
    main->SetFieldText(serverField, "10.0.0.5:12204");
    main->SetFieldText(portField, "12300");
    Click(*main, c.button);
    EXPECT_EQ(main->launchArgs, c.args);
    const LaunchRecord got = NextLaunch(folder, started++);
    EXPECT_EQ(got.program, c.program);
    EXPECT_EQ(got.commandLine, "\"" + folder + "\\" + c.program + "\" " + c.args);
    EXPECT_EQ(got.workingFolder, folder);
  }
  EXPECT_TRUE(messages.empty());
  main->Close();
}

TEST_F(OpenMohaa, TheChecksStopAStartWithTheSameMessages) {
  ASSERT_TRUE(InstallStandInAs(folder, kStarters[0]));
  struct Case {
    const char *name, *server, *message;
  };
  const Case cases[] = {
      {"", "10.0.0.5", "You must enter your player name"},
      {"Baker", "10.0.0.5 :12204", "Server IP does not appear to be valid. Check digit number 9"},
      {"Baker", "mohserver.net", "Server IP does not appear to be valid. Check digit number 1"},
  };
  auto main = StartOn(folder);
  Choose(*main, true);
  for (const Case& c : cases) {
    messages.clear();
    main->SetFieldText(nameField, c.name);
    main->SetFieldText(serverField, c.server);
    Click(*main, alliedAssaultButton);
    ASSERT_EQ(messages.size(), 1u) << c.message;
    EXPECT_EQ(messages[0].text, c.message);
    EXPECT_EQ(messages[0].title, "Kestrun");
    EXPECT_EQ(messages[0].buttons, static_cast<unsigned>(MB_OK));
  }
  PumpFor(300);
  EXPECT_TRUE(LaunchRecords(folder).empty()) << "nothing was started";
  main->Close();
}

TEST_F(OpenMohaa, HomeFolderArchivesAreListedSwitchedOffAndBackOn) {
  ASSERT_TRUE(InstallStandInAs(folder, kStarters[0]));
  const std::string gameArchive = folder + "\\main\\zz_game.pk3";
  const std::string homeArchive = home + "\\main\\zz_home.pk3";
  const std::string deepArchive = home + "\\mainta\\sub\\ta_home.pk3";  // in no folder of the table
  const std::string earlierOff = home + "\\maintt\\earlier.pkb";
  for (const std::string& path : {gameArchive, homeArchive, deepArchive, earlierOff, home + "\\maintt\\pak0.pk3",
                                   home + "\\openmohaa_root.pk3"}) {
    PutFile(path, "x");
  }
  auto main = StartOn(folder);
  EXPECT_TRUE(FileExists(home + "\\maintt\\earlier.pk3")) << "switched back on at start-up, the choice off";

  SendMessageA(main->Handle(), WM_COMMAND, menuDisableAll, 0);
  EXPECT_EQ(main->listedArchives, std::vector<std::string>{gameArchive}) << "the choice off: the game folder only";
  Choose(*main, true);
  SendMessageA(main->Handle(), WM_COMMAND, menuDisableAll, 0);
  const std::vector<std::string> all{gameArchive, homeArchive, deepArchive};
  EXPECT_EQ(main->listedArchives, all) << "stock archives and the home folder's root are left out";
  DisableListWindow* window = main->OpenDisableWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ListLines(window->FoundList()), all);
  window->Close();

  main->SetFieldText(nameField, "Baker");
  Click(*main, alliedAssaultButton);
  NextLaunch(folder, 0);
  for (const std::string& path : all) EXPECT_TRUE(FileExists(path.substr(0, path.size() - 1) + "b")) << path;

  // Turned off before the launcher closes: the home folder is restored all the same.
  Choose(*main, false);
  main->Close();
  TakeQuit();
  for (const std::string& path : all) EXPECT_TRUE(FileExists(path)) << path;

  // With the choice off, a start leaves the home folder's archives on.
  main = StartOn(folder);
  ASSERT_FALSE(Ticked(*main));
  Click(*main, alliedAssaultButton);
  NextLaunch(folder, 1);
  EXPECT_TRUE(FileExists(folder + "\\main\\zz_game.pkb"));
  EXPECT_TRUE(FileExists(homeArchive));
  EXPECT_TRUE(FileExists(deepArchive));

  // Switched off, then the launcher ends without its shutdown and the choice
  // is off at the next start: the table switches the home folder back on, as
  // it does the game folder; an archive of a folder outside it stays off.
  Choose(*main, true);
  Click(*main, alliedAssaultButton);
  NextLaunch(folder, 2);
  Choose(*main, false);
  main.reset();
  TakeQuit();
  ASSERT_TRUE(FileExists(home + "\\main\\zz_home.pkb"));
  DeleteFileA((app / "disable.txt").c_str());
  main = StartOn(folder);
  EXPECT_TRUE(FileExists(homeArchive));
  EXPECT_TRUE(FileExists(home + "\\mainta\\sub\\ta_home.pkb"));
  EXPECT_TRUE(messages.empty());
  main->Close();
}

TEST_F(OpenMohaa, TheEntryIsGreyedWithoutOpenMohaaAndTheChoiceIsRemembered) {
  const std::string plain = game / "plain";
  ASSERT_TRUE(InstallStandIns(plain));
  auto main = StartOn(plain);
  EXPECT_TRUE(Greyed(*main));
  SendMessageA(main->Handle(), WM_COMMAND, menuStartWithOpenMohaa, 0);
  EXPECT_FALSE(Ticked(*main));
  EXPECT_EQ(Setting("Start With OpenMoHAA"), "<missing>") << "a greyed entry changes nothing";

  ASSERT_TRUE(InstallStandInAs(folder, kStarters[0]));
  main->SetFieldText(gameFolderField, folder);
  EXPECT_FALSE(Greyed(*main));
  Choose(*main, true);
  EXPECT_EQ(Setting("Start With OpenMoHAA"), "1");
  main->Close();
  TakeQuit();

  main = StartOn(folder);
  EXPECT_TRUE(Ticked(*main)) << "remembered across a restart";
  main->SetFieldText(nameField, "Baker");
  Click(*main, alliedAssaultButton);
  EXPECT_EQ(NextLaunch(folder, 0).program, kStarters[0]);

  // Another folder without the starters: the original program, the choice kept.
  main->SetFieldText(gameFolderField, plain);
  EXPECT_TRUE(Greyed(*main));
  EXPECT_FALSE(Ticked(*main));
  EXPECT_EQ(HelpFor(*main, alliedAssaultButton), "Start Allied Assault");
  Click(*main, alliedAssaultButton);
  EXPECT_EQ(NextLaunch(plain, 0).program, "mohaa.exe");
  EXPECT_EQ(Setting("Start With OpenMoHAA"), "1");
  main->Close();
}
