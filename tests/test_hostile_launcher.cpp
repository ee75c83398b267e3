// Hostile input against the real launcher window: status replies, list files,
// registry values of the wrong kind, and files that are read-only or locked.
// Nothing may crash or hang, no list file or value may be lost, and memory
// stays in proportion to the input.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/win/list_controls.h"
#include "common/win/registry.h"
#include "launcher/core/list_file.h"
#include "launcher/win/list_editor.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/overlay_starter.h"
#include "tests/hostile_util.h"
#include "tests/launcher_fixture.h"
#include "tests/udp_test_server.h"
#include "tests/wine_test_util.h"

namespace {

constexpr const char* kSettingsKey = "Software\\Kestrun";
constexpr const char* kGameKey = "Software\\2015\\MOHAA";
constexpr size_t kMaxDatagram = 65507;  // the most one IPv4 datagram carries

const std::string kHeader = "\xFF\xFF\xFF\xFFstatusResponse\n";
const std::string kGoodReply = kHeader + "\\sv_maxclients\\20\\mapname\\obj/obj_team2\\sv_maplist\\dm/mohdm1\n" +
                               "10 48 \"Sgt Baker\"\n";

// A file held open without any sharing, as another program might hold it.
class FileLock {
 public:
  explicit FileLock(const std::string& path)
      : h_(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~FileLock() { Release(); }
  bool Held() const { return h_ != INVALID_HANDLE_VALUE; }
  void Release() {
    if (Held()) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE h_;
};

// Removes the editor's entry at index, answering Yes, and presses "OK".
void RemoveAndSave(ListEditorWindow* editor, int index) {
  SendMessageA(editor->List(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(editor->Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(editor->List()), LBN_DBLCLK),
               reinterpret_cast<LPARAM>(editor->List()));
  SendMessageA(editor->OkButton(), BM_CLICK, 0, 0);
}

bool ReadOnly(const std::string& path) {
  const DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

std::string ListBody(const std::vector<std::string>& entries) { return FormatListFile(kEditorHeader, entries); }

class HostileLauncher : public LauncherFixture {
 protected:
  std::unique_ptr<MainWindow> StartWithName(const std::string& name) {
    SetSetting("Player Name", name);
    return Start();
  }
};

}  // namespace

// Each reply is taken whole and shown; the fields keep their length limits;
// the next sound reply is shown as usual.
TEST_F(HostileLauncher, HostileStatusRepliesAreShownAndTheNextReplyStillCounts) {
  struct Case {
    const char* what;
    std::string reply;
  };
  const Case cases[] = {
      {"random bytes", RandomBytes(kMaxDatagram, 8)},
      {"line feeds", std::string(kMaxDatagram, '\n')},
      {"NUL bytes", std::string(kMaxDatagram, '\0')},
      {"line feeds and NULs", RepeatTo(Bytes("\n\0\0"), kMaxDatagram).substr(0, kMaxDatagram)},
      {"NULs inside keys and values",
       kHeader + Bytes("\\map\0name\\x\\mapname\\dm/mo\0hdm1\\sv_maplist\\a\0b c\\timelimit\\\0\0\n"
                       "pla\0yer\n\0\n")},
      {"one information line of backslashes", kHeader + std::string(kMaxDatagram - kHeader.size(), '\\')},
  };
  UdpTestServer server;
  auto main = Start();
  main->SetFieldText(serverField, "127.0.0.1:" + std::to_string(server.Port()));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    server.SetReply(c.reply);
    const MemoryUse before = MemoryOf();
    QueryAndWait(*main);
    ASSERT_FALSE(main->Querying());
    EXPECT_TRUE(MemoryGrewAtMost(before, 64 * kMiB));
    const size_t feeds = static_cast<size_t>(std::count(c.reply.begin(), c.reply.end(), '\n'));
    EXPECT_EQ(ListLines(main->Control(playerList)).size(), feeds > 0 ? feeds - 1 : 0) << "every player line shown";
    const std::pair<int, size_t> limits[] = {{maxPlayersField, 5}, {privateField, 5}, {timeLimitField, 10},
                                             {fragLimitField, 10}, {typeField, 30},   {mapField, 25}};
    for (const auto& [id, most] : limits) EXPECT_LE(main->FieldText(id).size(), most) << id;
    const RawValue maps = ReadRaw(kSettingsKey, "Mini MapList");
    EXPECT_EQ(maps.kind, static_cast<DWORD>(REG_SZ));
    EXPECT_LE(maps.bytes.size(), 1001u) << "the map list is cut to 1000 characters";

    server.SetReply(kGoodReply);
    QueryAndWait(*main);
    EXPECT_EQ(main->FieldText(mapField), "obj/obj_team2");
    EXPECT_EQ(ListLines(main->Control(playerList)), (std::vector<std::string>{"10 48 \"Sgt Baker\"", ""}));
  }
  EXPECT_TRUE(messages.empty());
  main->Close();
}

// Entries with NUL bytes show cut at the NUL, but a launch that rewrites the
// list keeps them byte for byte. The disable list's such entries rename nothing.
TEST_F(HostileLauncher, NulBytesInListFilesSurviveALaunch) {
  const std::vector<std::string> odd = {Bytes("Bob\0by"), Bytes("\0\0\0"), Bytes("x\0")};
  for (const char* file : {"player.txt", "sip.txt", "spwd.txt"}) PutFile(app / file, ListBody(odd));
  PutFile(game / "main\\zz_mod.pk3", "archive");
  PutFile(app / "disable.txt", ListBody({game / Bytes("main\\zz_mod.pk3\0junk"), Bytes("\0")}));
  const std::string disableBefore = FileBytes(app / "disable.txt");

  auto main = StartWithName("Newcomer");
  main->SetFieldText(gameFolderField, game.Path());
  EXPECT_EQ(main->rememberedNames, odd);
  EXPECT_EQ(ComboChoices(main->Control(nameField)), (std::vector<std::string>{"Bob", "", "x"}))
      << "shown up to the NUL";
  main->SetFieldText(serverField, "10.0.0.1");
  main->SetFieldText(passwordField, "secret");
  ASSERT_TRUE(main->CheckBeforeLaunch());

  std::vector<std::string> players = odd;
  players.push_back("Newcomer");
  EXPECT_EQ(FileBytes(app / "player.txt"), FormatListFile(kLaunchPlayerHeader, players));
  std::vector<std::string> servers = odd, passwords = odd;
  servers.push_back("10.0.0.1");
  passwords.push_back("secret");
  EXPECT_EQ(FileBytes(app / "sip.txt"), ListBody(servers));
  EXPECT_EQ(FileBytes(app / "spwd.txt"), ListBody(passwords));
  EXPECT_EQ(FileBytes(app / "disable.txt"), disableBefore);
  EXPECT_EQ(FileBytes(game / "main\\zz_mod.pk3"), "archive") << "an entry with a NUL names no file";

  // The editor shows the entries cut at the NUL, and keeps them whole.
  answer = IDYES;
  ListEditorWindow* editor = main->OpenPlayersEditor();
  ASSERT_NE(editor, nullptr);
  RemoveAndSave(editor, 3);
  EXPECT_EQ(FileBytes(app / "player.txt"), ListBody(odd));
  EXPECT_EQ(main->rememberedNames, odd);
  messages.clear();
  main->Close();
  EXPECT_EQ(FileBytes(game / "main\\zz_mod.pk3"), "archive");
  EXPECT_TRUE(messages.empty());
}

// A remembered list of 10 MB is not one of ours: it is neither loaded (filling
// the drop-downs with its 780,000 names held the window for over a minute) nor
// overwritten by a launch, whose new entries stay in the window's lists. A
// list just under 1 MiB loads whole and is written back whole. The disable
// list is read up to the size the launcher writes it (64 MiB), so a 10 MB one
// is applied: switched back on at start-up and shutdown, off for the launch.
TEST_F(HostileLauncher, TenMegabyteListFilesAreLeftAloneAndAMegabyteListLoadsWhole) {
  std::vector<std::string> names;
  std::string body = std::string(kEditorHeader) + "\r\n";
  for (int i = 0; body.size() < 10 * kMiB; ++i) {
    names.push_back("player" + std::to_string(i));
    body += names.back() + "\r\n";
  }
  const std::string gone = game / "extra\\gone.pk3";  // a folder the extension table does not restore
  const std::pair<const char*, std::string> files[] = {
      {"player.txt", body},
      {"sip.txt", RepeatTo("0123456789", 10 * kMiB)},  // no CR LF: one entry
      {"spwd.txt", body},
      {"disable.txt", ListBody(std::vector<std::string>(10 * kMiB / (gone.size() + 2), gone))},
  };
  for (const auto& [file, bytes] : files) PutFile(app / file, bytes);
  PutFile(game / "extra\\gone.pkb", "switched off");

  const MemoryUse before = MemoryOf();
  auto main = StartWithName("Newcomer");
  main->SetFieldText(gameFolderField, game.Path());
  EXPECT_TRUE(main->rememberedNames.empty());
  EXPECT_TRUE(main->rememberedServers.empty());
  main->SetFieldText(serverField, "10.0.0.1");
  main->SetFieldText(passwordField, "pw");
  ASSERT_TRUE(main->CheckBeforeLaunch());
  EXPECT_EQ(main->rememberedNames, std::vector<std::string>{"Newcomer"});
  EXPECT_EQ(ComboChoices(main->Control(serverField)), std::vector<std::string>{"10.0.0.1"});
  main->Close();
  EXPECT_TRUE(MemoryGrewAtMost(before, 4 * 10 * kMiB));
  for (const auto& [file, bytes] : files) EXPECT_TRUE(FileBytes(app / file) == bytes) << file << " kept";
  EXPECT_EQ(FileBytes(game / "extra\\gone.pk3"), "switched off") << "the disable list was applied";
  EXPECT_TRUE(messages.empty());

  // The disable list is replaced whole by design: "Disable ALL PK3 Files" still writes it.
  main = StartWithName("Newcomer");
  main->SetFieldText(gameFolderField, game.Path());
  main->OnDisableAllClicked();
  EXPECT_EQ(FileBytes(app / "disable.txt"), ListBody({gone})) << "the one add-on archive, switched on again";
  EXPECT_TRUE(messages.empty());
  main->Close();

  names.resize(kMiB / 16);  // about 900 KiB
  PutFile(app / "player.txt", ListBody(names));
  main = StartWithName("Newcomer");
  EXPECT_EQ(main->rememberedNames.size(), names.size());
  EXPECT_EQ(ComboChoices(main->Control(nameField)).size(), names.size());
  ASSERT_TRUE(main->CheckBeforeLaunch());
  names.push_back("Newcomer");
  EXPECT_TRUE(FileBytes(app / "player.txt") == FormatListFile(kLaunchPlayerHeader, names)) << "written back whole";
  main->Close();
}

// A list file that cannot be written is left as it was; the launch goes on and
// the new entry stays in the window's lists.
TEST_F(HostileLauncher, ReadOnlyOrLockedListFilesAreLeftAsTheyWere) {
  const std::vector<std::string> saved = {"Alice", "10.0.0.9", "pw"};
  for (bool locked : {false, true}) {
    SCOPED_TRACE(locked ? "locked" : "read-only");
    for (const char* file : {"player.txt", "sip.txt", "spwd.txt"}) PutFile(app / file, ListBody(saved));
    auto main = StartWithName("Newcomer");
    ASSERT_EQ(main->rememberedNames, saved);
    std::vector<std::unique_ptr<FileLock>> locks;
    for (const char* file : {"player.txt", "sip.txt", "spwd.txt"}) {
      if (locked) {
        locks.push_back(std::make_unique<FileLock>(app / file));
        ASSERT_TRUE(locks.back()->Held());
      } else {
        SetFileAttributesA((app / file).c_str(), FILE_ATTRIBUTE_READONLY);
      }
    }
    main->SetFieldText(serverField, "10.0.0.1");
    main->SetFieldText(passwordField, "other");
    EXPECT_TRUE(main->CheckBeforeLaunch());
    EXPECT_EQ(main->rememberedNames.back(), "Newcomer");
    EXPECT_EQ(main->rememberedServers.back(), "10.0.0.1");
    locks.clear();
    for (const char* file : {"player.txt", "sip.txt", "spwd.txt"}) {
      EXPECT_EQ(FileBytes(app / file), ListBody(saved)) << file;
      EXPECT_EQ(ReadOnly(app / file), !locked) << file;
      SetFileAttributesA((app / file).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    main->Close();
  }
  EXPECT_TRUE(messages.empty()) << "the launch says nothing of its lists";
}

// A list file that could not be read at start-up (held by another program) is
// not rewritten later from the empty list the launcher saw: that would drop
// every entry it holds.
TEST_F(HostileLauncher, AListFileLockedAtStartUpIsNotRewrittenWithoutItsEntries) {
  const std::vector<std::string> saved = {"Alice", "Bob"};
  PutFile(app / "player.txt", ListBody(saved));
  auto lock = std::make_unique<FileLock>(app / "player.txt");
  ASSERT_TRUE(lock->Held());
  auto main = StartWithName("Newcomer");
  EXPECT_TRUE(main->rememberedNames.empty());
  lock.reset();  // released while the launcher runs
  ASSERT_TRUE(main->CheckBeforeLaunch());
  EXPECT_EQ(FileBytes(app / "player.txt"), ListBody(saved));
  EXPECT_TRUE(messages.empty()) << "the launch says nothing of its lists";

  // The editor sees only this run's entry; saving its edit is refused as a failed save.
  answer = IDYES;
  ListEditorWindow* editor = main->OpenPlayersEditor();
  ASSERT_NE(editor, nullptr);
  RemoveAndSave(editor, 0);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text, "Could not save " + (app / "player.txt"));
  EXPECT_EQ(FileBytes(app / "player.txt"), ListBody(saved));

  // A later start that can read it loads and extends it as usual.
  main->Close();
  main = StartWithName("Later");
  ASSERT_TRUE(main->CheckBeforeLaunch());
  EXPECT_EQ(FileBytes(app / "player.txt"), FormatListFile(kLaunchPlayerHeader, {"Alice", "Bob", "Later"}));
  main->Close();
}

// The disable list that cannot be written is reported and left as it was.
TEST_F(HostileLauncher, ADisableListThatCannotBeWrittenIsReportedAndKept) {
  PutFile(game / "main\\zz_mod.pk3", "archive");
  const std::string kept = ListBody({"C:\\old\\a.pk3"});
  for (bool locked : {false, true}) {
    SCOPED_TRACE(locked ? "locked" : "read-only");
    PutFile(app / "disable.txt", kept);
    auto main = Start();
    main->SetFieldText(gameFolderField, game.Path());
    FileLock lock(locked ? app / "disable.txt" : std::string());
    if (!locked) SetFileAttributesA((app / "disable.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    messages.clear();
    main->OnDisableAllClicked();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Could not save " + (app / "disable.txt"));
    lock.Release();
    EXPECT_EQ(FileBytes(app / "disable.txt"), kept);
    SetFileAttributesA((app / "disable.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    main->Close();
  }
}

// Add-on archives held open by another program are not renamed under it: the
// switch-off before a launch and the restore at start-up and shutdown skip
// them, and a later start puts everything right. A read-only archive is
// switched off and on like any other and stays read-only.
TEST_F(HostileLauncher, LockedOrReadOnlyGameFilesAreSkippedOrSwitchedIntact) {
  const std::string live = game / "main\\zz_mod.pk3", off = game / "main\\zz_mod.pkb";
  const std::string roLive = game / "main\\zz_ro.pk3", roOff = game / "main\\zz_ro.pkb";
  const std::string stuck = game / "main\\stuck.pkb";
  PutFile(live, "live archive");
  PutFile(roLive, "read-only archive");
  SetFileAttributesA(roLive.c_str(), FILE_ATTRIBUTE_READONLY);
  PutFile(stuck, "switched off");
  PutFile(app / "disable.txt", ListBody({live, roLive}));
  SetBasepath(game.Path());

  auto stuckLock = std::make_unique<FileLock>(stuck);
  ASSERT_TRUE(stuckLock->Held());
  auto main = StartWithName("Newcomer");
  EXPECT_TRUE(FileExists(stuck)) << "held open: not restored at start-up";
  EXPECT_FALSE(FileExists(game / "main\\stuck.pk3"));
  stuckLock.reset();

  {
    FileLock liveLock(live);
    ASSERT_TRUE(liveLock.Held());
    ASSERT_TRUE(main->CheckBeforeLaunch());
  }
  EXPECT_EQ(FileBytes(live), "live archive") << "held open: not switched off";
  EXPECT_FALSE(FileExists(off));
  EXPECT_EQ(FileBytes(roOff), "read-only archive");
  EXPECT_TRUE(ReadOnly(roOff));
  main->Close();
  EXPECT_EQ(FileBytes(roLive), "read-only archive");
  EXPECT_TRUE(ReadOnly(roLive));
  EXPECT_EQ(FileBytes(live), "live archive");
  EXPECT_EQ(FileBytes(game / "main\\stuck.pk3"), "switched off") << "restored once released";
  SetFileAttributesA(roLive.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Every value both programs' launcher side reads, stored with a kind it does
// not expect: start-up, the overlay starter (opened and cancelled) and the
// shutdown leave every value as it was. Only an empty "basepath" is meant to
// be rewritten.
TEST_F(HostileLauncher, SettingsOfTheWrongKindAreReadAsEmptyAndKept) {
  struct Kind {
    const char* what;
    DWORD kind;
    std::string bytes;
    const char* shown;  // in a text field
  };
  const Kind kinds[] = {
      {"number", REG_DWORD, Bytes("\x07\0\0\0"), "7"},
      {"bytes", REG_BINARY, "\x01\x02\x03", ""},
      {"several texts", REG_MULTI_SZ, Bytes("a\0b\0\0"), ""},
      {"expandable text", REG_EXPAND_SZ, Bytes("%TEMP%\0"), ""},
      {"short number", REG_DWORD, "\x01\x02", nullptr},
      {"empty bytes", REG_BINARY, "", ""},
      {"text with NULs", REG_SZ, Bytes("ab\0cd"), "ab"},
      {"huge text", REG_SZ, RepeatTo("x", kMiB), nullptr},
  };
  const char* kNames[] = {"Player Name", "Server IP", "Server PWD", "Mini IP",
                          "Mini Port", "Mini ShowAll", "Use Scroll Lock", "Mini MapList"};
  for (const Kind& k : kinds) {
    SCOPED_TRACE(k.what);
    for (const char* name : kNames) WriteRaw(kSettingsKey, name, k.kind, k.bytes);
    WriteRaw(kGameKey, "basepath", k.kind, k.bytes);
    // As the registry keeps it (Wine adds a NUL to some texts).
    const RawValue stored = ReadRaw(kSettingsKey, "Player Name");
    ASSERT_TRUE(stored.present);
    auto main = Start();
    if (k.shown) {
      EXPECT_EQ(main->FieldText(nameField), k.shown);
      EXPECT_EQ(main->FieldText(serverField), k.shown);
    }
    main->SetFieldText(serverField, "");  // no status query before the starter
    OverlayStarterWindow* starter = main->LaunchCorvel();
    ASSERT_NE(starter, nullptr);
    EXPECT_NE(SendMessageA(starter->Control(OverlayStarterWindow::showAllCheck), BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageA(starter->Control(OverlayStarterWindow::cancelButton), BM_CLICK, 0, 0);
    main->Close();
    for (const char* name : kNames) {
      EXPECT_EQ(ReadRaw(kSettingsKey, name), stored) << name;
    }
    EXPECT_EQ(ReadRaw(kGameKey, "basepath"), stored) << "the game's own value";
  }
}

// An empty "basepath" is the one value start-up rewrites.
TEST_F(HostileLauncher, AnEmptyBasepathIsTheOneValueRewritten) {
  WriteRaw(kGameKey, "basepath", REG_SZ, "");
  auto main = Start();
  EXPECT_EQ(main->FieldText(gameFolderField), "c:\\program files\\ea games\\mohaa");
  main->Close();
  EXPECT_EQ(ValueText(registry::ReadKeyValue(HKEY_CURRENT_USER, kGameKey, "basepath")),
            "c:\\program files\\ea games\\mohaa");
}
