#include <gtest/gtest.h>

#include "common/win/list_controls.h"
#include "common/win/registry.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/overlay_starter.h"
#include "overlay/win/link_settings.h"
#include "overlay/core/overlay_layout.h"
#include "tests/launcher_fixture.h"
#include "tests/wine_test_util.h"

namespace {

using Starter = OverlayStarterWindow;

RegValue Stored(const char* name) {
  return registry::ReadKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, name);
}

bool Checked(Starter* s, int id) { return SendMessageA(s->Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Ends an overlay process by a right-click on its square and waits for it;
// one that does not end is stopped, so that no process outlives the test.
bool EndOverlay(HWND square) {
  DWORD pid = 0;
  GetWindowThreadProcessId(square, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
  PostMessageA(square, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(2, 2));
  bool ended = false;
  if (process) {
    ended = PumpUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, 10000);
    if (!ended) TerminateProcess(process, 1);
    CloseHandle(process);
  }
  return ended;
}

using OverlayStarterTest = LauncherFixture;

// The kind and bytes of a value as the registry holds them.
std::pair<DWORD, std::string> RawSetting(const char* name) {
  std::string data(4096, '\0');
  DWORD kind = 0, size = static_cast<DWORD>(data.size());
  if (RegGetValueA(HKEY_CURRENT_USER, registry::kSettingsKey, name, RRF_RT_ANY, &kind, data.data(), &size) !=
      ERROR_SUCCESS) {
    return {0, ""};
  }
  data.resize(size);
  return {kind, data};
}

std::vector<HWND> ShownWindowsCaptioned(const std::string& part) {
  struct Search {
    std::string part;
    std::vector<HWND> found;
  } search{part, {}};
  EnumWindows(
      [](HWND hwnd, LPARAM data) {
        auto* s = reinterpret_cast<Search*>(data);
        if (IsWindowVisible(hwnd) && WindowText(hwnd).find(s->part) != std::string::npos) s->found.push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Points the user's local folder at a test folder for the test's life.
struct LocalAppData {
  TempFolder folder{"localappdata"};
  std::string before;
  LocalAppData() {
    char old[MAX_PATH] = {};
    if (GetEnvironmentVariableA("LOCALAPPDATA", old, MAX_PATH)) before = old;
    SetEnvironmentVariableA("LOCALAPPDATA", folder.Path().c_str());
  }
  ~LocalAppData() { SetEnvironmentVariableA("LOCALAPPDATA", before.empty() ? nullptr : before.c_str()); }
};

}  // namespace

TEST_F(OverlayStarterTest, OpensWithTheHelpMessageAndTheStoredValues) {
  StoreOverlaySettings("10.1.1.1", "4000", 1);
  auto main = Start();
  Starter* starter = main->LaunchCorvel();
  ASSERT_NE(starter, nullptr);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Kestrun");
  EXPECT_EQ(messages[0].buttons, static_cast<unsigned>(MB_OK));
  EXPECT_FALSE(messages[0].starterOpen);
  EXPECT_EQ(messages[0].text,
            "To use, enter Tavrin info, then apply. In Game you will have a small green square (connected) "
            "in upper right corner. It will turn red if connection lost.\r\n"
            "To use the remote, hit the Print Screen key to bring up the remote, or the Scroll Lock if you selected "
            "it.\r\n"
            "Only use the KEYBOARD, do not click on the remote with the mouse. Select the letter next to the players "
            "name, then the action.\r\n"
            "For other than player actions, just hit the A key then select your action, such as maps.\r\n");
  EXPECT_EQ(WindowText(starter->Handle()), "Corvel Setup");
  const std::pair<int, const char*> captions[] = {
      {Starter::introLabel, "Corvel is a ingame version of Tavrin remote and requires a password."},
      {Starter::addressLabel, "Tavrin IP"},
      {Starter::portLabel, "Port/Password"},
      {Starter::showAllCheck, "Show All Data vs Name Only"},
      {Starter::scrollLockCheck, "Use Scroll Lock vs PrntScrn"},
      {Starter::applyButton, "Apply"},
      {Starter::cancelButton, "Cancel"},
  };
  for (const auto& [id, caption] : captions) EXPECT_EQ(WindowText(starter->Control(id)), caption) << id;
  EXPECT_EQ(WindowText(starter->Control(Starter::addressField)), "10.1.1.1");
  EXPECT_EQ(WindowText(starter->Control(Starter::portField)), "4000");
  EXPECT_TRUE(Checked(starter, Starter::showAllCheck));
  EXPECT_FALSE(Checked(starter, Starter::scrollLockCheck)) << "a missing value is a clear box";
  EXPECT_EQ(main->LaunchCorvel(), nullptr) << "one starter at a time";
  starter->Close();
  main->Close();
}

TEST_F(OverlayStarterTest, CancelAndTheCloseBoxStoreNothing) {
  StoreOverlaySettings("10.1.1.1", "4000", 0);
  auto main = Start();
  for (UINT how : {0u, static_cast<UINT>(WM_CLOSE)}) {
    Starter* starter = main->LaunchCorvel();
    ASSERT_NE(starter, nullptr);
    SetWindowTextA(starter->Control(Starter::addressField), "9.9.9.9");
    SetWindowTextA(starter->Control(Starter::portField), "1");
    SendMessageA(starter->Control(Starter::showAllCheck), BM_CLICK, 0, 0);
    SendMessageA(starter->Control(Starter::scrollLockCheck), BM_CLICK, 0, 0);
    if (how == WM_CLOSE) {
      SendMessageA(starter->Handle(), WM_CLOSE, 0, 0);
    } else {
      SendMessageA(starter->Control(Starter::cancelButton), BM_CLICK, 0, 0);
    }
    EXPECT_TRUE(starter->Closed());
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
    EXPECT_EQ(ValueText(Stored("Mini IP")), "10.1.1.1");
    EXPECT_EQ(ValueText(Stored("Mini Port")), "4000");
    EXPECT_EQ(ValueFlag(Stored("Mini ShowAll")), 0);
    EXPECT_TRUE(IsEmptyValue(Stored("Use Scroll Lock")));
  }
  Starter* again = main->LaunchCorvel();  // the stored values again
  EXPECT_EQ(WindowText(again->Control(Starter::addressField)), "10.1.1.1");
  EXPECT_FALSE(Checked(again, Starter::showAllCheck));
  again->Close();
  main->Close();
  EXPECT_EQ(FindWindowA("MiniRemote", nullptr), nullptr) << "nothing started";
}

TEST_F(OverlayStarterTest, ApplyStoresTheValuesAndStartsTheOverlayWhichReadsThem) {
  ASSERT_TRUE(CopyFileA(BuiltOverlay().c_str(), (app / "corvel2.exe").c_str(), FALSE)) << BuiltOverlay();
  ASSERT_EQ(FindWindowA("MiniRemote", nullptr), nullptr) << "an overlay is still running";
  TestServer tavrin;
  auto main = Start();
  Starter* starter = main->LaunchCorvel();
  ASSERT_NE(starter, nullptr);
  SetWindowTextA(starter->Control(Starter::addressField), "127.0.0.1");
  SetWindowTextA(starter->Control(Starter::portField), std::to_string(tavrin.port).c_str());
  SendMessageA(starter->Control(Starter::showAllCheck), BM_CLICK, 0, 0);
  SendMessageA(starter->Control(Starter::scrollLockCheck), BM_CLICK, 0, 0);
  SendMessageA(starter->Control(Starter::applyButton), BM_CLICK, 0, 0);
  EXPECT_TRUE(starter->Closed());
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));

  EXPECT_EQ(ValueText(Stored("Mini IP")), "127.0.0.1");
  EXPECT_EQ(ValueText(Stored("Mini Port")), std::to_string(tavrin.port));
  const RegValue showAll = Stored("Mini ShowAll"), scrollLock = Stored("Use Scroll Lock");
  ASSERT_TRUE(std::holds_alternative<int32_t>(showAll)) << "stored as a number";
  ASSERT_TRUE(std::holds_alternative<int32_t>(scrollLock));
  EXPECT_EQ(std::get<int32_t>(showAll), 1);
  EXPECT_EQ(std::get<int32_t>(scrollLock), 1);

  // The overlay links to the address and port stored, from its local port 930.
  EXPECT_EQ(tavrin.AcceptWhilePumping(30000), 930);
  HWND square = nullptr, actions = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    square = FindWindowA("MiniRemote", nullptr);
    actions = FindWindowA(nullptr, kActionCaption);
    return square && actions;
  }, 20000));
  // "Mini ShowAll" 1: the all-data action window, 10300 twips wide.
  RECT r{};
  GetWindowRect(actions, &r);
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  EXPECT_NEAR(r.right - r.left, TwipsToPixels(10300, dpi), 2);
  EXPECT_TRUE(EndOverlay(square));
  main->Close();
}

// The association of ".txt" with the system's text viewer, for the test's
// life; Wine's prefix here has none of its own.
struct TextViewerAssociation {
  TextViewerAssociation() { RegSetKeyValueA(HKEY_CLASSES_ROOT, ".txt", nullptr, REG_SZ, "txtfile", 8); }
  ~TextViewerAssociation() { RegDeleteTreeA(HKEY_CLASSES_ROOT, ".txt"); }
};

TEST_F(OverlayStarterTest, ShowLogOpensTheLogOrSaysWhyNot) {
  LocalAppData local;
  const std::string log = app / "corvel2-log.txt";
  const std::string fallback = local.folder / "Kestrun\\corvel2-log.txt";
  auto main = Start();
  Starter* starter = main->LaunchCorvel();
  ASSERT_NE(starter, nullptr);
  EXPECT_EQ(WindowText(starter->Control(Starter::showLogButton)), "Show Log");
  // Split: lines went to the fallback while the log beside corvel2.exe was
  // held, and back there since: both are shown.
  enum class Setup { NoLog, NoViewer, Viewer, Split };
  for (Setup setup : {Setup::NoLog, Setup::NoViewer, Setup::Viewer, Setup::Split}) {
    SCOPED_TRACE(static_cast<int>(setup));
    messages.clear();
    // The viewer is shown corvel2's fallback log, there being no other.
    if (setup != Setup::NoLog) PutFile(setup == Setup::Viewer ? fallback : log, "K - Kick\r\n");
    if (setup == Setup::Viewer) DeleteFileA(log.c_str());
    std::unique_ptr<TextViewerAssociation> association;
    if (setup >= Setup::Viewer) association = std::make_unique<TextViewerAssociation>();
    SendMessageA(starter->Control(Starter::showLogButton), BM_CLICK, 0, 0);
    EXPECT_FALSE(starter->Closed()) << "the window stays open";
    if (setup == Setup::NoLog) {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0].text, kNoLogYetMessage);
    } else if (setup == Setup::NoViewer) {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0].text, "No program could open the log:\r\n" + log);
    } else {
      // The viewer's caption names the file.
      const size_t shown = setup == Setup::Split ? 2 : 1;
      std::vector<HWND> viewers;
      EXPECT_TRUE(PumpUntil([&] { return (viewers = ShownWindowsCaptioned("corvel2-log")).size() == shown; }, 20000))
          << viewers.size() << " shown";
      EXPECT_TRUE(messages.empty()) << (messages.empty() ? "" : messages[0].text);
      for (HWND viewer : viewers) PostMessageA(viewer, WM_CLOSE, 0, 0);
      PumpUntil([&] { return ShownWindowsCaptioned("corvel2-log").empty(); }, 10000);
    }
  }
  starter->Close();
  main->Close();
}

TEST_F(OverlayStarterTest, TheLinkChoiceGreysTheFieldsOfTheOtherLink) {
  const int inspectionFields[] = {Starter::addressLabel, Starter::addressField, Starter::portLabel, Starter::portField};
  const int rconFields[] = {Starter::rconServerLabel, Starter::rconServerField, Starter::rconPasswordLabel,
                            Starter::rconPasswordField};
  struct Case {
    int storedLink;  // -1: no value
    bool rcon;       // the remote console is chosen on opening
  };
  const Case cases[] = {{-1, false}, {0, false}, {1, true}, {7, false}};
  auto main = Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.storedLink);
    if (c.storedLink >= 0) {
      registry::MakeKey(HKEY_CURRENT_USER, registry::kSettingsKey);
      registry::StoreKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, "Mini Link", int32_t{c.storedLink},
                              registry::kNumber);
    }
    Starter* starter = main->LaunchCorvel();
    ASSERT_NE(starter, nullptr);
    EXPECT_EQ(WindowText(starter->Control(Starter::inspectionLinkChoice)), "Inspection server");
    EXPECT_EQ(WindowText(starter->Control(Starter::rconLinkChoice)), "Remote console (rcon)");
    EXPECT_EQ(WindowText(starter->Control(Starter::rconServerLabel)), "Rcon Server");
    EXPECT_EQ(WindowText(starter->Control(Starter::rconPasswordLabel)), "Rcon Password");
    EXPECT_TRUE(GetWindowLongA(starter->Control(Starter::rconPasswordField), GWL_STYLE) & ES_PASSWORD);
    for (bool rcon : {c.rcon, !c.rcon}) {
      if (rcon != c.rcon) SendMessageA(starter->Control(rcon ? Starter::rconLinkChoice : Starter::inspectionLinkChoice),
                                       BM_CLICK, 0, 0);
      EXPECT_EQ(Checked(starter, Starter::rconLinkChoice), rcon);
      EXPECT_EQ(Checked(starter, Starter::inspectionLinkChoice), !rcon);
      for (int id : inspectionFields) EXPECT_EQ(IsWindowEnabled(starter->Control(id)) != 0, !rcon) << id;
      for (int id : rconFields) EXPECT_EQ(IsWindowEnabled(starter->Control(id)) != 0, rcon) << id;
    }
    starter->Close();
  }
  main->Close();
}

TEST_F(OverlayStarterTest, ApplyStoresTheRconLinkWithItsPasswordProtectedAndTheOverlayReadsIt) {
  ASSERT_TRUE(CopyFileA(BuiltOverlay().c_str(), (app / "corvel2.exe").c_str(), FALSE)) << BuiltOverlay();
  ASSERT_EQ(FindWindowA("MiniRemote", nullptr), nullptr) << "an overlay is still running";
  const std::string password = "Open sesame;42";
  auto main = Start();
  Starter* starter = main->LaunchCorvel();
  ASSERT_NE(starter, nullptr);
  SendMessageA(starter->Control(Starter::rconLinkChoice), BM_CLICK, 0, 0);
  SetWindowTextA(starter->Control(Starter::rconServerField), "127.0.0.1:27990");
  SetWindowTextA(starter->Control(Starter::rconPasswordField), password.c_str());
  SendMessageA(starter->Control(Starter::applyButton), BM_CLICK, 0, 0);
  ASSERT_TRUE(starter->Closed());
  EXPECT_TRUE(messages.size() == 1) << "only the help message";

  EXPECT_EQ(Stored("Mini Link"), RegValue{int32_t{1}});
  EXPECT_EQ(Stored("Rcon Server"), RegValue{std::string("127.0.0.1:27990")});
  const auto [kind, sealed] = RawSetting("Rcon Password");
  EXPECT_EQ(kind, static_cast<DWORD>(REG_BINARY));
  EXPECT_GT(sealed.size(), password.size());
  EXPECT_EQ(sealed.find(password), std::string::npos) << "stored in clear";
  const LinkSettings read = ReadLinkSettings();
  EXPECT_EQ(read.link, settings::OverlayLink::RemoteConsole);
  ASSERT_TRUE(read.rcon.server.has_value());
  EXPECT_EQ(read.rcon.server->host, "127.0.0.1");
  EXPECT_EQ(read.rcon.server->port, 27990);
  EXPECT_EQ(read.rcon.password, password);

  HWND square = nullptr;
  EXPECT_TRUE(PumpUntil([&] { return (square = FindWindowA("MiniRemote", nullptr)) != nullptr; }, 20000));
  if (square) {
    EXPECT_TRUE(EndOverlay(square));
  }

  // Opened again, the window shows what was stored, and the inspection
  // server chosen again keeps the rcon fields.
  starter = main->LaunchCorvel();
  ASSERT_NE(starter, nullptr);
  EXPECT_TRUE(Checked(starter, Starter::rconLinkChoice));
  EXPECT_EQ(WindowText(starter->Control(Starter::rconServerField)), "127.0.0.1:27990");
  EXPECT_EQ(WindowText(starter->Control(Starter::rconPasswordField)), password);
  SendMessageA(starter->Control(Starter::inspectionLinkChoice), BM_CLICK, 0, 0);
  SendMessageA(starter->Control(Starter::applyButton), BM_CLICK, 0, 0);
  EXPECT_EQ(Stored("Mini Link"), RegValue{int32_t{0}});
  EXPECT_EQ(settings::Read(settings::kRconPassword), password);
  square = nullptr;
  EXPECT_TRUE(PumpUntil([&] { return (square = FindWindowA("MiniRemote", nullptr)) != nullptr; }, 20000));
  if (square) {
    EXPECT_TRUE(EndOverlay(square));
  }
  main->Close();
}
