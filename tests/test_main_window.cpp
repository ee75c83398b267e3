#include <gtest/gtest.h>

#include "common/win/list_controls.h"
#include "common/win/message_box.h"
#include "common/win/registry.h"
#include "launcher/win/list_editor.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/main_window.h"
#include "tests/launcher_fixture.h"
#include "tests/temp_folder.h"
#include "tests/wine_test_util.h"

namespace {

using registry::kText;
const char* kGameKey = "Software\\2015\\MOHAA";

class Launcher : public LauncherFixture {
 protected:
  static RegValue Basepath() { return registry::ReadKeyValue(HKEY_CURRENT_USER, kGameKey, "basepath"); }

  // A double-click on the editor's entry at index, as the list box reports it.
  static void DoubleClick(ListEditorWindow* editor, int index) {
    SendMessageA(editor->List(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(editor->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(editor->List()), LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(editor->List()));
  }
};

}  // namespace

TEST_F(Launcher, GameFolderFromBasepath) {
  struct Case {
    const char* stored;
    const char* shown;
    const char* after;  // "basepath" after start-up
  };
  const Case cases[] = {
      {"C:\\PROGRA~1\\EAGAME~1\\MOHAA", "c:\\program files\\ea games\\mohaa", "c:\\program files\\ea games\\mohaa"},
      {"g:\\PROGRA~1\\EAGAME~1\\MOHAA", "g:\\progra~1\\eagame~1\\mohaa", "g:\\PROGRA~1\\EAGAME~1\\MOHAA"},
      {"d:\\games\\mohaa\\main\\", "d:\\games\\mohaa", "d:\\games\\mohaa\\main\\"},
      {"d:\\games\\mohaa\\main", "d:\\games\\mohaa", "d:\\games\\mohaa\\main"},
      {"D:\\Games\\MOHAA", "d:\\games\\mohaa", "D:\\Games\\MOHAA"},
      // The system's lower case: letters beyond A to Z too (code page 1252).
      {"D:\\SPIELE\\\xC4RA", "d:\\spiele\\\xE4ra", "D:\\SPIELE\\\xC4RA"},
      {"", "c:\\program files\\ea games\\mohaa", "c:\\program files\\ea games\\mohaa"},
  };
  for (const Case& c : cases) {
    SetBasepath(c.stored);
    auto main = Start();
    EXPECT_EQ(main->FieldText(gameFolderField), c.shown) << c.stored;
    EXPECT_EQ(ValueText(Basepath()), c.after) << c.stored;
    main->Close();
  }
  HKEY key;  // the value missing from the game's key: the standard folder is written back
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kGameKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  RegDeleteValueA(key, "basepath");
  RegCloseKey(key);
  auto main = Start();
  EXPECT_EQ(main->FieldText(gameFolderField), "c:\\program files\\ea games\\mohaa");
  EXPECT_EQ(ValueText(Basepath()), "c:\\program files\\ea games\\mohaa");
  main->Close();
  EXPECT_TRUE(messages.empty());
}

TEST_F(Launcher, FirstRunCreatesTheKeyAndNeverTheGameKey) {
  auto main = Start();
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kestrun", 0, KEY_READ, &key), ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kGameKey, 0, KEY_READ, &key), ERROR_SUCCESS);
  EXPECT_EQ(main->FieldText(gameFolderField), "c:\\program files\\ea games\\mohaa");
  for (int id : {nameField, serverField, passwordField, portField, helpLine}) EXPECT_EQ(main->FieldText(id), "") << id;
  EXPECT_EQ(main->FieldText(commandLineField), "+set cl_playintro 0");
  EXPECT_EQ(WindowText(main->Handle()), "Kestrun Version 1.3");
  EXPECT_EQ(main->statusPrefix, std::string("\xFF\xFF\xFF\xFF\x02", 5));
  main->Close();
}

// A launcher whose own folder cannot be written says so once at start-up,
// naming the folder, then starts as before: fields and lists as last time.
TEST_F(Launcher, AFolderItCannotWriteIsNamedOnceAtStartUp) {
  using Deny = UnwritableFolder::Deny;
  struct Case {
    const char* what;
    bool unwritable;
    Deny deny;
  };
  const Case cases[] = {{"writable", false, Deny::Everything},
                        {"cannot be written", true, Deny::Everything},
                        {"files are created but not deleted", true, Deny::Delete}};
  const std::string players = "//Do not Remove this line\r\nBaker\r\nAble\r\n";
  PutFile(app / "player.txt", players);
  SetSetting("Player Name", "Baker");
  for (const Case& c : cases) {
    messages.clear();
    std::unique_ptr<UnwritableFolder> unwritable;
    if (c.unwritable) {
      unwritable = std::make_unique<UnwritableFolder>(app.Path(), c.deny);
      if (!unwritable->Held()) GTEST_SKIP() << "chattr +i had no effect: not under Wine as root";
    }
    auto main = Start();
    if (c.unwritable) {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_NE(messages[0].text.find("\r\n" + app.Path() + "\r\n"), std::string::npos) << messages[0].text;
      EXPECT_NE(messages[0].text.find("Move Kestrun.exe and corvel2.exe to a folder of your own"), std::string::npos);
      EXPECT_EQ(messages[0].title, "Kestrun");
      EXPECT_EQ(messages[0].buttons, static_cast<unsigned>(MB_OK));
    } else {
      EXPECT_TRUE(messages.empty());
      WIN32_FIND_DATAA found;
      EXPECT_EQ(FindFirstFileA((app / "kestrun-probe*").c_str(), &found), INVALID_HANDLE_VALUE) << "probe removed";
    }
    EXPECT_EQ(main->FieldText(nameField), "Baker") << c.what;
    EXPECT_EQ(main->rememberedNames, (std::vector<std::string>{"Baker", "Able"})) << c.what;
    EXPECT_TRUE(IsWindowVisible(main->Handle())) << c.what;
    if (c.deny == Deny::Delete) {
      // Each save there would leave its temporary file behind: a start tries none.
      main->SetFieldText(nameField, "Newcomer");
      main->SetFieldText(serverField, "10.0.0.1");
      EXPECT_TRUE(main->CheckBeforeLaunch());
    }
    main->Close();
    EXPECT_EQ(messages.size(), c.unwritable ? 1u : 0u) << c.what << ": said once";
    EXPECT_EQ(FileBytes(app / "player.txt"), players) << c.what;
    if (c.deny == Deny::Delete) {
      Start()->Close();  // the next start finds its probe and makes no other
      EXPECT_EQ(messages.size(), 2u);
      EXPECT_EQ(FileNames(app.Path()),
                (std::vector<std::string>{UnwritableFolder::kChattrCheckFile, "kestrun-probe.tmp", "player.txt"}));
    }
  }
}

TEST_F(Launcher, FieldsAndListsFromLastTime) {
  SetSetting("Player Name", "Sgt Baker");
  SetSetting("Server IP", "10.0.0.5:12204");
  SetSetting("Server PWD", "pw");
  SetBasepath(game.Path());
  PutFile(app / "player.txt", "//Do not Remove this line\r\nAlice\r\n  Bob Stone  \r\n//gone\r\nAlice\r\n");
  PutFile(app / "sip.txt", "//Do not Remove this line\r\n10.0.0.5:12204\r\n");
  auto main = Start();
  EXPECT_EQ(main->FieldText(nameField), "Sgt Baker");  // the lists do not set the fields
  EXPECT_EQ(main->FieldText(serverField), "10.0.0.5:12204");
  EXPECT_EQ(main->FieldText(passwordField), "pw");
  const std::vector<std::string> players{"Alice", "Bob Stone", "Alice"};
  EXPECT_EQ(main->rememberedNames, players);
  EXPECT_EQ(ComboChoices(main->Control(nameField)), players);
  EXPECT_EQ(main->rememberedServers, std::vector<std::string>{"10.0.0.5:12204"});
  EXPECT_TRUE(main->rememberedPasswords.empty());
  main->Close();
}

TEST_F(Launcher, ARunningGameEndsStartUpAndRestoresTheInitialFolder) {
  SetSetting("Player Name", "Baker");
  const std::string initial = "C:\\Program Files\\EA Games\\MOHAA";
  PutFile(initial + "\\main\\zz.pkb", "x");
  HWND lookalike = CreateWindowA("STATIC", "MOHAA Console 2", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  {
    auto main = Start();
    EXPECT_FALSE(main->Closed()) << "only the exact caption counts";
    EXPECT_TRUE(messages.empty());
    main->Close();
    TakeQuit();
  }
  PutFile(initial + "\\main\\zz.pkb", "x");
  DeleteFileA((initial + "\\main\\zz.pk3").c_str());
  HWND console = CreateWindowA("STATIC", "MOHAAS Console", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  auto main = Start();
  EXPECT_TRUE(main->Closed());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "There is already an copy of MOHAA running. This must be closed down before starting Kestrun");
  EXPECT_EQ(messages[0].title, "Kestrun");
  EXPECT_EQ(messages[0].buttons, static_cast<unsigned>(MB_OK));
  EXPECT_TRUE(FileExists(initial + "\\main\\zz.pk3")) << "shutdown ran on the initial folder text";
  EXPECT_TRUE(main->rememberedNames.empty());
  EXPECT_TRUE(TakeQuit());
  DestroyWindow(console);
  DestroyWindow(lookalike);
  RemoveTree(initial);
}

TEST_F(Launcher, StartUpAndShutdownSwitchFilesBackOn) {
  SetBasepath(game.Path());
  PutFile(game / "main\\a.pkb", "a");
  PutFile(game / "other\\z.pkb", "z");  // outside the table's folders
  PutFile(app / "disable.txt", "//Do not Remove this line\r\n" + (game / "other\\z.pk3") + "\r\n");
  auto main = Start();
  EXPECT_TRUE(FileExists(game / "main\\a.pk3"));
  EXPECT_TRUE(FileExists(game / "other\\z.pk3"));

  // Files switched off for a launch; then the folder field is edited.
  MoveFileA((game / "main\\a.pk3").c_str(), (game / "main\\a.pkb").c_str());
  MoveFileA((game / "other\\z.pk3").c_str(), (game / "other\\z.pkb").c_str());
  TempFolder second{"second"};
  PutFile(second / "main\\b.pkb", "b");
  main->SetFieldText(gameFolderField, second.Path());
  PostMessageA(main->Handle(), WM_CLOSE, 0, 0);  // the close box
  ASSERT_TRUE(PumpUntil([&] { return main->Closed(); }));
  EXPECT_TRUE(FileExists(second / "main\\b.pk3")) << "the restore runs on the folder the field holds";
  EXPECT_TRUE(FileExists(game / "main\\a.pkb")) << "the folder used before stays until its next start";
  EXPECT_TRUE(FileExists(game / "other\\z.pk3")) << "disable-list entries come back wherever they are";
}

TEST_F(Launcher, ExitFromTheMenuRunsTheSameShutdown) {
  SetBasepath(game.Path());
  auto main = Start();
  PutFile(game / "main\\c.cfb", "c");
  SendMessageA(main->Handle(), WM_COMMAND, menuExit, 0);
  EXPECT_TRUE(main->Closed());
  EXPECT_TRUE(FileExists(game / "main\\c.cfg"));
}

TEST_F(Launcher, HelpLineFollowsLabelsAndButtonsButNotFields) {
  auto main = Start();
  auto moveOver = [&](int id) { SendMessageA(main->Control(id), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2)); };
  const std::pair<int, const char*> helps[] = {
      {alliedAssaultButton, "Start Allied Assault"},
      {spearheadButton, "Start SpearHead"},
      {breakthroughButton, "Start BreakThrough"},
      {serverStatusButton, "Get the server status of current IP"},
      {launchCorvelButton, "Mini version of Tavrin Remote that overlays the game"},
      {portLabel, "Out going Port only if Port Forwarding"},
      {gameFolderLabel, "Path to MOH (Location)"},
      {nameLabel, "Player Name"},
      {commandLineLabel, "Add any addition command line entries"},
      {serverLabel, "IP to server, include : and port if not 12203"},
      {passwordLabel, "Password if one is required"},
  };
  for (const auto& [id, help] : helps) {
    moveOver(id);
    EXPECT_EQ(main->FieldText(helpLine), help) << id;
  }
  moveOver(spearheadButton);
  for (int id :
       {nameField, gameFolderField, serverField, portField, mapLabel, typeLabel, privateLabel, mapField, playerList}) {
    moveOver(id);
    EXPECT_EQ(main->FieldText(helpLine), "Start SpearHead") << id;
  }
  SendMessageA(main->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(600, 370));
  EXPECT_EQ(main->FieldText(helpLine), "Kestrun - Version 1.3");
  main->Close();
}

TEST_F(Launcher, TabOrderFollowsTheForm) {
  auto main = Start();
  const int order[] = {gameFolderField,    nameField,          serverField,         passwordField,
                       portField,          commandLineField,   alliedAssaultButton, spearheadButton,
                       breakthroughButton, serverStatusButton, launchCorvelButton};
  HWND at = main->Control(gameFolderField);
  for (size_t i = 1; i < std::size(order); ++i) {
    at = GetNextDlgTabItem(main->Handle(), at, FALSE);
    // A drop-down field's edit box is a child of the field.
    HWND owner = GetParent(at) == main->Handle() ? at : GetParent(at);
    EXPECT_EQ(GetDlgCtrlID(owner), order[i]) << i;
    at = owner;
  }
  main->Close();
}

TEST_F(Launcher, EditorRemovesWithYesAndWritesOnOk) {
  PutFile(app / "player.txt", "//Part of Kestrun ... Do not Remove this line\r\nAlice\r\nBob\r\nCarol\r\n");
  auto main = Start();
  ListEditorWindow* editor = main->OpenPlayersEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(WindowText(editor->Handle()), "Remove Players");
  EXPECT_FALSE(IsWindowEnabled(main->Handle())) << "the editor is modal";
  EXPECT_EQ(ListLines(editor->List()), (std::vector<std::string>{"Alice", "Bob", "Carol"}));

  answer = IDNO;
  DoubleClick(editor, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "You are about to remove this Player. Do you wish to continue?");
  EXPECT_EQ(messages[0].title, "Delete IP/Port/Rcon");
  EXPECT_EQ(messages[0].buttons, static_cast<unsigned>(MB_YESNO));
  EXPECT_EQ(ListLines(editor->List()).size(), 3u);
  answer = IDYES;
  DoubleClick(editor, 1);
  EXPECT_EQ(ListLines(editor->List()), (std::vector<std::string>{"Alice", "Carol"}));
  SendMessageA(editor->OkButton(), BM_CLICK, 0, 0);
  EXPECT_TRUE(editor->Closed());
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_EQ(FileBytes(app / "player.txt"), "//Do not Remove this line\r\nAlice\r\nCarol\r\n");
  EXPECT_EQ(main->rememberedNames, (std::vector<std::string>{"Alice", "Carol"}));
  EXPECT_EQ(ComboChoices(main->Control(nameField)), (std::vector<std::string>{"Alice", "Carol"}));
  EXPECT_EQ(main->FieldText(nameField), "Alice");
  main->Close();
}

TEST_F(Launcher, ClosingTheLauncherWhileAnEditorIsOpenDropsItsChanges) {
  PutFile(app / "player.txt", "//Do not Remove this line\r\nAlice\r\nBob\r\n");
  auto main = Start();
  ListEditorWindow* editor = main->OpenPlayersEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(main->OpenServerEditor(), nullptr) << "one editor at a time";
  answer = IDYES;
  DoubleClick(editor, 0);
  // The system ends the program while the editor's own loop runs.
  PostMessageA(main->Handle(), WM_ENDSESSION, TRUE, 0);
  editor->RunModal();
  EXPECT_TRUE(editor->Closed());
  EXPECT_TRUE(main->Closed());
  EXPECT_EQ(FileBytes(app / "player.txt"), "//Do not Remove this line\r\nAlice\r\nBob\r\n");
  EXPECT_TRUE(TakeQuit());
}

TEST_F(Launcher, EditorChangesNothingWithoutRemovalOrByTheCloseBox) {
  const std::string original = "//Do not Remove this line\r\n1.2.3.4\r\n5.6.7.8:12204\r\n";
  PutFile(app / "sip.txt", original);
  SetSetting("Server IP", "9.9.9.9");
  auto main = Start();
  ListEditorWindow* editor = main->OpenServerEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(WindowText(editor->Handle()), "Remove Server IP");
  answer = IDYES;
  DoubleClick(editor, 0);
  EXPECT_EQ(messages.at(0).text, "You are about to remove this Player. Do you wish to continue?");
  SendMessageA(editor->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(editor->Closed());
  EXPECT_EQ(FileBytes(app / "sip.txt"), original);
  EXPECT_EQ(main->rememberedServers.size(), 2u);
  EXPECT_EQ(main->FieldText(serverField), "9.9.9.9");

  editor = main->OpenServerEditor();
  SendMessageA(editor->OkButton(), BM_CLICK, 0, 0);  // OK without a removal writes nothing
  EXPECT_EQ(FileBytes(app / "sip.txt"), original);
  EXPECT_EQ(main->FieldText(serverField), "9.9.9.9");
  main->Close();
}

TEST_F(Launcher, EditorEmptiedLeavesTheHeaderAloneAndAFailedSaveIsReported) {
  PutFile(app / "player.txt", "//Do not Remove this line\r\nSolo\r\n");
  auto main = Start();
  answer = IDYES;
  ListEditorWindow* editor = main->OpenPlayersEditor();
  DoubleClick(editor, 0);
  SendMessageA(editor->OkButton(), BM_CLICK, 0, 0);
  EXPECT_EQ(FileBytes(app / "player.txt"), "//Do not Remove this line\r\n");
  EXPECT_TRUE(ComboChoices(main->Control(nameField)).empty());
  EXPECT_EQ(main->FieldText(nameField), "");

  // A list file that cannot be replaced: the old file stays, the window keeps the edit.
  PutFile(app / "sip.txt", "//Do not Remove this line\r\nA\r\nB\r\n");
  main->rememberedServers = {"A", "B"};
  SetFileAttributesA((app / "sip.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  messages.clear();
  editor = main->OpenServerEditor();
  DoubleClick(editor, 0);
  SendMessageA(editor->OkButton(), BM_CLICK, 0, 0);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text, "Could not save " + (app / "sip.txt"));
  EXPECT_EQ(messages[1].title, "Kestrun");
  EXPECT_EQ(FileBytes(app / "sip.txt"), "//Do not Remove this line\r\nA\r\nB\r\n");
  EXPECT_EQ(main->rememberedServers, std::vector<std::string>{"B"});
  SetFileAttributesA((app / "sip.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
  main->Close();
}
