#include <gtest/gtest.h>

#include <memory>

#include "common/win/list_controls.h"
#include "launcher/win/main_controls.h"
#include "tests/game_standin.h"
#include "tests/launcher_fixture.h"
#include "tests/wine_test_util.h"

namespace {

class Launch : public LauncherFixture {
 protected:
  // A folder with a blank and capitals, as the user might type it.
  std::string folder = game / "EA Games\\MOHAA";

  void SetUp() override {
    LauncherFixture::SetUp();
    ASSERT_TRUE(InstallStandIns(folder));
  }

  std::unique_ptr<MainWindow> StartOnGame() {
    SetSetting("Player Name", "Baker");
    auto main = Start();
    main->SetFieldText(gameFolderField, folder);
    return main;
  }

  static void Fill(MainWindow& main, const std::string& name, const std::string& server,
                   const std::string& password, const std::string& port, const std::string& extra) {
    main.SetFieldText(nameField, name);
    main.SetFieldText(serverField, server);
    main.SetFieldText(passwordField, password);
    main.SetFieldText(portField, port);
    main.SetFieldText(commandLineField, extra);
  }

  static void Click(MainWindow& main, int button) { SendMessageA(main.Control(button), BM_CLICK, 0, 0); }

  // The record of the next start, after the stand-in has ended by itself.
  LaunchRecord NextLaunch(size_t already) {
    const auto records = WaitForLaunches(folder, already + 1);
    if (records.size() != already + 1) {
      ADD_FAILURE() << "expected " << already + 1 << " starts, saw " << records.size();
      return {};
    }
    EXPECT_TRUE(WaitForExit(records.back().process)) << "the stand-in ends by itself";
    return records.back();
  }
};

}  // namespace

TEST_F(Launch, EachButtonStartsItsProgramWithTheCommandLineAndTheGameFolder) {
  struct Case {
    const char* what;
    int button;
    const char *name, *server, *password, *port, *extra;
    const char* program;
    const char* args;
  };
  const Case cases[] = {
      {"no server", alliedAssaultButton, "Baker", "", "", "12300", "+set cl_playintro 0", "mohaa.exe",
       R"( +developer 0 +name "Baker" +set net_port 12300 "+set cl_playintro 0")"},
      {"server only, empty port", breakthroughButton, "Baker", "10.0.0.5", "", "", "+set cl_playintro 0",
       "moh_breakthrough.exe",
       R"( +developer 0 +name "Baker" +connect "10.0.0.5" +set net_port  "+set cl_playintro 0")"},
      {"password and server, empty extra", alliedAssaultButton, "Baker", "10.0.0.5", "secret", "12300", "", "mohaa.exe",
       R"( +developer 0 +name "Baker" +password "secret" +connect "10.0.0.5" +set net_port 12300 "")"},
      {"password without server", alliedAssaultButton, "Baker", "", "secret", "12300", "x", "mohaa.exe",
       R"( +developer 0 +name "Baker" +password "secret" +connect "" +set net_port 12300 "x")"},
      {"Spearhead, two words, address with port", spearheadButton, "Sgt Baker", "10.0.0.5:12204", "", "12300",
       "+set cl_playintro 0", "moh_spearhead.exe",
       R"( +developer 0 +name "Sgt_Baker" +connect "10.0.0.5:12204" +set net_port 12300 "+set cl_playintro 0")"},
      {"Breakthrough keeps the blank", breakthroughButton, "Sgt Baker", "", "", "1", "+set cl_playintro 0",
       "moh_breakthrough.exe", R"( +developer 0 +name "Sgt Baker" +set net_port 1 "+set cl_playintro 0")"},
  };
  auto main = StartOnGame();
  size_t started = 0;
  for (const Case& c : cases) {
    Fill(*main, c.name, c.server, c.password, c.port, c.extra);
    Click(*main, c.button);
    EXPECT_EQ(main->launchArgs, c.args) << c.what;
    EXPECT_EQ(main->launchFile, folder + "\\" + c.program) << c.what;
    const LaunchRecord got = NextLaunch(started++);
    EXPECT_EQ(got.program, c.program) << c.what;
    EXPECT_EQ(got.commandLine, "\"" + folder + "\\" + c.program + "\" " + c.args) << c.what;
    EXPECT_EQ(got.workingFolder, folder) << c.what;
    if (c.button == spearheadButton) {
      EXPECT_EQ(Setting("Player Name"), "Sgt Baker") << "the registry keeps the blank";
    }
  }
  EXPECT_EQ(Setting("Server IP"), "");
  EXPECT_EQ(Setting("Server PWD"), "");
  EXPECT_TRUE(messages.empty());
  main->Close();
}

TEST_F(Launch, FailedChecksShowWhereAndStartNothing) {
  auto main = StartOnGame();
  Fill(*main, "", "10.0.0.5", "", "", "");
  Click(*main, alliedAssaultButton);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "You must enter your player name");
  EXPECT_EQ(messages[0].title, "Kestrun");
  EXPECT_EQ(messages[0].buttons, static_cast<unsigned>(MB_OK));
  EXPECT_EQ(FileBytes(app / "player.txt"), "<missing>") << "nothing saved";
  EXPECT_EQ(Setting("Server IP"), "<missing>");

  struct Case {
    const char* server;
    const char* message;
  };
  const Case cases[] = {
      {"10.0.0.5 :12204", "Server IP does not appear to be valid. Check digit number 9"},
      {"mohserver.net", "Server IP does not appear to be valid. Check digit number 1"},
  };
  for (const Case& c : cases) {
    messages.clear();
    Fill(*main, "New Name", c.server, "pw", "", "");
    Click(*main, spearheadButton);
    ASSERT_EQ(messages.size(), 1u) << c.server;
    EXPECT_EQ(messages[0].text, c.message);
    EXPECT_EQ(messages[0].buttons, static_cast<unsigned>(MB_OK));
  }
  // The new name was saved before the address check stopped the launch.
  EXPECT_EQ(FileBytes(app / "player.txt"), "//Part of Kestrun ... Do not Remove this line\r\nNew Name\r\n");
  EXPECT_EQ(FileBytes(app / "sip.txt"), "<missing>");
  EXPECT_EQ(FileBytes(app / "spwd.txt"), "<missing>");
  EXPECT_EQ(Setting("Player Name"), "Baker") << "the fields are stored only after both checks";
  EXPECT_EQ(main->launchArgs, "");

  // Nothing was started by the failed attempts: the next start is the first.
  Fill(*main, "New Name", "", "", "", "");
  Click(*main, alliedAssaultButton);
  const LaunchRecord first = NextLaunch(0);
  EXPECT_EQ(first.program, "mohaa.exe");
  EXPECT_EQ(LaunchRecords(folder).size(), 1u);
  main->Close();
}

TEST_F(Launch, ChecksRememberNewEntriesAndStoreTheFields) {
  PutFile(app / "player.txt", "//Do not Remove this line\r\nBaker\r\n");
  PutFile(app / "sip.txt", "//Do not Remove this line\r\n10.0.0.5\r\n");
  auto main = StartOnGame();
  struct Case {
    const char *name, *server, *password;
  };
  const Case cases[] = {
      {"baker", "10.0.0.5", ""},           // differs in case: a new name
      {"  Baker  ", " 10.0.0.5", "pw"},    // blank-padded: nothing new; the blank fails the address
      {"  Baker  ", "10.0.0.5 ", "pw"},    // blank at the end fails too
      {"Baker", "10.0.0.6:12204", "pw"},   // a new server and a new password
      {"Baker", "10.0.0.6:12204", "Pw"},
      {"   ", "", ""},                      // blanks pass the name check but are not remembered
  };
  main->gameEdition = GameEdition::AlliedAssault;
  for (const Case& c : cases) {
    Fill(*main, c.name, c.server, c.password, "", "");
    main->CheckBeforeLaunch();
  }
  const std::vector<std::string> players{"Baker", "baker"};
  EXPECT_EQ(main->rememberedNames, players);
  EXPECT_EQ(FileBytes(app / "player.txt"), "//Part of Kestrun ... Do not Remove this line\r\nBaker\r\nbaker\r\n");
  EXPECT_EQ(ComboChoices(main->Control(nameField)), std::vector<std::string>{"Baker"}) << "shown from the next start";
  const std::vector<std::string> servers{"10.0.0.5", "10.0.0.6:12204"};
  EXPECT_EQ(main->rememberedServers, servers);
  EXPECT_EQ(ComboChoices(main->Control(serverField)), servers);
  EXPECT_EQ(FileBytes(app / "sip.txt"), "//Do not Remove this line\r\n10.0.0.5\r\n10.0.0.6:12204\r\n");
  const std::vector<std::string> passwords{"pw", "Pw"};
  EXPECT_EQ(main->rememberedPasswords, passwords);
  EXPECT_EQ(ComboChoices(main->Control(passwordField)), passwords);
  EXPECT_EQ(FileBytes(app / "spwd.txt"), "//Do not Remove this line\r\npw\r\nPw\r\n");
  EXPECT_EQ(messages.size(), 2u);
  // The last run: a name of blanks, empty server and password, stored as they are.
  EXPECT_EQ(Setting("Player Name"), "   ");
  EXPECT_EQ(Setting("Server IP"), "");
  EXPECT_EQ(Setting("Server PWD"), "");
  EXPECT_EQ(main->launchName, "   ");
  main->gameEdition = GameEdition::Spearhead;
  EXPECT_TRUE(main->CheckBeforeLaunch());
  EXPECT_EQ(main->launchName, "___");
  main->Close();
}

TEST_F(Launch, DisableListSwitchesFilesOffBeforeEachStart) {
  const std::string main_ = folder + "\\main\\";
  PutFile(main_ + "zz_mod.pk3", "mod");
  PutFile(main_ + "taken.pk3", "live");
  PutFile(main_ + "taken.pkb", "off");
  PutFile(folder + "\\elsewhere\\other.pk3", "other");
  CreateDirectoryA((main_ + "dir.pk3").c_str(), nullptr);
  PutFile(main_ + "relative.pk3", "r");
  char before[MAX_PATH + 1] = {};
  GetCurrentDirectoryA(sizeof before, before);
  SetCurrentDirectoryA(main_.c_str());  // where a relative entry would land
  PutFile(app / "disable.txt", "//Do not Remove this line\r\n" + main_ + "missing.pk3\r\n  " + main_ +
                                   "zz_mod.pk3  \r\n" + main_ + "taken.pk3\r\n" + main_ + "dir.pk3\r\n" + folder +
                                   "\\elsewhere\\other.pk3\r\nrelative.pk3\r\n");
  auto main = StartOnGame();
  Fill(*main, "Baker", "", "", "", "");
  for (size_t launch = 0; launch < 2; ++launch) {  // the second start finds them switched off already
    Click(*main, alliedAssaultButton);
    NextLaunch(launch);
    EXPECT_TRUE(FileExists(main_ + "zz_mod.pkb")) << launch;
    EXPECT_FALSE(FileExists(main_ + "zz_mod.pk3")) << launch;
    EXPECT_EQ(FileBytes(main_ + "taken.pk3"), "live") << "an existing target is never replaced";
    EXPECT_EQ(FileBytes(main_ + "taken.pkb"), "off");
    EXPECT_TRUE(FileExists(folder + "\\elsewhere\\other.pkb"));
    EXPECT_EQ(GetFileAttributesA((main_ + "dir.pkb").c_str()), INVALID_FILE_ATTRIBUTES) << "folders stay";
    EXPECT_TRUE(FileExists(main_ + "relative.pk3")) << "only full paths are switched off";
    EXPECT_EQ(main->FieldText(helpLine), "Not switched off: " + main_ + "taken.pk3 (switched-off name taken)");
  }
  SetCurrentDirectoryA(before);
  EXPECT_EQ(main->disableEntries.size(), 6u);
  EXPECT_EQ(main->disableEntries[1], main_ + "zz_mod.pk3") << "entries are trimmed";
  EXPECT_TRUE(messages.empty());
  main->Close();  // and the shutdown switches them back on
  EXPECT_TRUE(FileExists(main_ + "zz_mod.pk3"));
  EXPECT_TRUE(FileExists(folder + "\\elsewhere\\other.pk3"));
}

// An archive of the disable list that cannot be switched off is named in the
// help line after the start, with why; the start goes on, the other archives
// are switched off as usual, and no message box interrupts.
TEST_F(Launch, ArchivesThatCannotBeSwitchedOffAreNamedAfterTheStart) {
  enum class Hold { Open, UnwritableFolder };
  struct Case {
    const char* what;
    Hold hold;
    const char* reason;
  };
  const Case cases[] = {
      {"held open without delete sharing", Hold::Open, "in use"},
      {"in a folder that cannot be written", Hold::UnwritableFolder, "access denied"},
  };
  const std::string free = folder + "\\main\\zz_mod.pk3";
  const std::string stuckFolder = folder + "\\stuck";
  const std::string stuck = stuckFolder + "\\zz_stuck.pk3";
  PutFile(free, "mod");
  PutFile(stuck, "stuck");
  PutFile(app / "disable.txt", "//Do not Remove this line\r\n" + stuck + "\r\n" + free + "\r\n");
  size_t started = 0;
  for (const Case& c : cases) {
    auto main = StartOnGame();
    Fill(*main, "Baker", "", "", "", "");
    {
      HANDLE open = INVALID_HANDLE_VALUE;
      std::unique_ptr<UnwritableFolder> unwritable;
      if (c.hold == Hold::Open) {
        open = CreateFileA(stuck.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
        ASSERT_NE(open, INVALID_HANDLE_VALUE) << c.what;
      } else {
        unwritable = std::make_unique<UnwritableFolder>(stuckFolder);
        if (!unwritable->Held()) GTEST_SKIP() << "chattr +i had no effect: not under Wine as root";
      }
      Click(*main, alliedAssaultButton);
      EXPECT_EQ(NextLaunch(started++).program, "mohaa.exe") << c.what << ": the start goes on";
      EXPECT_EQ(main->FieldText(helpLine), "Not switched off: " + stuck + " (" + c.reason + ")") << c.what;
      EXPECT_EQ(FileBytes(stuck), "stuck") << c.what;
      EXPECT_TRUE(FileExists(folder + "\\main\\zz_mod.pkb")) << c.what << ": the others are switched off";
      if (open != INVALID_HANDLE_VALUE) CloseHandle(open);
    }
    main->Close();
    EXPECT_EQ(FileBytes(free), "mod") << c.what;
  }
  EXPECT_TRUE(messages.empty());
}

namespace {

// Real input, as the player gives it: through the system's input queue.
void SendMouse(DWORD flags, POINT at = {}) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    in.mi.dx = MulDiv(at.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    in.mi.dy = MulDiv(at.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
  }
  SendInput(1, &in, sizeof in);
  PumpFor(40);
}

void MoveMouseTo(POINT at) { SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, at); }

POINT MiddleOf(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void SendKey(WORD key) {
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = key;
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
  PumpFor(40);
}

}  // namespace

// The help line's warning after a start is still there after the mouse moved
// over a button and over the window; the player's next click or key takes it
// away, and the help texts follow the mouse again.
TEST_F(Launch, TheWarningAfterAStartStaysUntilTheNextClickOrKey) {
  const std::string stuck = folder + "\\main\\zz_stuck.pk3";
  PutFile(stuck, "stuck");
  PutFile(app / "disable.txt", "//Do not Remove this line\r\n" + stuck + "\r\n");
  const std::string warning = "Not switched off: " + stuck + " (in use)";
  enum class Action { Click, Key };
  // The pointer stays where it was left, for the next test's windows too:
  // it goes to the screen's bottom right corner, away from them.
  struct ParkMouse {
    ~ParkMouse() { MoveMouseTo({GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1}); }
  } parkMouse;
  size_t started = 0;
  for (Action action : {Action::Click, Action::Key}) {
    SCOPED_TRACE(action == Action::Click ? "click" : "key");
    auto main = StartOnGame();
    Fill(*main, "Baker", "", "", "", "");
    // The mouse's moves reach the window: the help line follows them.
    MoveMouseTo(MiddleOf(main->Control(breakthroughButton)));
    ASSERT_EQ(main->FieldText(helpLine), "Start BreakThrough");
    HANDLE open = CreateFileA(stuck.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    Click(*main, alliedAssaultButton);
    NextLaunch(started++);
    CloseHandle(open);
    ASSERT_EQ(main->FieldText(helpLine), warning);

    SetForegroundWindow(main->Handle());
    SetFocus(main->Control(portField));
    // A spot of the window's own background, between the two columns.
    POINT background{360, 60};
    ClientToScreen(main->Handle(), &background);
    ASSERT_EQ(WindowFromPoint(background), main->Handle());
    MoveMouseTo(MiddleOf(main->Control(spearheadButton)));
    MoveMouseTo(MiddleOf(main->Control(serverLabel)));
    MoveMouseTo(background);
    EXPECT_EQ(main->FieldText(helpLine), warning) << "the mouse moved";

    if (action == Action::Click) {
      SendMouse(MOUSEEVENTF_LEFTDOWN);
      SendMouse(MOUSEEVENTF_LEFTUP);
    } else {
      ASSERT_EQ(GetForegroundWindow(), main->Handle());
      SendKey(VK_END);
    }
    EXPECT_NE(main->FieldText(helpLine), warning);
    MoveMouseTo(MiddleOf(main->Control(spearheadButton)));
    EXPECT_EQ(main->FieldText(helpLine), "Start SpearHead");
    main->Close();
    TakeQuit();  // the window's end asks the program to end; input waits behind that request
  }
}

// A list the start cannot save (a read-only file in a writable folder) is
// named in the help line, once a run; the start goes on and no message box
// interrupts.
TEST_F(Launch, AListTheStartCannotSaveIsNamedOnce) {
  for (const char* file : {"player.txt", "sip.txt"}) {
    PutFile(app / file, "//Do not Remove this line\r\nOld\r\n");
    SetFileAttributesA((app / file).c_str(), FILE_ATTRIBUTE_READONLY);
  }
  auto main = StartOnGame();
  Fill(*main, "New Name", "10.0.0.7", "pw", "", "");
  Click(*main, alliedAssaultButton);
  NextLaunch(0);
  EXPECT_EQ(main->FieldText(helpLine), "Could not save " + (app / "player.txt") + ", " + (app / "sip.txt"));
  EXPECT_EQ(FileBytes(app / "spwd.txt"), "//Do not Remove this line\r\npw\r\n") << "the other list is saved";

  Fill(*main, "Newer Name", "10.0.0.8", "pw", "", "");
  Click(*main, alliedAssaultButton);
  NextLaunch(1);
  EXPECT_EQ(main->FieldText(helpLine).find("Could not save"), std::string::npos) << "named once";
  EXPECT_TRUE(messages.empty());
  main->Close();
  for (const char* file : {"player.txt", "sip.txt"}) {
    EXPECT_EQ(FileBytes(app / file), "//Do not Remove this line\r\nOld\r\n") << file;
    SetFileAttributesA((app / file).c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_F(Launch, ARunningStandInConsoleKeepsTheNextLauncherFromStarting) {
  PutFile(folder + "\\console.txt", "60000");
  auto main = StartOnGame();
  Fill(*main, "Baker", "", "", "", "");
  Click(*main, alliedAssaultButton);
  const auto records = WaitForLaunches(folder, 1);
  ASSERT_EQ(records.size(), 1u);
  HWND console = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (console = FindWindowA(nullptr, "MOHAA Console")) != nullptr; }, 20000));

  auto second = Start();
  EXPECT_TRUE(second->Closed());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text,
            "There is already an copy of MOHAA running. This must be closed down before starting Kestrun");
  TakeQuit();

  PostMessageA(console, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitForExit(records[0].process));
  main->Close();
}
