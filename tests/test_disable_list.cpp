#include <gtest/gtest.h>

#include <algorithm>

#include "common/core/text.h"
#include "common/win/list_controls.h"
#include "launcher/win/disable_list_window.h"
#include "launcher/win/main_controls.h"
#include "tests/launcher_fixture.h"
#include "tests/wine_test_util.h"

namespace {

constexpr const char* kHeader = "//Do not Remove this line\r\n";

class DisableList : public LauncherFixture {
 protected:
  std::string root;
  std::string disablePath;

  void SetUp() override {
    LauncherFixture::SetUp();
    root = LowerCase(game.Path()) + "\\";  // the launcher shows "basepath" in lower case
    disablePath = app / "disable.txt";
    for (const char* path : {"main\\pak0.pk3", "main\\pak6.pk3", "main\\zz_mod.pk3", "main\\Big.PK3", "mainta\\ta.pk3",
                             "mainta\\pak7de.pk3", "maintt\\tt.pk3", "maintt\\maps\\dm\\deep.pk3", "main\\notes.txt"}) {
      PutFile(game / path, path);
    }
    SetBasepath(game.Path());
    SetSetting("Player Name", "Baker");
  }

  // Every add-on archive of the game folder, sorted.
  std::vector<std::string> AddOns() const {
    std::vector<std::string> all = {root + "main\\zz_mod.pk3", root + "main\\Big.PK3", root + "mainta\\ta.pk3",
                                    root + "maintt\\tt.pk3", root + "maintt\\maps\\dm\\deep.pk3"};
    std::sort(all.begin(), all.end());
    return all;
  }

  static std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
  }

  // The disable list's file holding these entries.
  static std::string Body(const std::vector<std::string>& entries) {
    std::string body = kHeader;
    for (const std::string& entry : entries) body += entry + "\r\n";
    return body;
  }

  static std::vector<std::string> ParseLines(const std::string& bytes) {
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(bytes.substr(start, end - start));
    }
    return lines;
  }

  static void DoubleClick(DisableListWindow* window, HWND list, int index) {
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(window->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(list));
  }
  static void Press(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }
};

}  // namespace

TEST_F(DisableList, DisableAllCoversEveryFolderButNeverStockArchives) {
  PutFile(disablePath, std::string(kHeader) + "C:\\old\\entry.pk3\r\n");
  auto main = Start();
  SendMessageA(main->Handle(), WM_COMMAND, menuDisableAll, 0);
  EXPECT_EQ(main->FieldText(helpLine), "All PK3 Files set to be Disabled");
  EXPECT_EQ(Sorted(main->listedArchives), AddOns());
  EXPECT_EQ(FileBytes(disablePath), Body(main->listedArchives)) << "the old content is replaced, in listing order";
  EXPECT_TRUE(messages.empty());

  // The next start switches every add-on off and leaves the stock archives.
  main->gameEdition = GameEdition::AlliedAssault;
  EXPECT_TRUE(main->CheckBeforeLaunch());
  for (const std::string& path : AddOns()) {
    EXPECT_TRUE(FileExists(path.substr(0, path.size() - 1) + "b")) << path;
  }
  EXPECT_TRUE(FileExists(game / "main\\pak0.pk3"));
  EXPECT_TRUE(FileExists(game / "mainta\\pak7de.pk3"));
  main->Close();
}

TEST_F(DisableList, DisableAllOnAFolderWithoutAddOnsWritesTheHeaderAlone) {
  auto main = Start();
  main->SetFieldText(gameFolderField, game / "missing");
  SendMessageA(main->Handle(), WM_COMMAND, menuDisableAll, 0);
  EXPECT_EQ(FileBytes(disablePath), kHeader);
  EXPECT_EQ(main->FieldText(helpLine), "All PK3 Files set to be Disabled");
  main->Close();
}

TEST_F(DisableList, WindowPicksArchivesByDoubleClickAndSelectAll) {
  auto main = Start();
  DisableListWindow* window = main->OpenDisableWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowText(window->Handle()), "Disable PK3 Files");
  EXPECT_FALSE(IsWindowEnabled(main->Handle())) << "the window is modal";
  const std::vector<std::string> found = ListLines(window->FoundList());
  EXPECT_EQ(Sorted(found), AddOns());
  EXPECT_TRUE(ListLines(window->ChosenList()).empty());

  DoubleClick(window, window->FoundList(), 2);
  DoubleClick(window, window->FoundList(), 2);  // the same archive again
  EXPECT_EQ(ListLines(window->ChosenList()), std::vector<std::string>{found[2]});
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "File is already in the disable list");
  EXPECT_EQ(messages[0].title, "Kestrun");
  EXPECT_EQ(messages[0].buttons, static_cast<unsigned>(MB_OK));

  DoubleClick(window, window->FoundList(), -1);  // nothing selected: nothing added
  DoubleClick(window, window->ChosenList(), -1);  // nothing selected: nothing removed
  EXPECT_EQ(ListLines(window->ChosenList()).size(), 1u);

  Press(window->SelectAllButton());  // "Select All" adds only the others, after the one picked
  std::vector<std::string> all{found[2]};
  for (size_t i = 0; i < found.size(); ++i) {
    if (i != 2) all.push_back(found[i]);
  }
  EXPECT_EQ(ListLines(window->ChosenList()), all);
  Press(window->SelectAllButton());  // twice: nothing more
  EXPECT_EQ(ListLines(window->ChosenList()), all);
  EXPECT_EQ(messages.size(), 1u);

  DoubleClick(window, window->ChosenList(), 0);  // removed at once, without a question
  all.erase(all.begin());
  EXPECT_EQ(ListLines(window->ChosenList()), all);
  EXPECT_EQ(messages.size(), 1u);

  Press(window->SaveButton());  // "Save"
  EXPECT_TRUE(window->Closed());
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_EQ(FileBytes(disablePath), Body(all));
  main->Close();
}

TEST_F(DisableList, ReopenedAfterSaveTheChoiceStartsEmptyAndIsReplaced) {
  auto main = Start();
  DisableListWindow* window = main->OpenDisableWindow();
  DoubleClick(window, window->FoundList(), 0);
  const std::string first = ListLines(window->FoundList())[0];
  Press(window->SaveButton());
  EXPECT_EQ(FileBytes(disablePath), Body({first}));

  window = main->OpenDisableWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(ListLines(window->ChosenList()).empty());
  DoubleClick(window, window->FoundList(), 1);
  const std::string second = ListLines(window->FoundList())[1];
  Press(window->SaveButton());
  EXPECT_EQ(FileBytes(disablePath), Body({second})) << "replaced, not added to";

  window = main->OpenDisableWindow();
  Press(window->SaveButton());  // "Save" with nothing chosen
  EXPECT_EQ(FileBytes(disablePath), kHeader);

  for (bool closeBox : {false, true}) {  // "Quit" and the close box write nothing
    window = main->OpenDisableWindow();
    Press(window->SelectAllButton());
    if (closeBox) {
      SendMessageA(window->Handle(), WM_CLOSE, 0, 0);
    } else {
      Press(window->QuitButton());
    }
    EXPECT_TRUE(window->Closed());
    EXPECT_EQ(FileBytes(disablePath), kHeader);
  }
  EXPECT_TRUE(messages.empty());
  main->Close();
}

TEST_F(DisableList, AFailedWriteIsSaidAndNothingChosenIsLost) {
  const std::string before = std::string(kHeader) + "C:\\old\\entry.pk3\r\n";
  PutFile(disablePath, before);
  SetFileAttributesA(disablePath.c_str(), FILE_ATTRIBUTE_READONLY);
  auto main = Start();
  SendMessageA(main->Handle(), WM_COMMAND, menuDisableAll, 0);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Could not save " + disablePath);
  EXPECT_EQ(messages[0].title, "Kestrun");
  EXPECT_NE(main->FieldText(helpLine), "All PK3 Files set to be Disabled");
  EXPECT_EQ(FileBytes(disablePath), before) << "whole or not at all";

  DisableListWindow* window = main->OpenDisableWindow();
  Press(window->SelectAllButton());
  const std::vector<std::string> chosen = ListLines(window->ChosenList());
  Press(window->SaveButton());
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text, "Could not save " + disablePath);
  EXPECT_FALSE(window->Closed()) << "the window stays open";
  EXPECT_EQ(ListLines(window->ChosenList()), chosen);
  EXPECT_EQ(FileBytes(disablePath), before);

  SetFileAttributesA(disablePath.c_str(), FILE_ATTRIBUTE_NORMAL);
  Press(window->SaveButton());  // once the file can be written, the same choice is saved
  EXPECT_TRUE(window->Closed());
  EXPECT_EQ(FileBytes(disablePath), Body(chosen));
  main->Close();
}

TEST_F(DisableList, TheMenuEntriesAreOnAndTheWindowEntryWaitsForItsWindow) {
  auto main = Start();
  HMENU tools = GetSubMenu(GetMenu(main->Handle()), 0);
  for (int entry : {menuDisableAll, menuDisableSelected}) {
    EXPECT_EQ(GetMenuState(tools, entry, MF_BYCOMMAND) & MF_GRAYED, 0u) << entry;
  }
  // While the entry's own loop runs, a timer picks an archive and saves.
  static bool sawWindow;
  sawWindow = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
    HWND window = FindWindowA(nullptr, "Disable PK3 Files");
    if (!window) return;
    KillTimer(nullptr, id);
    sawWindow = true;
    HWND found = GetDlgItem(window, 1);  // the found archives; "Save" is control 5
    SendMessageA(found, LB_SETCURSEL, 0, 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(1, LBN_DBLCLK), reinterpret_cast<LPARAM>(found));
    SendMessageA(GetDlgItem(window, 5), BM_CLICK, 0, 0);
  });
  SendMessageA(main->Handle(), WM_COMMAND, menuDisableSelected, 0);
  KillTimer(nullptr, timer);
  EXPECT_TRUE(sawWindow);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_EQ(ParseLines(FileBytes(disablePath)).size(), 2u) << "the header and the one archive picked";
  main->Close();
}

TEST_F(DisableList, ClosingTheLauncherClosesTheWindowWithoutSaving) {
  auto main = Start();
  DisableListWindow* window = main->OpenDisableWindow();
  EXPECT_EQ(main->OpenDisableWindow(), nullptr) << "one window at a time";
  Press(window->SelectAllButton());
  PostMessageA(main->Handle(), WM_ENDSESSION, TRUE, 0);
  window->RunModal();
  EXPECT_TRUE(window->Closed());
  EXPECT_TRUE(main->Closed());
  EXPECT_EQ(FileBytes(disablePath), "<missing>");
  EXPECT_TRUE(TakeQuit());
}
