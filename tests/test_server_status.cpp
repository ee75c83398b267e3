#include <gtest/gtest.h>

#include <functional>

#include "common/win/list_controls.h"
#include "common/win/message_box.h"
#include "common/win/registry.h"
#include "launcher/core/server_status.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/overlay_starter.h"
#include "tests/launcher_fixture.h"
#include "tests/udp_test_server.h"
#include "tests/wine_test_util.h"

namespace {

const std::string kRequest("\xFF\xFF\xFF\xFF\x02 getstatus", 15);
const std::string kHeader = "\xFF\xFF\xFF\xFFstatusResponse\n";
const std::string kFullReply = kHeader +
                               "\\sv_maxclients\\20\\SV_PrivateClients\\2\\TimeLimit\\25\\FRAGLIMIT\\0\\g_gametype\\4"
                               "\\g_gametypestring\\Objective\\mapname\\obj/obj_team2"
                               "\\sv_maplist\\obj/obj_team1 obj/obj_team2 dm/mohdm6\n"
                               "10 48 \"Sgt Baker\"\n3 120 \"Pvt Able\"\n";
const std::string kNoMapListReply = kHeader + "\\mapname\\dm/mohdm1\\sv_maxclients\\8\n";

const int kDisplay[] = {mapField, typeField, timeLimitField, fragLimitField, maxPlayersField, privateField};

RegValue MiniMapList() {
  return registry::ReadKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, "Mini MapList");
}

// Runs during a query's wait, from a timer of the test's thread.
MainWindow* g_main = nullptr;
HCURSOR g_cursorDuringWait = nullptr;
bool g_queryingDuringWait = false;

void CALLBACK DuringWait(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_queryingDuringWait = g_main->Querying();
  SendMessageA(g_main->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(g_main->Handle()),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  g_cursorDuringWait = GetCursor();
  // A second query asked for by the button and by the code: both ignored.
  SendMessageA(g_main->Control(serverStatusButton), BM_CLICK, 0, 0);
  g_main->QueryServerStatus();
}

void CALLBACK CloseLauncher(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  PostMessageA(g_main->Handle(), WM_CLOSE, 0, 0);
}

void CALLBACK PressLaunchCorvel(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  SendMessageA(g_main->Control(launchCorvelButton), BM_CLICK, 0, 0);
}

void CALLBACK CancelStarter(HWND, UINT, UINT_PTR id, DWORD) {
  if (HWND starter = FindWindowA(nullptr, "Corvel Setup")) {
    KillTimer(nullptr, id);
    PostMessageA(starter, WM_CLOSE, 0, 0);
  }
}

bool g_starterCancelled = false;
bool g_ownerEnabledUnderStarter = true;
void CALLBACK CancelStarterByItsButton(HWND, UINT, UINT_PTR id, DWORD) {
  HWND starter = FindWindowA(nullptr, "Corvel Setup");
  if (!starter) return;
  KillTimer(nullptr, id);
  g_ownerEnabledUnderStarter = IsWindowEnabled(g_main->Handle());
  SendMessageA(GetDlgItem(starter, OverlayStarterWindow::cancelButton), BM_CLICK, 0, 0);
  g_starterCancelled = true;
}

// The first tick of a 100 ms timer started with a query: when it ran, and
// whether the query was still waiting then.
DWORD g_queryStart = 0;
DWORD g_firstTickAfter = 0;
bool g_tickWhileQuerying = false;

void CALLBACK FirstTick(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_firstTickAfter = GetTickCount() - g_queryStart;
  g_tickWhileQuerying = g_main->Querying();
}

class StatusQueryTest : public LauncherFixture {
 protected:
  static std::string At(const UdpTestServer& server) { return "127.0.0.1:" + std::to_string(server.Port()); }
};

}  // namespace

TEST_F(StatusQueryTest, SendsTheFifteenByteRequestToTheDefaultOrGivenPort) {
  UdpTestServer standard(12203);
  ASSERT_TRUE(standard.Ok()) << "port 12203 is busy";
  UdpTestServer given;
  auto main = Start();
  EXPECT_EQ(main->statusPrefix + " getstatus", kRequest);

  main->SetFieldText(serverField, "127.0.0.1");
  QueryAndWait(*main);
  main->SetFieldText(serverField, At(given));
  QueryAndWait(*main);
  const auto atStandard = standard.Received();
  const auto atGiven = given.Received();
  ASSERT_EQ(atStandard.size(), 1u);
  ASSERT_EQ(atGiven.size(), 1u);
  EXPECT_EQ(atStandard[0].bytes, kRequest);
  EXPECT_EQ(atGiven[0].bytes, kRequest);
  EXPECT_NE(atGiven[0].fromPort, 0);

  // A port that is no number sends nothing, to no earlier port either.
  main->SetFieldText(serverField, "127.0.0.1:12203x");
  QueryAndWait(*main);
  EXPECT_EQ(standard.Received().size(), 1u);
  EXPECT_EQ(given.Received().size(), 1u);
  EXPECT_EQ(main->FieldText(mapListCaption), "Maps: ");
  main->Close();
}

TEST_F(StatusQueryTest, AReplyFillsEveryFieldAndTheMapList) {
  UdpTestServer server;
  server.SetReply(kFullReply);
  auto main = Start();
  main->SetFieldText(serverField, At(server));
  g_main = main.get();
  g_cursorDuringWait = nullptr;
  SetTimer(nullptr, 0, 500, DuringWait);
  QueryAndWait(*main);

  EXPECT_TRUE(g_queryingDuringWait);
  EXPECT_EQ(g_cursorDuringWait, LoadCursor(nullptr, IDC_WAIT)) << "the hourglass during the wait";
  EXPECT_EQ(server.Received().size(), 1u) << "a query asked for during the wait is ignored";
  EXPECT_FALSE(main->Querying());
  EXPECT_EQ(main->FieldText(mapField), "obj/obj_team2");
  EXPECT_EQ(main->FieldText(typeField), "Objective");
  EXPECT_EQ(main->FieldText(timeLimitField), "25");
  EXPECT_EQ(main->FieldText(fragLimitField), "0");
  EXPECT_EQ(main->FieldText(maxPlayersField), "20");
  EXPECT_EQ(main->FieldText(privateField), "2");
  EXPECT_EQ(ListLines(main->Control(playerList)),
            (std::vector<std::string>{"10 48 \"Sgt Baker\"", "3 120 \"Pvt Able\"", ""}));
  EXPECT_EQ(main->FieldText(mapListCaption), "Maps: obj/obj_team1 obj/obj_team2 dm/mohdm6");
  EXPECT_EQ(ValueText(MiniMapList()), "obj/obj_team1 obj/obj_team2 dm/mohdm6");
  EXPECT_EQ(main->infoPairs.size(), 8u);
  EXPECT_TRUE(messages.empty()) << "a query shows no message";
  main->Close();
}

TEST_F(StatusQueryTest, NoReplyClearsTheDisplayAndStoresAnEmptyMapList) {
  UdpTestServer server;
  server.SetReply(kFullReply);
  auto main = Start();
  main->SetFieldText(serverField, At(server));
  QueryAndWait(*main);
  ASSERT_EQ(main->FieldText(mapField), "obj/obj_team2");

  server.SetReply("");
  QueryAndWait(*main);
  EXPECT_EQ(server.Received().size(), 2u);
  for (int id : kDisplay) EXPECT_EQ(main->FieldText(id), "") << id;
  EXPECT_TRUE(ListLines(main->Control(playerList)).empty());
  EXPECT_EQ(main->FieldText(mapListCaption), "Maps: ");
  const RegValue stored = MiniMapList();
  ASSERT_TRUE(std::holds_alternative<std::string>(stored)) << "stored, as empty text";
  EXPECT_EQ(ValueText(stored), "");
  EXPECT_TRUE(main->MapList().empty());
  main->Close();
}

TEST_F(StatusQueryTest, OnlyTheQueriedAddressAndPortAreHeard) {
  UdpTestServer server;
  // The stray datagram comes after the reply from another port: taken, it would replace the reply.
  server.SetReply(kFullReply, kHeader + "\\mapname\\stray/map\\sv_maplist\\stray\n");
  auto main = Start();
  main->SetFieldText(serverField, At(server));
  QueryAndWait(*main);
  EXPECT_EQ(main->FieldText(mapField), "obj/obj_team2");
  EXPECT_EQ(ValueText(MiniMapList()), "obj/obj_team1 obj/obj_team2 dm/mohdm6");

  server.SetReply("", kFullReply);  // only the stray answers
  QueryAndWait(*main);
  EXPECT_EQ(main->FieldText(mapField), "");
  EXPECT_EQ(ValueText(MiniMapList()), "");
  main->Close();
}

TEST_F(StatusQueryTest, LeavingTheServerFieldQueriesUnlessItIsEmpty) {
  UdpTestServer server;
  server.SetReply(kFullReply);
  auto main = Start();
  main->SetFieldText(mapField, "kept");
  main->SetFieldText(serverField, "");
  SetFocus(main->Control(serverField));
  SetFocus(main->Control(commandLineField));
  PumpFor(300);
  EXPECT_TRUE(server.Received().empty()) << "an empty server field sends nothing";
  EXPECT_EQ(main->FieldText(mapField), "kept");
  EXPECT_TRUE(IsEmptyValue(MiniMapList())) << "and stores nothing";

  main->SetFieldText(serverField, At(server));
  SetFocus(main->Control(serverField));
  ASSERT_TRUE(IsChild(main->Control(serverField), GetFocus()) || GetFocus() == main->Control(serverField));
  SetFocus(main->Control(commandLineField));
  ASSERT_TRUE(PumpUntil([&] { return server.Received().size() == 1 && !main->Querying(); }, 5000));
  PumpFor(100);
  EXPECT_EQ(main->FieldText(mapField), "obj/obj_team2");
  EXPECT_EQ(server.Received().size(), 1u);
  main->Close();
}

TEST_F(StatusQueryTest, LaunchCorvelQueriesOnlyWhileNoMapListIsKnown) {
  UdpTestServer server;
  server.SetReply(kNoMapListReply);
  auto main = Start();
  g_main = main.get();
  // The starter opens at once, or when the query asked for first ends; its
  // Cancel button closes it.
  auto cancel = [&] {
    g_starterCancelled = false;
    g_ownerEnabledUnderStarter = true;
    SetTimer(nullptr, 0, 50, CancelStarterByItsButton);
    main->OnLaunchCorvelClicked();
    ASSERT_TRUE(PumpUntil([] { return g_starterCancelled && !g_main->Querying(); }, 5000));
    EXPECT_FALSE(g_ownerEnabledUnderStarter) << "the starter is modal";
    EXPECT_EQ(FindWindowA(nullptr, "Corvel Setup"), nullptr);
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  };

  // An empty server field: no query, nothing stored, the window opens all the same.
  cancel();
  EXPECT_TRUE(server.Received().empty());
  EXPECT_TRUE(IsEmptyValue(MiniMapList()));

  main->SetFieldText(serverField, At(server));
  cancel();
  cancel();  // still no map list: queried again
  EXPECT_EQ(server.Received().size(), 2u);
  EXPECT_EQ(ValueText(MiniMapList()), "");

  server.SetReply(kFullReply);
  cancel();
  EXPECT_EQ(server.Received().size(), 3u);
  EXPECT_EQ(main->MapList(), "obj/obj_team1 obj/obj_team2 dm/mohdm6");
  cancel();  // a map list is known: no new query
  EXPECT_EQ(server.Received().size(), 3u);

  ASSERT_EQ(messages.size(), 5u) << "the help message at every opening";
  for (const auto& m : messages) EXPECT_FALSE(m.starterOpen) << "shown before the window opens";
  main->Close();
}

TEST_F(StatusQueryTest, LaunchCorvelDuringAQueryOpensTheStarterWhenTheQueryEnds) {
  UdpTestServer server;
  server.SetReply(kNoMapListReply);
  auto main = Start();
  main->SetFieldText(serverField, At(server));
  g_main = main.get();
  bool queryingAtHelp = true;
  SetMessageHook([&](const std::string&, const std::string&, unsigned) {
    queryingAtHelp = main->Querying();
    return IDOK;
  });
  SetTimer(nullptr, 0, 300, PressLaunchCorvel);
  SetTimer(nullptr, 0, 100, CancelStarter);
  QueryAndWait(*main);  // returns once the starter it opened has closed
  EXPECT_FALSE(queryingAtHelp) << "the starter waits for the running query";
  EXPECT_EQ(server.Received().size(), 1u) << "no second query for the click";
  EXPECT_EQ(FindWindowA(nullptr, "Corvel Setup"), nullptr);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  main->Close();
}

TEST_F(StatusQueryTest, AFloodOfRepliesDoesNotHoldTheQuery) {
  UdpTestServer server;
  server.SetReply(kFullReply);
  server.SetFlood(10000);
  auto main = Start();
  main->SetFieldText(serverField, At(server));
  const DWORD start = GetTickCount();
  QueryAndWait(*main);
  EXPECT_LT(GetTickCount() - start, 6000u) << "the query ends while the server still floods";
  EXPECT_FALSE(main->Querying());
  EXPECT_EQ(main->FieldText(mapField), "obj/obj_team2");
  main->Close();
}

TEST_F(StatusQueryTest, AReplyOfThousandsOfLinesIsShownWithoutHoldingTheWindow) {
  UdpTestServer server;
  server.SetReply(kHeader + "\\mapname\\x\n" + std::string(5000, '\n'));
  auto main = Start();
  main->SetFieldText(serverField, At(server));
  const DWORD start = GetTickCount();
  QueryAndWait(*main);
  EXPECT_LT(GetTickCount() - start, 10000u) << "drawn line by line, the list took about 40 s here";
  EXPECT_EQ(ListLines(main->Control(playerList)).size(), 5001u);
  EXPECT_EQ(main->FieldText(mapField), "x");
  main->Close();
}

TEST_F(StatusQueryTest, ClosingDuringTheWaitKeepsTheStoredMapList) {
  SetSetting("Mini MapList", "dm/mohdm1 dm/mohdm2");
  UdpTestServer silent;
  auto main = Start();
  main->SetFieldText(serverField, At(silent));
  g_main = main.get();
  SetTimer(nullptr, 0, 200, CloseLauncher);
  QueryAndWait(*main);
  PumpFor(kStatusWaitMs);  // past the end the query would have had
  EXPECT_EQ(silent.Received().size(), 1u);
  EXPECT_EQ(ValueText(MiniMapList()), "dm/mohdm1 dm/mohdm2");
  EXPECT_FALSE(main->Querying());
}

TEST_F(StatusQueryTest, ANameIsLookedUpWithinTheWaitWhileTheWindowGoesOn) {
  if (const std::string missing = TestNamesMissing(); !missing.empty()) GTEST_SKIP() << missing;
  UdpTestServer server;
  server.SetReply(kFullReply);
  struct Case {
    const char* name;  // of the tests' name server
    bool answered;
  } cases[] = {
      {"slow300", true},    // resolved within the wait: its reply counts
      {"slow2500", false},  // still being looked up when the wait ends
      {"silent", false},    // a name server that never answers
  };
  auto main = Start();
  g_main = main.get();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    main->SetFieldText(serverField, std::string(c.name) + ".kestrun.test:" + std::to_string(server.Port()));
    g_queryStart = GetTickCount();
    g_firstTickAfter = 0;
    g_tickWhileQuerying = false;
    SetTimer(nullptr, 0, 100, FirstTick);
    QueryAndWait(*main);
    EXPECT_GE(GetTickCount() - g_queryStart, 1400u) << "the full wait";
    EXPECT_TRUE(g_tickWhileQuerying);
    EXPECT_LT(g_firstTickAfter, 1000u) << "the window's events waited for the name";
    EXPECT_EQ(main->FieldText(mapField), c.answered ? "obj/obj_team2" : "");
    EXPECT_EQ(ValueText(MiniMapList()), c.answered ? "obj/obj_team1 obj/obj_team2 dm/mohdm6" : "");
  }
  EXPECT_EQ(server.Received().size(), 1u) << "a name resolved after the wait sends nothing";
  main->Close();
}

namespace {

// Run 300 ms into a query's wait, from a timer of the test's thread.
std::function<void()> g_duringWait;
void CALLBACK RunDuringWait(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_duringWait();
}

// Closes the window of the caption as soon as it is open and closing is
// due, noting what the main window showed then.
struct WindowCloser {
  const char* caption;
  std::function<bool()> due;
  bool seen = false;
  bool queryRunning = false;
  std::string mapShown{};
};
WindowCloser* g_closer = nullptr;
void CALLBACK CloseWhenDue(HWND, UINT, UINT_PTR id, DWORD) {
  HWND window = FindWindowA(nullptr, g_closer->caption);
  if (!window || !g_closer->due()) return;
  KillTimer(nullptr, id);
  g_closer->seen = true;
  g_closer->queryRunning = g_main->Querying();
  g_closer->mapShown = g_main->FieldText(mapField);
  PostMessageA(window, WM_CLOSE, 0, 0);
}

}  // namespace

// The query waits without holding the window: the call returns at once, the
// player goes on typing, picking and opening windows, and what was asked for
// meanwhile happens when the wait ends.
TEST_F(StatusQueryTest, TheWindowGoesOnDuringTheWaitAndTheEndDoesWhatWasAskedMeanwhile) {
  UdpTestServer first, second;
  first.SetReply(kFullReply);
  second.SetReply(kHeader + "\\mapname\\dm/mohdm6\\sv_maplist\\dm/mohdm6 dm/mohdm7\n");
  const std::string firstMaps = "obj/obj_team1 obj/obj_team2 dm/mohdm6";
  const std::string secondMaps = "dm/mohdm6 dm/mohdm7";
  struct Case {
    const char* what;
    std::function<void(MainWindow&)> duringWait;
    const char* closes;  // a window the case opens, closed by the test: its caption
    std::string mapShown;
    std::string mapsStored;
    size_t secondAsked;
  };
  const Case cases[] = {
      {"the field typed into and left: its server is asked next",
       [&](MainWindow& main) {
         main.SetFieldText(serverField, At(second));
         SetFocus(main.Control(serverField));
         SetFocus(main.Control(commandLineField));
       },
       nullptr, "dm/mohdm6", secondMaps, 1},
      {"the field typed into and not left: the reply is not its server's and nothing more is asked",
       [&](MainWindow& main) { main.SetFieldText(serverField, At(second)); }, nullptr, "", "kept", 0},
      {"another server picked and Launch Corvel pressed: the picked server, then the starter",
       [&](MainWindow& main) {
         main.OnServerPicked(At(second));
         SendMessageA(main.Control(launchCorvelButton), BM_CLICK, 0, 0);
       },
       "Corvel Setup", "dm/mohdm6", secondMaps, 1},
      {"a list editor opened: the query ends while it is open",
       [](MainWindow& main) {
         SendMessageA(main.Handle(), WM_COMMAND, MAKEWPARAM(menuRemovePlayer, 0), 0);
       },
       "Remove Players", "obj/obj_team2", firstMaps, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const size_t firstBefore = first.Received().size(), secondBefore = second.Received().size();
    SetSetting("Mini MapList", "kept");
    auto main = Start();
    main->SetFieldText(serverField, At(first));
    g_main = main.get();
    g_duringWait = [&] { c.duringWait(*main); };
    const DWORD start = GetTickCount();
    WindowCloser closer{.caption = c.closes, .due = [&] { return !main->Querying() || GetTickCount() - start > 4000; }};
    g_closer = &closer;
    SetTimer(nullptr, 0, 300, RunDuringWait);
    if (c.closes) SetTimer(nullptr, 0, 50, CloseWhenDue);
    main->QueryServerStatus();
    EXPECT_TRUE(main->Querying()) << "the call returns while the query waits";

    EXPECT_TRUE(PumpUntil([&] { return !main->Querying() && (!c.closes || closer.seen); }, 8000));
    PumpFor(300);
    if (c.closes) {
      EXPECT_FALSE(closer.queryRunning) << "the query ended while the window was open";
      EXPECT_EQ(closer.mapShown, c.mapShown) << "and showed its reply before";
    }
    EXPECT_FALSE(main->Querying());
    EXPECT_EQ(main->FieldText(mapField), c.mapShown);
    EXPECT_EQ(Setting("Mini MapList"), c.mapsStored);
    EXPECT_EQ(first.Received().size() - firstBefore, 1u);
    EXPECT_EQ(second.Received().size() - secondBefore, c.secondAsked);
    main->Close();
    TakeQuit();  // the closed window's, not the next case's
  }
}
