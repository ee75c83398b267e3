// The "Server List" window under Wine: a real list view, a real UDP socket and
// game-server stand-ins on loopback ports.
#include <gtest/gtest.h>

#include "common/core/text.h"
#include "common/win/host_lookup.h"
#include "common/win/list_controls.h"
#include "common/win/message_box.h"
#include "common/win/wait.h"
#include "launcher/core/gamespy_games.h"
#include "launcher/core/server_status.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/server_list_window.h"
#include "tests/hostile_util.h"
#include "tests/launcher_fixture.h"
#include "tests/master_test_util.h"
#include "tests/udp_flood.h"
#include "tests/udp_test_server.h"
#include "tests/wine_test_util.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <thread>

namespace {

const std::string kRequest("\xFF\xFF\xFF\xFF\x02 getstatus", 15);
const std::string kHeader = "\xFF\xFF\xFF\xFFstatusResponse\n";

std::string Reply(const std::string& name, const std::string& map, int players, int maxPlayers) {
  std::string reply = kHeader + "\\sv_hostname\\" + name + "\\mapname\\" + map + "\\sv_maxclients\\" +
                      std::to_string(maxPlayers) + "\n";
  for (int i = 0; i < players; ++i) reply += "0 50 \"player" + std::to_string(i) + "\"\n";
  return reply;
}

std::string At(int port) { return "127.0.0.1:" + std::to_string(port); }

// A name of the tests' name server that resolves to 127.0.0.1 after ms milliseconds.
std::string SlowName(const std::string& label, int ms, int port) {
  return label + ".slow" + std::to_string(ms) + ".kestrun.test:" + std::to_string(port);
}

// Each row as "server|name|map|players|ping" (the lock column is drawn, not written).
std::vector<std::string> Rows(HWND list) {
  std::vector<std::string> rows;
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    std::string line = ListViewCell(list, row, 0);
    for (int column = 1; column <= static_cast<int>(ServerColumn::Ping); ++column) {
      line.append("|").append(ListViewCell(list, row, column));
    }
    rows.push_back(line);
  }
  return rows;
}

std::vector<std::string> ColumnCells(HWND list, ServerColumn column) {
  std::vector<std::string> cells;
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) cells.push_back(ListViewCell(list, row, static_cast<int>(column)));
  return cells;
}

// A ping is a number of milliseconds; the rest of a row is exact.
std::string WithoutPing(const std::string& row) { return row.substr(0, row.rfind('|')); }

// A key as the modal loop hands it over: through the dialog manager.
void PressKey(HWND window, WPARAM key) {
  MSG msg{GetFocus(), WM_KEYDOWN, key, 0, GetTickCount(), {}};
  if (!IsDialogMessageA(window, &msg)) DispatchMessageA(&msg);
}

void ClickColumnHeading(HWND list, ServerColumn column) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
  RECT r{};
  SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&r));
  const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(header, WM_LBUTTONUP, 0, at);
}

// The list view finds the row under the point itself.
void DoubleClickRow(HWND list, int row) {
  RECT r{};
  r.left = LVIR_BOUNDS;
  SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
  SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2));
}

void SelectRow(HWND list, int row) {
  LVITEMA state{};
  state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

// A UDP socket of the test's own, for servers that answer when the test says so.
struct ManualServer {
  SOCKET s = INVALID_SOCKET;
  int port = 0;
  explicit ManualServer(const char* address = "127.0.0.1", int wantedPort = 0) {
    s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr(address);
    a.sin_port = htons(static_cast<u_short>(wantedPort));
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int size = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    port = ntohs(a.sin_port);
  }
  ~ManualServer() { closesocket(s); }
  // The source port of the next request, 0 when none came while pumping.
  int WaitForRequest() {
    int from = 0;
    PumpUntil([&] {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(s, &set);
      timeval none{0, 0};
      if (select(0, &set, nullptr, nullptr, &none) != 1) return false;
      char buffer[64];
      sockaddr_in a{};
      int size = sizeof a;
      if (recvfrom(s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&a), &size) == 15) from = ntohs(a.sin_port);
      return from != 0;
    });
    return from;
  }
  void SendTo(int toPort, const std::string& bytes) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<u_short>(toPort));
    sendto(s, bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
  }
};

// A real left click at the middle of a control.
void ClickOn(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT in[2]{};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
}

class ServerListTest : public LauncherFixture {
 protected:
  std::unique_ptr<MainWindow> main;
  ServerListWindow* window = nullptr;

  void Open(std::vector<std::string> saved, const std::string& field) {
    main = Start();
    main->rememberedServers = std::move(saved);
    main->SetFieldText(serverField, field);
    window = main->OpenServerList();
    ASSERT_NE(window, nullptr);
  }
  bool WaitForRoundEnd(int timeoutMs = 5000) { return PumpUntil([&] { return !window->RoundRunning(); }, timeoutMs); }
  void TearDown() override {
    if (main) main->Close();
    LauncherFixture::TearDown();
  }
};

}  // namespace

TEST_F(ServerListTest, EveryServerIsAskedAtOnceAndItsRowFilledOrMarked) {
  UdpTestServer fragland, objective, silent;
  fragland.SetReply(Reply("Fragland", "dm/mohdm6", 3, 20));
  objective.SetReply(Reply("Objective Only", "obj/obj_team2", 0, 16) + "\n\n");
  ASSERT_TRUE(fragland.Ok() && objective.Ok() && silent.Ok());
  // Without the tests' name server a port that is no number stands in for the
  // name that does not resolve: nothing is looked up.
  const std::string unknownName = TestNamesMissing().empty() ? "no-such-host.invalid:27960" : "no-such-host.invalid:";
  Open({At(fragland.Port()), At(silent.Port()), "127.0.0.1:port", "", unknownName,
        "localhost:" + std::to_string(objective.Port())},
       At(objective.Port()));
  const DWORD opened = GetTickCount();
  ASSERT_TRUE(WaitForRoundEnd());
  EXPECT_GE(GetTickCount() - opened, 1400u) << "a silent server is waited for as long as the status query waits";

  const std::vector<std::string> rows = Rows(window->List());
  ASSERT_EQ(rows.size(), 6u) << "the empty entry is left out; the field's server comes last";
  EXPECT_EQ(WithoutPing(rows[0]), At(fragland.Port()) + "|Fragland|dm/mohdm6|3/20");
  EXPECT_EQ(rows[1], At(silent.Port()) + "||||no reply");
  EXPECT_EQ(rows[2], "127.0.0.1:port||||bad address");
  EXPECT_EQ(rows[3], unknownName + "||||bad address");
  const std::string byName = "localhost:" + std::to_string(objective.Port());
  EXPECT_EQ(WithoutPing(rows[4]), byName + "|Objective Only|obj/obj_team2|0/16");
  EXPECT_EQ(WithoutPing(rows[5]), At(objective.Port()) + "|Objective Only|obj/obj_team2|0/16");
  for (int row : {0, 4, 5}) {
    const std::string ping = ListViewCell(window->List(), row, 4);
    EXPECT_TRUE(!ping.empty() && ping.find_first_not_of("0123456789") == std::string::npos) << ping;
  }
  // The status query's request, once per row of the server.
  for (UdpTestServer* server : {&fragland, &silent}) {
    const auto got = server->Received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].bytes, kRequest);
  }
  EXPECT_EQ(objective.Received().size(), 2u);
  // The main window's status display and "Mini MapList" stay as they were.
  EXPECT_EQ(main->FieldText(mapField), "");
  EXPECT_EQ(Setting("Mini MapList"), "<missing>");
}

TEST_F(ServerListTest, OnlyTheServersOwnAddressAndPortFillItsRow) {
  UdpTestServer strayPort, flooding;
  strayPort.SetReply("", Reply("Stray", "stray_map", 1, 8));  // answers from another port only
  flooding.SetReply(Reply("Flood", "dm/mohdm1", 1, 8));
  flooding.SetFlood(300);
  ManualServer otherAddressPeer;
  Open({At(otherAddressPeer.port), At(strayPort.Port()), At(flooding.Port())}, "");
  ASSERT_NE(otherAddressPeer.WaitForRequest(), 0);
  // The same port on another loopback address is a stranger too.
  ManualServer stranger("127.0.0.2", otherAddressPeer.port);
  stranger.SendTo(window->LocalPort(), Reply("Stranger", "far_map", 2, 8));
  stranger.SendTo(window->LocalPort(), std::string(60000, '\xFF'));
  ASSERT_TRUE(WaitForRoundEnd());
  const std::vector<std::string> rows = Rows(window->List());
  EXPECT_EQ(rows[0], At(otherAddressPeer.port) + "||||no reply");
  EXPECT_EQ(rows[1], At(strayPort.Port()) + "||||no reply");
  EXPECT_EQ(WithoutPing(rows[2]), At(flooding.Port()) + "|Flood|dm/mohdm1|1/8");
}

// 20,000 datagrams a second at the round's port while a silent server keeps
// the round running: the window answers, paints, runs its timers and takes a
// real click, all before the round ends.
TEST_F(ServerListTest, AFloodAtTheRoundsPortLeavesTheWindowItsInputTimersAndPainting) {
  ManualServer silent;
  Open({At(silent.port)}, "");
  ASSERT_NE(silent.WaitForRequest(), 0);
  SetForegroundWindow(window->Handle());
  static int ticks;
  ticks = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
  HWND hideFull = window->HideBox(1);
  UdpFlood flood(window->LocalPort(), Reply("Flood", "dm/mohdm1", 1, 8), 20000, 4);
  Sleep(300);  // the thread busy elsewhere: datagrams pile up
  std::atomic<bool> answered{false};
  std::thread asker([&] { answered = SendMessageTimeoutA(window->Handle(), WM_NULL, 0, 0, 0, 500, nullptr) != 0; });
  ClickOn(hideFull);
  InvalidateRect(window->List(), nullptr, TRUE);
  const int ticksBefore = ticks, sentBefore = flood.sent;
  const auto clicked = [&] { return SendMessageA(hideFull, BM_GETCHECK, 0, 0) == BST_CHECKED; };
  const auto painted = [&] { return !GetUpdateRect(window->List(), nullptr, FALSE); };
  // The clock is read after every event: a flood of them cannot hold this wait.
  for (const uint32_t start = MillisecondClock(); MillisecondClock() - start < 1000;) {
    WaitKeepingEventsFlowing(10);
    if (clicked() && painted() && ticks >= ticksBefore + 3) break;
  }
  asker.join();
  KillTimer(nullptr, timer);
  EXPECT_GT(flood.sent - sentBefore, 100) << "the flood went on";
  EXPECT_TRUE(answered);
  EXPECT_TRUE(clicked() && painted() && ticks >= ticksBefore + 3 && window->RoundRunning())
      << "click " << clicked() << ", painted " << painted() << ", ticks " << ticks - ticksBefore << ", round running "
      << window->RoundRunning();
}

TEST_F(ServerListTest, RefreshDuringARoundStartsANewOneThatOldRepliesCannotFill) {
  ManualServer late;
  UdpTestServer quick;
  quick.SetReply(Reply("Quick", "dm/mohdm2", 2, 10));
  Open({At(late.port), At(quick.Port())}, "");
  const int firstRound = late.WaitForRequest();
  ASSERT_NE(firstRound, 0);
  ASSERT_TRUE(PumpUntil([&] { return ListViewCell(window->List(), 1, 1) == "Quick"; }));

  SendMessageA(window->RefreshButton(), BM_CLICK, 0, 0);
  EXPECT_EQ(ListViewCell(window->List(), 1, 1), "") << "the new round starts empty";
  const int secondRound = late.WaitForRequest();
  ASSERT_NE(secondRound, 0);
  EXPECT_NE(secondRound, firstRound) << "each round has a socket of its own";
  late.SendTo(firstRound, Reply("Old", "old_map", 1, 4));
  late.SendTo(secondRound, Reply("New", "new_map", 3, 4));
  ASSERT_TRUE(WaitForRoundEnd());
  EXPECT_EQ(WithoutPing(Rows(window->List())[0]), At(late.port) + "|New|new_map|3/4");
  EXPECT_EQ(WithoutPing(Rows(window->List())[1]), At(quick.Port()) + "|Quick|dm/mohdm2|2/10");
  EXPECT_EQ(quick.Received().size(), 2u);
}

TEST_F(ServerListTest, EnterOrDoubleClickPutsTheServerIntoTheFieldAndCloses) {
  struct Case {
    const char* how;
    int row;
  } cases[] = {{"Enter", 1}, {"double-click", 2}, {"Escape", 1}, {"Tab to Close, Enter", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    Open({"127.0.0.1:1", "127.0.0.1:2", "127.0.0.1:3"}, "10.0.0.9");
    HWND list = window->List();
    EXPECT_EQ(GetFocus(), list) << "the list takes the keys from the start";
    SelectRow(list, c.row);
    const std::string how = c.how;
    if (how == "Enter") PressKey(window->Handle(), VK_RETURN);
    if (how == "double-click") DoubleClickRow(list, c.row);
    if (how == "Escape") PressKey(window->Handle(), VK_ESCAPE);
    if (how == "Tab to Close, Enter") {
      for (HWND next : {window->AddButton(), window->RefreshButton(), window->CloseButton()}) {
        PressKey(window->Handle(), VK_TAB);
        EXPECT_EQ(GetFocus(), next);
      }
      PressKey(window->Handle(), VK_RETURN);
    }
    EXPECT_TRUE(window->Closed());
    const bool picks = how == "Enter" || how == "double-click";
    EXPECT_EQ(main->FieldText(serverField), picks ? "127.0.0.1:" + std::to_string(c.row + 1) : "10.0.0.9");
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
    main->Close();
    main.reset();
    TakeQuit();  // the closed window's: left, it keeps the next case's timers from coming
  }
}

// "Add to Saved" into a sip.txt that cannot be written names the file then,
// once a run: not again at the next addition, nor at a start.
TEST_F(ServerListTest, AddToSavedNamesAListItCannotSaveOnce) {
  const std::string sip = app / "sip.txt";
  PutFile(sip, "//Do not Remove this line\r\n127.0.0.1:1\r\n");
  SetFileAttributesA(sip.c_str(), FILE_ATTRIBUTE_READONLY);
  Open({"127.0.0.1:1"}, "127.0.0.1:2");
  SelectRow(window->List(), 1);
  window->AddSelectedToSaved();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Could not save " + sip);
  EXPECT_EQ(main->rememberedServers, (std::vector<std::string>{"127.0.0.1:1", "127.0.0.1:2"}));
  window->Close();
  main->SetFieldText(nameField, "Baker");
  main->SetFieldText(serverField, "127.0.0.1:3");
  main->CheckBeforeLaunch();
  EXPECT_TRUE(main->unsavedLists.empty()) << "named already";
  EXPECT_EQ(messages.size(), 1u);
  SetFileAttributesA(sip.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The rows are sorted again when the round ends, which can happen inside a
// handler: behind Add to Saved's message, or at the reply that finishes the
// last row. The handler still works on the selected server afterwards.
TEST_F(ServerListTest, HandlersKeepTheirServerWhenTheRoundEndsAndSortsInside) {
  struct Case {
    const char* what;
    bool addBehindMessage;  // else the selected server's reply ends the round
  } cases[] = {{"Add to Saved, its message up until the round ends", true},
               {"the selected server's reply ends the round", false}};
  const std::string sip = app / "sip.txt";
  PutFile(sip, "//Do not Remove this line\r\n");
  SetFileAttributesA(sip.c_str(), FILE_ATTRIBUTE_READONLY);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UdpTestServer quick;
    quick.SetReply(Reply("Bravo", "dm/mohdm1", 1, 8));
    ManualServer late;
    SetSetting("Server List Sort", "2");  // by name: the late server's reply moves it up
    Open({At(quick.Port())}, At(late.port));
    const int requestFrom = late.WaitForRequest();
    ASSERT_NE(requestFrom, 0);
    HWND list = window->List();
    ASSERT_TRUE(PumpUntil([&] { return ListViewCell(list, 0, 1) == "Bravo"; }));
    SelectRow(list, 1);
    ASSERT_EQ(ListViewCell(list, 1, 0), At(late.port));
    if (c.addBehindMessage) {
      SetMessageHook([&](const std::string&, const std::string&, unsigned) {
        WaitForRoundEnd();
        return IDOK;
      });
      window->AddSelectedToSaved();
    } else {
      late.SendTo(requestFrom, Reply("Alpha", "dm/mohdm2", 2, 8));
      ASSERT_TRUE(WaitForRoundEnd());
    }
    ASSERT_FALSE(window->RoundRunning());
    const int selected = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    ASSERT_GE(selected, 0);
    EXPECT_EQ(ListViewCell(list, selected, 0), At(late.port));
    const ServerRow& row = window->Servers().At(window->ShownRows()[static_cast<size_t>(selected)]);
    EXPECT_EQ(SendMessageA(window->PlayersList(), LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(row.players.size()));
    window->Refresh();
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 2) << "the saved list gains no entry";
    main->Close();
    main.reset();
    TakeQuit();  // the closed window's: left, it keeps the next case's timers from coming
  }
  SetFileAttributesA(sip.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The player scrolled away from the selected server: neither the round's
// end, nor rows hidden above while it runs, nor Refresh moves the view or
// the selection.
TEST_F(ServerListTest, TheViewStaysWhereThePlayerLeftIt) {
  enum class Event { RoundEnds, RowsAboveHidden, Refresh };
  const struct {
    const char* what;
    Event event;
  } cases[] = {{"the round ends", Event::RoundEnds},
               {"empty servers above the view answer, Hide empty on", Event::RowsAboveHidden},
               {"Refresh", Event::Refresh}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::unique_ptr<ManualServer>> answering;
    std::vector<std::string> saved;
    // Nothing listens on that loopback address: those rows show "no reply".
    for (int i = 0; i < 40; ++i) saved.push_back("127.255.255.254:" + std::to_string(1 + i));
    for (int i = 5; i < 10; ++i) {
      answering.push_back(std::make_unique<ManualServer>());
      saved[static_cast<size_t>(i)] = At(answering.back()->port);
    }
    Open(saved, "");
    HWND list = window->List();
    // Remembered from the case before.
    if (SendMessageA(window->HideBox(0), BM_GETCHECK, 0, 0) != BST_CHECKED) SendMessageA(window->HideBox(0), BM_CLICK, 0, 0);
    SelectRow(list, 2);
    for (int line = 0; line < 12; ++line) SendMessageA(list, WM_VSCROLL, SB_LINEDOWN, 0);
    auto topServer = [&] { return ListViewCell(list, static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)), 0); };
    auto selectedServer = [&] {
      const int row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
      return row < 0 ? std::string("(none)") : ListViewCell(list, row, 0);
    };
    ASSERT_EQ(topServer(), saved[12]);
    ASSERT_EQ(selectedServer(), saved[2]);
    switch (c.event) {
      case Event::RoundEnds:
        ASSERT_TRUE(WaitForRoundEnd());
        break;
      case Event::RowsAboveHidden:
        for (auto& server : answering) ASSERT_NE(server->WaitForRequest(), 0);
        for (auto& server : answering) server->SendTo(window->LocalPort(), Reply("Empty", "dm/mohdm1", 0, 8));
        ASSERT_TRUE(PumpUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == 35; }));
        break;
      case Event::Refresh:
        SendMessageA(window->RefreshButton(), BM_CLICK, 0, 0);
        break;
    }
    PumpFor(200);
    EXPECT_EQ(topServer(), saved[12]);
    EXPECT_EQ(selectedServer(), saved[2]);
    main->Close();
    main.reset();
    TakeQuit();  // the closed window's: left, it keeps the next case's timers from coming
  }
}

// At each dpi the smallest size WM_GETMINMAXINFO allows leaves every control
// whole: inside the client area and clear of the others.
TEST_F(ServerListTest, EveryControlStaysWholeAtTheSmallestSize) {
  Open({}, "");
  const HWND hwnd = window->Handle();
  for (int dpi : {96, 144, 192}) {
    SCOPED_TRACE(dpi);
    RECT suggested{};
    GetWindowRect(hwnd, &suggested);
    SendMessageA(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    MINMAXINFO limits{};
    SendMessageA(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    SetWindowPos(hwnd, nullptr, 0, 0, limits.ptMinTrackSize.x, limits.ptMinTrackSize.y,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(hwnd, &client);
    std::vector<std::pair<int, RECT>> placed;
    for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      RECT place{};
      GetWindowRect(c, &place);
      MapWindowPoints(HWND_DESKTOP, hwnd, reinterpret_cast<POINT*>(&place), 2);
      const int id = GetDlgCtrlID(c);
      EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= client.right && place.bottom <= client.bottom &&
                  place.right > place.left && place.bottom > place.top)
          << "control " << id << " at " << place.left << "," << place.top << "-" << place.right << ","
          << place.bottom << " in " << client.right << "x" << client.bottom;
      for (const auto& [otherId, other] : placed) {
        RECT both{};
        EXPECT_FALSE(IntersectRect(&both, &place, &other)) << "controls " << id << " and " << otherId;
      }
      placed.emplace_back(id, place);
    }
  }
}

TEST_F(ServerListTest, HeadingClicksSortPlayersAndPingAsNumbers) {
  UdpTestServer three, eleven, one, silent;
  three.SetReply(Reply("c", "m", 3, 8));
  eleven.SetReply(Reply("a", "m", 11, 16));
  one.SetReply(Reply("B", "m", 1, 20));
  Open({At(three.Port()), At(eleven.Port()), At(silent.Port()), At(one.Port())}, "");
  ASSERT_TRUE(WaitForRoundEnd());
  HWND list = window->List();
  using Cells = std::vector<std::string>;
  // The selection, on the first row at opening, stays on its server.
  auto selectedServer = [&] {
    const int row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    return row < 0 ? std::string("(none)") : ListViewCell(list, row, static_cast<int>(ServerColumn::Server));
  };
  ASSERT_EQ(selectedServer(), At(three.Port()));
  ClickColumnHeading(list, ServerColumn::Players);
  EXPECT_EQ(ColumnCells(list, ServerColumn::Players), (Cells{"1/20", "3/8", "11/16", ""}));
  EXPECT_EQ(selectedServer(), At(three.Port()));
  ClickColumnHeading(list, ServerColumn::Players);
  EXPECT_EQ(ColumnCells(list, ServerColumn::Players), (Cells{"11/16", "3/8", "1/20", ""}));
  EXPECT_EQ(selectedServer(), At(three.Port()));
  ClickColumnHeading(list, ServerColumn::Name);
  EXPECT_EQ(ColumnCells(list, ServerColumn::Name), (Cells{"", "a", "B", "c"}));
  ClickColumnHeading(list, ServerColumn::Ping);
  EXPECT_EQ(ColumnCells(list, ServerColumn::Ping).back(), "no reply");
  // A pick after sorting takes the server shown in that row.
  DoubleClickRow(list, 0);
  EXPECT_NE(main->FieldText(serverField), At(silent.Port()));
  EXPECT_TRUE(window->Closed());
}

// Until the player picks a row, the round's end selects the first row of the
// remembered sort: under players, most first, the busiest server with its players.
TEST_F(ServerListTest, UntilThePlayerPicksTheRoundsEndSelectsTheFirstRow) {
  SetSetting("Server List Sort", "-4");  // players, most first
  UdpTestServer one, five;
  one.SetReply(Reply("one", "m", 1, 8));
  five.SetReply(Reply("five", "m", 5, 8));
  Open({At(one.Port()), At(five.Port())}, "");
  ASSERT_TRUE(WaitForRoundEnd());
  HWND list = window->List();
  const int row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  EXPECT_EQ(ColumnCells(list, ServerColumn::Players), (std::vector<std::string>{"5/8", "1/8"}));
  ASSERT_EQ(row, 0);
  EXPECT_EQ(ListViewCell(list, row, static_cast<int>(ServerColumn::Server)), At(five.Port()));
  EXPECT_EQ(SendMessageA(window->PlayersList(), LVM_GETITEMCOUNT, 0, 0), 5);
}

TEST_F(ServerListTest, ToolsMenuEntryComesAfterRemoveIpAndOpensTheWindow) {
  main = Start();
  HMENU tools = GetSubMenu(GetMenu(main->Handle()), 0);
  std::vector<std::string> entries;
  for (int i = 0; i < GetMenuItemCount(tools); ++i) {
    char text[64] = {};
    GetMenuStringA(tools, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
    entries.push_back(text);
  }
  EXPECT_EQ(entries, (std::vector<std::string>{"Disable ALL PK3 Files", "Disable Selected PK3 Files",
                                               "Remove Player from List", "Remove IP ", "Server List",
                                               "Start with OpenMoHAA", "Exit"}));
  // The entry waits for its window; a timer closes it from inside.
  SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
    if (HWND open = FindWindowA("KestrunServerList", "Server List")) {
      KillTimer(nullptr, id);
      PostMessageA(open, WM_CLOSE, 0, 0);
    }
  });
  SendMessageA(main->Handle(), WM_COMMAND, GetMenuItemID(tools, 4), 0);
  EXPECT_EQ(FindWindowA("KestrunServerList", "Server List"), nullptr);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
}

TEST_F(ServerListTest, AHugeSavedListIsCutToTheRowLimitAndStillEndsItsRound) {
  std::vector<std::string> saved;
  // A loopback address nothing listens on: no server of this machine or elsewhere is asked.
  for (int i = 0; i < 100000; ++i) saved.push_back("127.255.255.254:" + std::to_string(1 + i % 65535));
  Open(saved, "");
  EXPECT_EQ(SendMessageA(window->List(), LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(kMaxServerRows));
  ASSERT_TRUE(WaitForRoundEnd());
  EXPECT_EQ(ListViewCell(window->List(), static_cast<int>(kMaxServerRows) - 1, 4), "no reply");
}

TEST_F(ServerListTest, EachRowWaitsFromItsOwnRequestAndANameHasALimitOfItsOwn) {
  if (const std::string missing = TestNamesMissing(); !missing.empty()) GTEST_SKIP() << missing;
  UdpTestServer afterSlowName, dotted, afterLateName;
  afterSlowName.SetReply(Reply("Slow name", "dm/mohdm1", 1, 8));
  dotted.SetReply(Reply("Dotted", "dm/mohdm2", 2, 8));
  afterLateName.SetReply(Reply("Late name", "dm/mohdm3", 3, 8));
  // Names whose name server never answers come first, more of them than are looked up at once.
  const std::string dead = ".silent.kestrun.test:" + std::to_string(dotted.Port());
  Open({"a" + dead, "b" + dead, "c" + dead, "d" + dead, SlowName("e", 1600, afterSlowName.Port()),
        At(dotted.Port()), SlowName("f", 7000, afterLateName.Port())},
       "");
  HWND list = window->List();
  ASSERT_TRUE(PumpUntil([&] { return ListViewCell(list, 4, 1) == "Slow name"; }, 4000))
      << "resolved after 1.6 s, its server still has 1.5 s to answer";
  EXPECT_EQ(ListViewCell(list, 5, 1), "Dotted");
  for (int row = 0; row < 4; ++row) {
    EXPECT_EQ(ListViewCell(list, row, 4), "") << "the dead names are still being looked up, holding no one up";
  }
  ASSERT_TRUE(WaitForRoundEnd(8000));
  for (int row = 0; row < 4; ++row) EXPECT_EQ(ListViewCell(list, row, 4), "bad address") << row;
  EXPECT_EQ(ListViewCell(list, 6, 4), "bad address") << "a name resolving after its 5 s";
  EXPECT_TRUE(afterLateName.Received().empty());
  EXPECT_EQ(WithoutPing(Rows(list)[4]), SlowName("e", 1600, afterSlowName.Port()) + "|Slow name|dm/mohdm1|1/8");
}

// Under Wine a cancelled lookup still writes its answer into the buffer it
// was given, and posts its message: the buffer must outlive the round.
TEST_F(ServerListTest, LookupsLeftRunningByRefreshOrCloseLandHarmlessly) {
  if (const std::string missing = TestNamesMissing(); !missing.empty()) GTEST_SKIP() << missing;
  UdpTestServer server;
  server.SetReply(Reply("Named", "dm/mohdm4", 1, 8));
  std::vector<std::string> saved;
  for (const char* label : {"a", "b", "c", "d", "e"}) saved.push_back(SlowName(label, 2500, server.Port()));
  const size_t heldAtStart = host_lookup::Held();
  Open(saved, "");
  PumpFor(300);
  SendMessageA(window->RefreshButton(), BM_CLICK, 0, 0);
  PumpFor(300);
  PressKey(window->Handle(), VK_ESCAPE);
  ASSERT_TRUE(window->Closed());
  EXPECT_GE(host_lookup::Held(), heldAtStart + 8) << "both rounds' lookups keep their buffers";
  // The late answers land while the list is open again, and after.
  for (int opening = 0; opening < 2; ++opening) {
    window = main->OpenServerList();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForRoundEnd(9000));
    for (int row = 0; row < 5; ++row) EXPECT_EQ(ListViewCell(window->List(), row, 1), "Named") << row;
    window->Close();
  }
  EXPECT_TRUE(PumpUntil([&] { return host_lookup::Held() <= heldAtStart; }, 5000)) << "each freed by its answer";
}

namespace {

MainWindow* g_picking = nullptr;

// Opens the Server List over the main window and double-clicks its first row.
void PickFirstRow() {
  if (ServerListWindow* list = g_picking->OpenServerList()) DoubleClickRow(list->List(), 0);
}

}  // namespace

TEST_F(ServerListTest, APickedServerIsQueriedAndAnEarlierQueryShowsNoReplyAfterThePick) {
  UdpTestServer earlier, picked;
  earlier.SetReply(kHeader + "\\mapname\\obj/obj_team1\\sv_maplist\\obj/obj_team1\n");
  picked.SetReply(kHeader + "\\mapname\\dm/mohdm6\\sv_maplist\\dm/mohdm6 dm/mohdm7\n");
  for (bool duringQuery : {false, true}) {
    SCOPED_TRACE(duringQuery ? "picked while the earlier server's query waits" : "picked with no query running");
    main = Start();
    main->rememberedServers = {At(picked.Port())};
    main->SetFieldText(serverField, At(earlier.Port()));
    g_picking = main.get();
    if (duringQuery) {
      SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        PickFirstRow();
      });
      QueryAndWait(*main);
    } else {
      PickFirstRow();
    }
    EXPECT_EQ(main->FieldText(serverField), At(picked.Port()));
    EXPECT_TRUE(PumpUntil([&] { return !main->Querying() && main->FieldText(mapField) == "dm/mohdm6"; }, 6000))
        << main->FieldText(mapField);
    PumpFor(200);
    EXPECT_EQ(main->FieldText(mapField), "dm/mohdm6");
    EXPECT_EQ(main->FieldText(mapListCaption), "Maps: dm/mohdm6 dm/mohdm7");
    EXPECT_EQ(Setting("Mini MapList"), "dm/mohdm6 dm/mohdm7");
    main->Close();
    main.reset();
    TakeQuit();  // the closed window's, which would end the next wait at once
  }
}

namespace {

// A listed server's whole answer in one datagram, as the query port gives it.
std::string QueryReplyText(const std::string& name, int gamePort, int players, int maxPlayers, bool password) {
  std::string reply = "\\hostname\\" + name + "\\mapname\\obj/obj_team" + std::to_string(players % 4) +
                      "\\hostport\\" + std::to_string(gamePort) + "\\numplayers\\" + std::to_string(players) +
                      "\\maxplayers\\" + std::to_string(maxPlayers) + "\\password\\" + (password ? "1" : "0");
  for (int i = 0; i < players; ++i) {
    const std::string n = std::to_string(i);
    reply += "\\player_" + n + "\\" + name + " soldier " + n + "\\frags_" + n + "\\" + std::to_string(10 - i) +
             "\\ping_" + n + "\\" + std::to_string(40 + i);
  }
  return reply + "\\final\\\\queryid\\1.1";
}

// The compact list of loopback query ports a master sends, then its end.
std::string LoopbackList(const std::vector<int>& queryPorts) {
  std::string list;
  for (int port : queryPorts) list += std::string("\x7F\x00\x00\x01", 4) + char(port >> 8) + char(port & 0xFF);
  return list + "\\final\\";
}

bool IsChecked(HWND box) { return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

}  // namespace

TEST_F(ServerListTest, AGamesServersComeFromTheMastersAndTheViewIsRemembered) {
  UdpTestServer busy, empty, full, silent;
  busy.SetReply(QueryReplyText("Busy", 12203, 3, 20, true));
  empty.SetReply(QueryReplyText("Empty", 12204, 0, 20, false));
  full.SetReply(QueryReplyText("Full", 12205, 2, 2, false));
  PlayedMaster master({kMasterGreeting, true, LoopbackList({busy.Port(), empty.Port(), full.Port(), silent.Port()}),
                       true});
  ManualServer nobody;  // a UDP port: on TCP nothing listens there, so that master refuses
  SetSetting("Master Servers", "127.0.0.1:" + std::to_string(master.Port()) + ", 127.0.0.1:" +
                                   std::to_string(nobody.port));
  Open({"127.0.0.1:1"}, "");
  window->ChooseSource(ServerSource::AlliedAssault);
  EXPECT_TRUE(window->MastersRunning());
  ASSERT_TRUE(PumpUntil([&] { return !window->MastersRunning() && !window->RoundRunning(); }, 9000));
  for (UdpTestServer* server : {&busy, &empty, &full, &silent}) {
    EXPECT_EQ(server->Received().size(), 1u) << "each listed query port asked once";
    if (!server->Received().empty()) {
      EXPECT_EQ(server->Received()[0].bytes, "\\status\\");
    }
  }
  PumpFor(150);  // the coalesced refresh of rows and summary
  EXPECT_EQ(WindowText(window->SummaryLine()), "1 of 2 masters answered \xB7 4 servers \xB7 5 players");
  std::vector<std::string> rows;
  for (const std::string& row : Rows(window->List())) rows.push_back(WithoutPing(row));
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::string>{"127.0.0.1:12203|Busy|obj/obj_team3|3/20",
                                            "127.0.0.1:12204|Empty|obj/obj_team0|0/20",
                                            "127.0.0.1:12205|Full|obj/obj_team2|2/2", At(silent.Port()) + "|||"}));

  // The busy server's players, and its lock.
  window->SortBy(ServerColumn::Name);  // the silent server's empty name first
  ASSERT_EQ(ListViewCell(window->List(), 1, 1), "Busy");
  SelectRow(window->List(), 1);
  EXPECT_TRUE(window->Servers().At(window->ShownRows()[1]).password);
  EXPECT_EQ(ListViewCell(window->PlayersList(), 2, 0) + "|" + ListViewCell(window->PlayersList(), 2, 1) + "|" +
                ListViewCell(window->PlayersList(), 2, 2),
            "Busy soldier 2|8|42");

  // Filters and the search.
  struct Case {
    int box;  // -1: the search box
    std::string search;
    std::vector<std::string> names;
  } cases[] = {
      {0, "", {"", "Busy", "Full"}},          // Hide empty
      {1, "", {"", "Busy"}},                  // and Hide full
      {2, "", {"Busy"}},                      // and Hide no reply
      {-1, "SOLDIER 1", {"Busy"}},            // a player's name
      {-1, "team0", {}},                      // the empty server's map, hidden
  };
  for (const Case& c : cases) {
    if (c.box >= 0) SendMessageA(window->HideBox(c.box), BM_CLICK, 0, 0);
    if (c.box < 0) SetWindowTextA(window->SearchBox(), c.search.c_str());
    EXPECT_EQ(ColumnCells(window->List(), ServerColumn::Name), c.names) << c.box << " " << c.search;
  }
  SetWindowTextA(window->SearchBox(), "");

  // Add to Saved keeps the selected server as a started one would be kept.
  window->AddSelectedToSaved();
  EXPECT_EQ(main->rememberedServers, (std::vector<std::string>{"127.0.0.1:1", "127.0.0.1:12203"}));
  EXPECT_NE(FileBytes(app / "sip.txt").find("127.0.0.1:12203"), std::string::npos);

  // A server whose reply named no game port cannot be picked; one that did puts it into the field.
  SendMessageA(window->HideBox(2), BM_CLICK, 0, 0);
  SelectRow(window->List(), 0);
  EXPECT_FALSE(IsWindowEnabled(window->AddButton()));
  PressKey(window->Handle(), VK_RETURN);
  EXPECT_FALSE(window->Closed());
  SelectRow(window->List(), 1);
  PressKey(window->Handle(), VK_RETURN);
  EXPECT_TRUE(window->Closed());
  EXPECT_EQ(main->FieldText(serverField), "127.0.0.1:12203");

  // Opened again: the same source, sort and filters.
  PumpFor(100);
  window = main->OpenServerList();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowText(window->SourceBox()), "Allied Assault");
  EXPECT_TRUE(IsChecked(window->HideBox(0)) && IsChecked(window->HideBox(1)) && !IsChecked(window->HideBox(2)));
  EXPECT_EQ(Setting("Server List Sort"), "2");
  window->ChooseSource(ServerSource::Saved);
  EXPECT_EQ(Setting("Server List Source"), "0");
}

// The masters ask clients not to flood them: a source stepped to with the
// keys in the closed box is asked for once the steps stop, one picked from
// the open list at once, and a Refresh within the minute asks only the servers.
TEST_F(ServerListTest, TheMastersAreAskedOnceTheChoiceSettlesAndNotAgainWithinTheMinute) {
  UdpTestServer listed;
  listed.SetReply(QueryReplyText("Listed", 12203, 1, 8, false));
  PlayedMaster master({kMasterGreeting, true, LoopbackList({listed.Port()}), true, true});
  SetSetting("Master Servers", "127.0.0.1:" + std::to_string(master.Port()));
  Open({}, "");
  const HWND box = window->SourceBox();
  SetFocus(box);
  struct Step {
    const char* what;
    std::vector<WPARAM> keys;  // none: Refresh
    bool askedAtOnce;
    const char* source;
    int connections;
    size_t queries;
  } steps[] = {
      {"three steps down the closed box", {VK_DOWN, VK_DOWN, VK_DOWN}, false, "Breakthrough", 1, 1},
      {"Refresh within the minute", {}, false, "Breakthrough", 1, 2},
      {"a step up in the open list", {VK_F4, VK_UP, VK_RETURN}, true, "Spearhead", 2, 3},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    for (WPARAM key : step.keys) PressKey(window->Handle(), key);
    if (step.keys.empty()) window->Refresh();
    EXPECT_EQ(window->MastersRunning(), step.askedAtOnce);
    EXPECT_TRUE(PumpUntil([&] { return window->Source() != ServerSource::Saved && !window->MastersRunning() &&
                                       !window->RoundRunning(); }, 9000));
    EXPECT_EQ(WindowText(box), step.source);
    EXPECT_EQ(master.Connections(), step.connections);
    EXPECT_EQ(listed.Received().size(), step.queries);
    EXPECT_EQ(ColumnCells(window->List(), ServerColumn::Name), std::vector<std::string>{"Listed"});
  }
}

namespace {

// quakestat -P -raw ';': "MAS;address;name;map;max;players;ping;retries", or
// "MAS;address;TIMEOUT" and the like; player lines follow. The fields by address.
std::map<std::string, std::vector<std::string>> QuakestatServers(const std::string& raw) {
  std::map<std::string, std::vector<std::string>> servers;
  for (const std::string& line : SplitKeepEmpty(raw, '\n')) {
    const std::vector<std::string> fields = SplitKeepEmpty(line, ';');
    if (fields.size() >= 3 && fields[0] == "MAS") servers[fields[1]] = fields;
  }
  return servers;
}

// A path of the host as Wine's drive Z: shows it.
std::string HostPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

}  // namespace

// Beside the real master (tests/master_interop.sh): each game's source shows
// exactly the stand-ins the master lists for it, each row as quakestat reads
// the same query port.
TEST_F(ServerListTest, TheRealMastersServersOfEachGameShowAsQuakestatReadsThem) {
  int listPort = 0;
  std::vector<ListedServer> expected;
  if (!ExpectedStandIns(0, listPort, expected)) GTEST_SKIP() << "run by tests/master_interop.sh beside the master";
  const char* quakestatFile = std::getenv("KESTRUN_QUAKESTAT");
  ASSERT_NE(quakestatFile, nullptr) << "quakestat (Debian package qstat) is missing";
  const auto quakestat = QuakestatServers(FileBytes(HostPath(quakestatFile)));
  SetSetting("Master Servers", "127.0.0.1:" + std::to_string(listPort));
  Open({}, "");
  for (size_t game = 0; game < std::size(kGameSpyGames); ++game) {
    SCOPED_TRACE(kGameSpyGames[game].gameName);
    ExpectedStandIns(game, listPort, expected);
    std::vector<ListedServer> listed;
    // The stand-ins are listed once the master has had their answers to its
    // challenge: on a busy machine that can take a while.
    const DWORD start = GetTickCount();
    for (int attempt = 0; listed != expected && (attempt < 20 || GetTickCount() - start < 40000); ++attempt) {
      if (attempt > 0) PumpFor(500);
      main->keptMasterLists.Forget();  // each attempt asks the master afresh
      window->ChooseSource(static_cast<ServerSource>(game + 1));
      ASSERT_TRUE(PumpUntil([&] { return !window->MastersRunning() && !window->RoundRunning(); }, 10000));
      listed.clear();
      for (size_t i = 0; i < window->Servers().Size(); ++i) {
        const QueryTarget& target = window->Servers().At(i).target;
        listed.push_back({0x7F000001, static_cast<uint16_t>(target.port)});
        EXPECT_EQ(target.host, "127.0.0.1");
      }
      listed = Sorted(listed);
    }
    ASSERT_EQ(listed, expected);
    // "Refresh" within the minute asks the kept list's servers again.
    window->Refresh();
    ASSERT_TRUE(PumpUntil([&] { return !window->MastersRunning() && !window->RoundRunning(); }, 10000));
    ASSERT_EQ(window->Servers().Size(), expected.size()) << "after Refresh";
    for (size_t i = 0; i < window->Servers().Size(); ++i) {
      const ServerRow& row = window->Servers().At(i);
      const std::string queried = row.target.host + ":" + std::to_string(row.target.port);
      SCOPED_TRACE(queried);
      ASSERT_EQ(quakestat.count(queried), 1u);
      const std::vector<std::string>& seen = quakestat.at(queried);
      if (seen.size() < 6) {
        EXPECT_EQ(row.stage, QueryStage::NoReply) << "quakestat: " << seen[2];
        continue;
      }
      EXPECT_EQ(row.stage, QueryStage::Answered);
      EXPECT_EQ(row.name, seen[2]);
      EXPECT_EQ(row.map, seen[3]);
      EXPECT_EQ(window->Servers().CellText(i, ServerColumn::Players), seen[5] + "/" + seen[4]);
    }
  }
}

// Hostile query ports among good ones: each leaves its own row "no reply" (or
// a whole 64 KiB reply cut to its values' limits), the good rows are filled,
// the window keeps handling its events and memory stays bounded.
TEST_F(ServerListTest, HostileStatusRepliesCostOnlyTheirOwnRows) {
  const std::string part1 = "\\hostname\\Hostile\\queryid\\5.1";
  const std::string lastPart = "\\hostport\\12299\\final\\\\queryid\\5.2";
  std::vector<std::string> thousandParts;
  for (int part = 1; part <= 1000; ++part) {
    thousandParts.push_back("\\k\\v\\" + std::string(part == 1000 ? "final\\\\" : "") + "queryid\\5." +
                            std::to_string(part));
  }
  struct Case {
    const char* what;
    std::vector<std::string> replies;
    std::string stray;
    const char* strayAddress = "127.0.0.1";
    int floodMs = 0;
    bool answers = false;  // a whole reply, however large
  } cases[] = {
      {"64 KiB in one datagram", {"\\hostname\\" + std::string(65000, 'x') + "\\hostport\\12210"}, "", "127.0.0.1", 0, true},
      {"a thousand parts", thousandParts, ""},
      {"one part again and again", {part1}, "", "127.0.0.1", 300},
      {"no final part", {part1, "\\mapname\\m\\queryid\\5.2"}, ""},
      {"the last part from another port", {part1}, lastPart},
      {"the last part from another address", {part1}, lastPart, "127.0.0.2"},
  };
  UdpTestServer first, last;
  first.SetReply(QueryReplyText("First", 12201, 1, 8, false));
  last.SetReply(QueryReplyText("Last", 12202, 2, 8, false));
  std::vector<std::unique_ptr<UdpTestServer>> hostile;
  std::vector<int> ports{first.Port()};
  for (const Case& c : cases) {
    hostile.push_back(std::make_unique<UdpTestServer>(0, c.strayAddress));
    hostile.back()->SetReplies(c.replies, c.stray);
    hostile.back()->SetFlood(c.floodMs);
    ports.push_back(hostile.back()->Port());
  }
  ports.push_back(last.Port());
  PlayedMaster master({kMasterGreeting, true, LoopbackList(ports), true});
  SetSetting("Master Servers", "127.0.0.1:" + std::to_string(master.Port()));
  Open({}, "");
  const MemoryUse before = MemoryOf();
  // A timer of the thread's own, handled by the same loop as the window's events.
  static int ticks;
  static DWORD lastTick, longestGap;
  ticks = 0;
  lastTick = GetTickCount();
  longestGap = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
    ++ticks;
    longestGap = std::max(longestGap, GetTickCount() - lastTick);
    lastTick = GetTickCount();
  });
  window->ChooseSource(ServerSource::Spearhead);
  const bool done = PumpUntil([&] { return !window->MastersRunning() && !window->RoundRunning(); }, 10000);
  KillTimer(nullptr, timer);
  ASSERT_TRUE(done);
  EXPECT_GT(ticks, 10);
  EXPECT_LT(longestGap, 1000u) << "the window went on handling its events";
  EXPECT_TRUE(MemoryGrewAtMost(before, 32 * kMiB));
  const ServerList& servers = window->Servers();
  ASSERT_EQ(servers.Size(), ports.size());
  for (size_t number = 0; number < ports.size(); ++number) {
    const ServerRow& row = servers.At(servers.PlaceOf(number));
    const bool good = number == 0 || number == ports.size() - 1;
    const Case* c = good ? nullptr : &cases[number - 1];
    SCOPED_TRACE(c ? c->what : "a good server");
    EXPECT_EQ(row.stage, good || c->answers ? QueryStage::Answered : QueryStage::NoReply);
    if (c && c->answers) {
      EXPECT_EQ(row.name, std::string(kMaxQueryReplyText, 'x'));
    }
  }
  EXPECT_EQ(servers.PlayersTotal(), 3);
}

// In tests/local_network.sh's private network: stand-ins answer on query ports
// within 12300-12316 (one of them silent) and beyond; the rows are the
// answering ones in range, "server|name|players" sorted, as KESTRUN_LOCAL_ROWS lists them.
TEST_F(ServerListTest, TheLocalNetworkSourceListsTheServersAnsweringItsBroadcast) {
  const char* expected = std::getenv("KESTRUN_LOCAL_ROWS");
  if (!expected) GTEST_SKIP() << "run by tests/local_network.sh in a private network namespace";
  Open({}, "");
  window->ChooseSource(ServerSource::LocalNetwork);
  ASSERT_TRUE(WaitForRoundEnd());
  PumpFor(150);  // the coalesced refresh of rows and summary
  std::vector<std::string> rows;
  const int count = static_cast<int>(SendMessageA(window->List(), LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    rows.push_back(ListViewCell(window->List(), row, 0) + "|" + ListViewCell(window->List(), row, 1) + "|" +
                   ListViewCell(window->List(), row, 3));
  }
  std::sort(rows.begin(), rows.end());
  const std::vector<std::string> listed = SplitKeepEmpty(expected, ';');
  EXPECT_EQ(rows, listed);
  EXPECT_EQ(WindowText(window->SummaryLine()).rfind(std::to_string(listed.size()) + " servers \xB7 ", 0), 0u)
      << WindowText(window->SummaryLine());
  EXPECT_EQ(Setting("Server List Source"), "4");
}

// Its rows come as the servers answer, in whatever order: Refresh selects the
// selected server's row again once it answers again, whichever it was.
TEST_F(ServerListTest, TheLocalNetworkSourceKeepsTheSelectedServerAtRefresh) {
  if (!std::getenv("KESTRUN_LOCAL_ROWS")) {
    GTEST_SKIP() << "run by tests/local_network.sh in a private network namespace";
  }
  Open({}, "");
  window->ChooseSource(ServerSource::LocalNetwork);
  ASSERT_TRUE(WaitForRoundEnd());
  const HWND list = window->List();
  const std::vector<std::string> servers = ColumnCells(list, ServerColumn::Server);
  ASSERT_GT(servers.size(), 1u);
  for (const std::string& server : servers) {
    const std::vector<std::string> shown = ColumnCells(list, ServerColumn::Server);
    const auto at = std::find(shown.begin(), shown.end(), server);
    ASSERT_NE(at, shown.end()) << server;
    // The player's own pick, even of the row selected for him at the round's end.
    LVITEMA none{};
    none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
    SelectRow(list, static_cast<int>(at - shown.begin()));
    window->Refresh();
    ASSERT_TRUE(WaitForRoundEnd());
    const int selected = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    ASSERT_GE(selected, 0) << server;
    EXPECT_EQ(ListViewCell(list, selected, 0), server);
  }
}
