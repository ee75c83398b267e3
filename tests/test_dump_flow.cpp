// Dumps from a loopback server reach the player grid: the verdicts land in
// the right rows, in their colours, also when one dump arrives during the
// pause of another.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <thread>
#include <utility>

#include "common/win/window_class.h"
#include "overlay/core/dump_analysis.h"
#include "overlay/win/overlay_window.h"
#include "tests/wine_test_util.h"
#include "tools/inspection_server/demo_records.h"

namespace {

const DemoPlayer& Named(const std::vector<DemoPlayer>& players, const std::string& name) {
  for (const auto& p : players) {
    if (p.name == name) return p;
  }
  throw std::runtime_error("no demo player " + name);
}

// Screen pixels of a grid cell that are clearly red: the painted hack code.
int ReddishPixels(HWND grid, const GridModel& model, int row, int col) {
  const int dpi = WindowDpi(grid);
  int left = 0;
  for (int c = 0; c < col; ++c) left += model.ColWidth(c);
  RECT r{MulDiv(left, dpi, 1440), MulDiv(row * 260, dpi, 1440), MulDiv(left + model.ColWidth(col), dpi, 1440),
         MulDiv((row + 1) * 260, dpi, 1440)};
  MapWindowPoints(grid, nullptr, reinterpret_cast<POINT*>(&r), 2);
  HDC screen = GetDC(nullptr);
  int found = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const COLORREF c = GetPixel(screen, x, y);
      if (c != CLR_INVALID && GetRValue(c) > GetGValue(c) + 60 && GetRValue(c) > GetBValue(c) + 60) ++found;
    }
  }
  ReleaseDC(nullptr, screen);
  return found;
}

// Takes the link's socket notices off the queue, leaving every other message,
// until one of the wanted event has come; the others taken meanwhile are
// returned too, in their order.
std::vector<MSG> TakeLinkNoticesUntil(const TcpLink& link, long event, int timeoutMs = 2000) {
  std::vector<MSG> taken;
  const UINT notice = link.NoticeMessage();
  const DWORD start = GetTickCount();
  while (static_cast<int>(GetTickCount() - start) < timeoutMs) {
    MSG msg;
    if (!PeekMessageA(&msg, NetNoticeWindow(), notice, notice, PM_REMOVE)) {
      Sleep(1);
      continue;
    }
    taken.push_back(msg);
    if (WSAGETSELECTEVENT(msg.lParam) == event) break;
  }
  return taken;
}

class DumpFlow : public ::testing::Test {
 protected:
  TestServer server;
  OverlayWindow overlay;
  std::vector<DemoPlayer> players = DemoPlayers();

  void SetUp() override {
    TakeQuit();
    StoreOverlaySettings("127.0.0.1", std::to_string(server.port), 1, "dm/mohdm6");
    ASSERT_TRUE(overlay.Open());
    ASSERT_EQ(server.AcceptWhilePumping(), 930);
    server.Send(InspectionRecord(players));
    ASSERT_TRUE(PumpUntil([&] { return overlay.ActionPane().Grid().Text(1, 1) == "Alice"; }));
  }
  void TearDown() override {
    overlay.Close();
    TakeQuit();
  }
  // Each record its own segment: the link joins pieces that follow closely.
  void SendDump(const std::string& name) {
    server.Send(DumpRecord(Named(players, name)));
    PumpFor(60);
  }
  const GridCell& Cell(int row, int col) { return *overlay.ActionPane().Grid().Cell(row, col); }

 public:
  GridModel& Grid() { return overlay.ActionPane().Grid(); }
};

}  // namespace

TEST_F(DumpFlow, VerdictsLandInTheirRowsInTheirColours) {
  SendDump("Bobby");
  SendDump("Zed");  // during Bobby's pause
  SendDump("Mac Kim");
  SendDump("Nora");
  SendDump("Alice");
  ASSERT_TRUE(PumpUntil([&] { return Cell(1, kHackCodeCol).text == "(HC)"; }, 5000));

  EXPECT_EQ(Cell(5, kHackCodeCol).text, "BV") << "Bobby, client 4";
  EXPECT_EQ(Cell(5, kHackCodeCol).color, kDarkRed);
  EXPECT_EQ(Cell(27, kHackCodeCol).text, "RR2B1") << "Zed, client 26";
  EXPECT_EQ(Cell(8, kHackCodeCol).text, "MAC") << "Mac Kim, client 7";
  EXPECT_EQ(Cell(14, kIpCol).text, "Tolvane") << "Nora, client 13";
  EXPECT_TRUE(Cell(14, kIpCol).bold);
  EXPECT_EQ(Cell(14, kHackCodeCol).text, "Y");
  EXPECT_EQ(Cell(14, kAlliedSkinsCol).text, "american_ranger");
  EXPECT_EQ(Cell(1, kHackCodeCol).color, kDarkBlue);
  EXPECT_EQ(overlay.DumpLines().front().substr(0, 4), "name");

  HWND grid = FindWindowExA(overlay.ActionPane().Handle(), nullptr, "CorvelGrid", nullptr);
  ASSERT_TRUE(grid);
  EXPECT_GT(ReddishPixels(grid, overlay.ActionPane().Grid(), 5, kHackCodeCol), 5) << "the code is painted in red";
  EXPECT_EQ(ReddishPixels(grid, overlay.ActionPane().Grid(), 3, kHackCodeCol), 0) << "Wolfgang has no dump yet";
}

// The pause runs inside the handler that received the dump, so the test looks
// at the grid from a timer, which the pause keeps serving like every event.
struct PauseWatch {
  DumpFlow* test = nullptr;
  std::function<void()> onMac;
  std::vector<std::string> seen;  // each new text of Mac Kim's hack code cell
  static PauseWatch* current;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    PauseWatch& w = *current;
    const GridCell* cell = w.test->Grid().Cell(8, kHackCodeCol);
    const std::string text = cell ? cell->text : "";
    if (!w.seen.empty() && w.seen.back() == text) return;
    w.seen.push_back(text);
    if (text == "MAC" && w.onMac) std::exchange(w.onMac, nullptr)();
  }
};
PauseWatch* PauseWatch::current = nullptr;

TEST_F(DumpFlow, MacIsShownAtOnceAndTheVerdictFollowsThePlayerAfterThePause) {
  std::vector<DemoPlayer> moved = players;
  for (auto& p : moved) {
    if (p.name == "Mac Kim") p.client = 9;
  }
  PauseWatch watch;
  watch.test = this;
  PauseWatch::current = &watch;
  // As soon as "MAC" shows, an inspection record moves Mac Kim from client 7
  // to 9.
  watch.onMac = [&] { server.Send(InspectionRecord(moved)); };
  const UINT_PTR timer = SetTimer(nullptr, 0, 5, PauseWatch::Tick);

  DemoPlayer mac = Named(players, "Mac Kim");
  mac.settings.push_back({"cheats", "1"});
  server.Send(DumpRecord(mac));
  const bool done = PumpUntil([&] { return Grid().Text(10, kHackCodeCol) == "W"; });
  KillTimer(nullptr, timer);
  PauseWatch::current = nullptr;

  ASSERT_TRUE(done);
  ASSERT_GE(watch.seen.size(), 2u);
  EXPECT_EQ(watch.seen[1], "MAC") << "written before the pause";
  EXPECT_EQ(overlay.InspectionRecordCount(), 2) << "the record sent during the pause was decoded";
  EXPECT_EQ(Grid().Text(8, kNameCol), "") << "client 7 left; his old row holds no verdict";
  EXPECT_EQ(Grid().Text(8, kHackCodeCol), "");
}

// The server sends a dump, closes and connects back at once: the overlay
// listens before the dump's pause, so the connection is taken during it.
TEST_F(DumpFlow, AConnectBackDuringTheLastDumpsPauseIsTaken) {
  server.Send(DumpRecord(Named(players, "Bobby")));
  server.CloseClient();
  SOCKET back = INVALID_SOCKET;
  std::thread connectBack([&] {
    Sleep(150);  // well inside the 500 ms pause
    back = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(930);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(back, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
      closesocket(back);
      back = INVALID_SOCKET;
    }
  });
  PumpUntil([&] { return Cell(5, kHackCodeCol).text == "BV"; }, 3000);
  connectBack.join();
  ASSERT_NE(back, INVALID_SOCKET) << "refused: the overlay was not listening during the pause";
  EXPECT_EQ(Cell(5, kHackCodeCol).text, "BV");
  ASSERT_TRUE(PumpUntil([&] { return overlay.Link().State() == LinkState::Connected; }));
  server.client = back;
  const int before = overlay.InspectionRecordCount();
  server.Send(InspectionRecord(players));
  EXPECT_TRUE(PumpUntil([&] { return overlay.InspectionRecordCount() > before; }));
}

// The server's last two records come with its close: a dump still waiting for
// more of itself, and an inspection record still unread when the close notice
// comes, as Windows may post it (Wine waits until all is read). The dump
// pauses, the server connects back meanwhile and sends a newer inspection
// record: the old link's left-over record may come before it, never after it.
TEST_F(DumpFlow, ALeftOverRecordNeverReplacesANewerOne) {
  std::vector<DemoPlayer> newer;
  for (const auto& p : players) {
    if (p.name != "Bobby") newer.push_back(p);
  }
  server.Send(DumpRecord(Named(players, "Bobby")));
  for (const MSG& m : TakeLinkNoticesUntil(overlay.Link(), FD_READ)) DispatchMessageA(&m);

  server.Send(InspectionRecord(players));
  server.CloseClient();
  const std::vector<MSG> notices = TakeLinkNoticesUntil(overlay.Link(), FD_READ);
  ASSERT_FALSE(notices.empty());
  MSG close = notices.back();
  ASSERT_EQ(WSAGETSELECTEVENT(close.lParam), FD_READ);
  close.lParam = WSAMAKESELECTREPLY(FD_CLOSE, 0);

  SOCKET back = INVALID_SOCKET;
  std::thread connectBack([&] {
    Sleep(150);  // inside the dump's pause
    back = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(930);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(back, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
      closesocket(back);
      back = INVALID_SOCKET;
      return;
    }
    Sleep(100);
    const std::string record = InspectionRecord(newer);
    send(back, record.data(), static_cast<int>(record.size()), 0);
  });
  DispatchMessageA(&close);
  connectBack.join();
  PumpFor(200);

  ASSERT_NE(back, INVALID_SOCKET);
  server.client = back;
  EXPECT_EQ(overlay.InspectionRecordCount(), 3) << "the first record, the left-over one and the newer one";
  EXPECT_EQ(Grid().Text(5, kNameCol), "") << "Bobby, client 4, is not in the newer record";
  EXPECT_EQ(Grid().Text(1, kNameCol), "Alice");
}
