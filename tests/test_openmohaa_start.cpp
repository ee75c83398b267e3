#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <utility>

#include "common/win/list_controls.h"
#include "launcher/win/disable_list_window.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/openmohaa_home.h"
#include "tests/game_standin.h"
#include "tests/launcher_fixture.h"
#include "tests/wine_test_util.h"

namespace {

constexpr const char* kBase = "launch_openmohaa_base.exe";
// Marks a home folder these tests made: a player's own is never touched.
constexpr const char* kTestMark = "\\kestrun-test-home";

class OpenMohaa : public LauncherFixture {
 protected:
  std::string folder = game / "EA Games\\MOHAA";
  std::string home = OpenMohaaHome();

  void SetUp() override {
    LauncherFixture::SetUp();
    ASSERT_FALSE(home.empty());
    if (GetFileAttributesA(home.c_str()) != INVALID_FILE_ATTRIBUTES && !FileExists(home + kTestMark)) {
      GTEST_SKIP() << home << " belongs to the user";
    }
    RemoveTree(home);
    PutFile(home + kTestMark, "");
    ASSERT_TRUE(InstallStandIns(folder));
    SetSetting("Player Name", "Baker");
  }

  void TearDown() override {
    if (FileExists(home + kTestMark)) RemoveTree(home);
    LauncherFixture::TearDown();
  }

  std::unique_ptr<MainWindow> StartOn(const std::string& gameFolder) {
    TakeQuit();  // left by the last window's close
    auto main = Start();
    main->SetFieldText(gameFolderField, gameFolder);
    return main;
  }

  static UINT Entry(MainWindow& main) {
    return GetMenuState(GetMenu(main.Handle()), menuStartWithOpenMohaa, MF_BYCOMMAND);
  }
  // Through the menu entry, as the player does.
  static void Choose(MainWindow& main, bool on) {
    if (((Entry(main) & MF_CHECKED) != 0) != on) SendMessageA(main.Handle(), WM_COMMAND, menuStartWithOpenMohaa, 0);
  }
  static void Click(MainWindow& main, int id) { SendMessageA(main.Control(id), BM_CLICK, 0, 0); }

  std::string NextProgram(const std::string& in, size_t already) {
    const auto records = WaitForLaunches(in, already + 1);
    if (records.size() != already + 1) return std::to_string(records.size()) + " starts";
    EXPECT_TRUE(WaitForExit(records.back().process));
    return records.back().program + " " + records.back().commandLine + " in " + records.back().workingFolder;
  }
};

}  // namespace

TEST_F(OpenMohaa, EachButtonStartsTheChosenProgramWithTheOriginalArguments) {
  // No Breakthrough starter: the engine runs in its place.
  for (const char* program : {kBase, "launch_openmohaa_spearhead.exe", "openmohaa.exe"}) {
    ASSERT_TRUE(InstallStandInAs(folder, program));
  }
  const std::string args = R"( +connect "10.0.0.5:12204" +set net_port 12300 "+set cl_playintro 0")";
  struct Case {
    bool openMohaa;
    int button;
    std::string program, args, help;
  };
  const Case cases[] = {
      {false, alliedAssaultButton, "mohaa.exe", R"( +developer 0 +name "Sgt Baker")" + args, "Start Allied Assault"},
      {true, alliedAssaultButton, kBase, R"( +developer 0 +name "Sgt Baker")" + args,
       "Start Allied Assault with OpenMoHAA (launch_openmohaa_base.exe)"},
      {true, spearheadButton, "launch_openmohaa_spearhead.exe", R"( +developer 0 +name "Sgt_Baker")" + args,
       "Start SpearHead with OpenMoHAA (launch_openmohaa_spearhead.exe)"},
      {true, breakthroughButton, "openmohaa.exe", R"( +set com_target_game 2 +developer 0 +name "Sgt Baker")" + args,
       "Start BreakThrough with OpenMoHAA (openmohaa.exe)"},
  };
  auto main = StartOn(folder);
  size_t started = 0;
  bool on = false;
  for (const Case& c : cases) {
    main->SetFieldText(helpLine, "");
    Choose(*main, c.openMohaa);
    EXPECT_EQ(main->FieldText(helpLine), c.openMohaa != on ? "The start buttons start OpenMoHAA" : "");
    on = c.openMohaa;
    SendMessageA(main->Control(c.button), WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(main->FieldText(helpLine), c.help);
    for (auto [field, text] :
         {std::pair{nameField, "Sgt Baker"}, {serverField, "10.0.0.5:12204"}, {portField, "12300"}}) {
      main->SetFieldText(field, text);
    }
    Click(*main, c.button);
    EXPECT_EQ(NextProgram(folder, started++),
              c.program + " \"" + folder + "\\" + c.program + "\" " + c.args + " in " + folder);
  }
  // The checks stop a start of OpenMoHAA with their usual messages.
  for (auto [name, server, message] :
       {std::tuple{"", "", "You must enter your player name"},
        {"Baker", "10.0.0.5 :12204", "Server IP does not appear to be valid. Check digit number 9"}}) {
    messages.clear();
    main->SetFieldText(nameField, name);
    main->SetFieldText(serverField, server);
    Click(*main, alliedAssaultButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, message);
  }
  PumpFor(300);
  EXPECT_EQ(LaunchRecords(folder).size(), started);
  main->Close();
}

TEST_F(OpenMohaa, HomeFolderArchivesAreListedSwitchedOffAndBackOn) {
  ASSERT_TRUE(InstallStandInAs(folder, kBase));
  const std::string gameArchive = folder + "\\main\\zz_game.pk3", homeArchive = home + "\\main\\zz_home.pk3";
  const std::string deepArchive = home + "\\mainta\\sub\\ta_home.pk3";  // in no folder of the table
  for (const std::string& path : {gameArchive, homeArchive, deepArchive, home + "\\maintt\\earlier.pkb",
                                  home + "\\maintt\\pak0.pk3", home + "\\root.pk3",
                                  home + "\\root_off.pkb"}) {
    PutFile(path, "x");
  }
  auto main = StartOn(folder);
  const std::vector<std::string> all{gameArchive, homeArchive, deepArchive, home + "\\maintt\\earlier.pk3"};
  ASSERT_TRUE(FileExists(all[3])) << "switched back on at start-up, the choice off";
  EXPECT_TRUE(FileExists(home + "\\root_off.pkb")) << "the home folder's root is in no table";
  SendMessageA(main->Handle(), WM_COMMAND, menuDisableAll, 0);
  EXPECT_EQ(main->listedArchives, std::vector<std::string>{gameArchive}) << "the choice off: the game folder only";
  Choose(*main, true);
  SendMessageA(main->Handle(), WM_COMMAND, menuDisableAll, 0);
  EXPECT_EQ(main->listedArchives, all) << "no stock archive, nothing of the home folder's root";
  DisableListWindow* window = main->OpenDisableWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ListLines(window->FoundList()), all);
  window->Close();

  Click(*main, alliedAssaultButton);
  NextProgram(folder, 0);
  for (const std::string& path : all) EXPECT_TRUE(FileExists(path.substr(0, path.size() - 1) + "b")) << path;
  Choose(*main, false);  // turned off before the close: restored all the same
  main->Close();
  for (const std::string& path : all) EXPECT_TRUE(FileExists(path)) << path;

  // The choice off: a start leaves the home folder's archives on.
  main = StartOn(folder);
  Click(*main, alliedAssaultButton);
  NextProgram(folder, 1);
  EXPECT_TRUE(FileExists(homeArchive) && FileExists(deepArchive) && !FileExists(gameArchive));

  // Switched off, then no shutdown and the choice off at the next start: the
  // table restores the home folder as it does the game folder's.
  Choose(*main, true);
  Click(*main, alliedAssaultButton);
  NextProgram(folder, 2);
  Choose(*main, false);
  main.reset();
  ASSERT_FALSE(FileExists(homeArchive));
  DeleteFileA((app / "disable.txt").c_str());
  main = StartOn(folder);
  EXPECT_TRUE(FileExists(homeArchive));
  EXPECT_TRUE(FileExists(home + "\\mainta\\sub\\ta_home.pkb")) << "outside the table, as in the game folder";
  main->Close();
}

TEST_F(OpenMohaa, TheEntryIsGreyedWithoutOpenMohaaAndTheChoiceIsRemembered) {
  const std::string plain = game / "plain";
  ASSERT_TRUE(InstallStandIns(plain));
  auto main = StartOn(plain);
  EXPECT_EQ(Entry(*main), static_cast<UINT>(MF_GRAYED));
  SendMessageA(main->Handle(), WM_COMMAND, menuStartWithOpenMohaa, 0);
  EXPECT_EQ(Setting("Start With OpenMoHAA"), "<missing>") << "a greyed entry changes nothing";
  ASSERT_TRUE(InstallStandInAs(folder, kBase));
  main->SetFieldText(gameFolderField, folder);
  EXPECT_EQ(Entry(*main), static_cast<UINT>(MF_ENABLED));
  Choose(*main, true);
  main->Close();

  main = StartOn(folder);
  EXPECT_EQ(Entry(*main), static_cast<UINT>(MF_CHECKED)) << "remembered across a restart";
  Click(*main, alliedAssaultButton);
  EXPECT_EQ(NextProgram(folder, 0).substr(0, 26), std::string(kBase) + " ");
  main->SetFieldText(gameFolderField, plain);  // no starters: the original program, the choice kept
  EXPECT_EQ(Entry(*main), static_cast<UINT>(MF_GRAYED));
  Click(*main, alliedAssaultButton);
  EXPECT_EQ(NextProgram(plain, 0).substr(0, 10), "mohaa.exe ");
  EXPECT_EQ(Setting("Start With OpenMoHAA"), "1");
  main->Close();
}

// The game folder is looked at when its field changes, when a menu opens and
// at a start, never on a mouse move: on a sleeping or network drive each look
// would stall the window. A starter unzipped meanwhile shows from the next
// such event on.
TEST_F(OpenMohaa, TheGameFolderIsLookedAtOnItsEventsNotOnMouseMoves) {
  ASSERT_TRUE(InstallStandInAs(folder, "openmohaa.exe"));
  const std::string starter = folder + "\\" + kBase;
  auto main = StartOn(folder);
  Choose(*main, true);
  enum class Event { None, MenuOpens, FolderTyped, Start };
  struct Case {
    bool starterThere;
    Event event;
    const char* program;  // the one the help line names after the event
  };
  const Case cases[] = {
      {true, Event::None, "openmohaa.exe"},  {true, Event::MenuOpens, kBase},
      {false, Event::None, kBase},           {false, Event::FolderTyped, "openmohaa.exe"},
      {true, Event::Start, kBase},
  };
  size_t started = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(&c - cases));
    if (c.starterThere && !FileExists(starter)) {
      ASSERT_TRUE(InstallStandInAs(folder, kBase));
    }
    if (!c.starterThere) DeleteFileA(starter.c_str());
    if (c.event == Event::MenuOpens) SendMessageA(main->Handle(), WM_INITMENUPOPUP, 0, 0);
    if (c.event == Event::FolderTyped) main->SetFieldText(gameFolderField, folder);
    if (c.event == Event::Start) {
      Click(*main, alliedAssaultButton);
      EXPECT_EQ(NextProgram(folder, started++).substr(0, strlen(kBase)), kBase);
    }
    SendMessageA(main->Control(alliedAssaultButton), WM_MOUSEMOVE, 0, 0);
    EXPECT_EQ(main->FieldText(helpLine), "Start Allied Assault with OpenMoHAA (" + std::string(c.program) + ")");
  }
  main->Close();
}
