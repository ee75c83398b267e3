#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common/win/host_lookup.h"
#include "common/win/wait.h"
#include "overlay/win/overlay_window.h"
#include "tests/wine_test_util.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 128, 0);

class Link : public ::testing::Test {
 protected:
  TestServer server;
  OverlayWindow overlay;

  void SetUp() override {
    TakeQuit();
    StoreOverlaySettings("127.0.0.1", std::to_string(server.port), 1);
  }
  void TearDown() override {
    overlay.Close();
    TakeQuit();
  }

  void Connect() {
    ASSERT_TRUE(overlay.Open());
    ASSERT_EQ(server.AcceptWhilePumping(), 930) << "the overlay connects from local port 930";
    ASSERT_TRUE(PumpUntil([&] { return overlay.BackColor() == kGreen; }));
  }

  // Sends one record and waits until the decoders have had it.
  void Deliver(const std::string& bytes) {
    const int before = overlay.InspectionRecordCount() + overlay.DumpRecordCount();
    server.Send(bytes);
    PumpUntil([&] { return overlay.InspectionRecordCount() + overlay.DumpRecordCount() > before; }, 1000);
    PumpFor(40);  // a second hand-off, if any, would come within the quiet time
  }
};

}  // namespace

TEST_F(Link, ConnectsFromPort930AndTurnsGreen) {
  ASSERT_TRUE(overlay.Open());
  EXPECT_EQ(overlay.BackColor(), kRed);
  EXPECT_EQ(server.AcceptWhilePumping(), 930);
  EXPECT_TRUE(PumpUntil([&] { return overlay.BackColor() == kGreen; }));
  EXPECT_TRUE(overlay.LinkWatchdog().linkUp);
  EXPECT_EQ(server.ReceiveWhilePumping(1, 200), "") << "nothing is sent when the link comes up";
}

TEST_F(Link, RecordsAreToldApartByPrefixAndTrimmed) {
  Connect();
  struct Case {
    std::string wire;
    int inspectionCalls, dumpCalls;
    std::string inspection, dump;
  };
  const Case cases[] = {
      {"SDabc", 1, 0, "abc", ""},
      {"SD  abc  ", 1, 0, "abc", ""},
      {"sdabc", 0, 0, "", ""},
      {"XYabc", 0, 0, "", ""},
      {"DU", 0, 1, "", ""},
      {"SDDUx", 1, 1, "DUx", "x"},
      {"DU name  \n", 0, 1, "", "name  \n"},
  };
  for (const Case& c : cases) {
    const int s0 = overlay.InspectionRecordCount(), d0 = overlay.DumpRecordCount();
    Deliver(c.wire);
    if (c.inspectionCalls == 0 && c.dumpCalls == 0) PumpFor(60);
    EXPECT_EQ(overlay.InspectionRecordCount() - s0, c.inspectionCalls) << c.wire;
    EXPECT_EQ(overlay.DumpRecordCount() - d0, c.dumpCalls) << c.wire;
    if (c.inspectionCalls) {
      EXPECT_EQ(overlay.LastInspectionRecord(), c.inspection) << c.wire;
    }
    if (c.dumpCalls) {
      EXPECT_EQ(overlay.LastDumpRecord(), c.dump) << c.wire;
    }
  }
}

TEST_F(Link, ARecordSplitIntoPiecesDecodesWhole) {
  Connect();
  const int before = overlay.InspectionRecordCount();
  server.Send("SDhostname: demo\nmap: dm/mohdm6\n");
  PumpFor(3);  // well inside the quiet time, so the pieces make one record
  server.Send("num score ping name\n--- -----\n");
  PumpFor(3);  // well inside the quiet time, so the pieces make one record
  server.Send("  0     0   50 Alice");
  ASSERT_TRUE(PumpUntil([&] { return overlay.InspectionRecordCount() > before; }));
  PumpFor(60);
  EXPECT_EQ(overlay.InspectionRecordCount(), before + 1);
  EXPECT_EQ(overlay.LastInspectionRecord(), "hostname: demo\nmap: dm/mohdm6\nnum score ping name\n--- -----\n  0     0   50 Alice");
}

TEST_F(Link, CommandTextGoesOutByteForByte) {
  Connect();
  overlay.SendCommand("K3KO4");
  EXPECT_EQ(server.ReceiveWhilePumping(5), "K3KO4");
  const std::string odd = std::string("Mcon\\s\\qkill\\q\\s3") + '\0' + "\xff\r\n";
  overlay.SendCommand(odd);
  EXPECT_EQ(server.ReceiveWhilePumping(odd.size()), odd);
}

TEST_F(Link, AfterTheServerClosesOnlyTheServerMayConnectBack) {
  Connect();
  server.Send("SDlast words");  // sent just before the close: still a record
  server.CloseClient();
  ASSERT_TRUE(PumpUntil([&] { return overlay.InspectionRecordCount() == 1; }));
  EXPECT_EQ(overlay.LastInspectionRecord(), "last words");
  ASSERT_TRUE(PumpUntil([&] { return overlay.Link().State() == LinkState::Listening; }));
  EXPECT_EQ(overlay.Link().BoundLocalPort(), 930);
  EXPECT_EQ(overlay.BackColor(), kRed) << "the square shows the lost link";

  // A stranger is cut off at once and changes nothing.
  SOCKET stranger = ConnectFromWhilePumping("127.0.0.2", 930);
  ASSERT_NE(stranger, INVALID_SOCKET);
  EXPECT_TRUE(PeerClosed(stranger, 2000));
  closesocket(stranger);
  EXPECT_EQ(overlay.Link().State(), LinkState::Listening);
  EXPECT_EQ(overlay.BackColor(), kRed);
  overlay.SendCommand("K1KO4");  // goes nowhere while no one is connected

  // The server's own address is taken and used as before.
  SOCKET back = ConnectFromWhilePumping("127.0.0.1", 930);
  ASSERT_NE(back, INVALID_SOCKET);
  ASSERT_TRUE(PumpUntil([&] { return overlay.Link().State() == LinkState::Connected; }));
  EXPECT_EQ(overlay.BackColor(), kGreen);
  server.client = back;
  const int before = overlay.InspectionRecordCount();
  server.Send("SD back");
  ASSERT_TRUE(PumpUntil([&] { return overlay.InspectionRecordCount() > before; }));
  EXPECT_EQ(overlay.LastInspectionRecord(), "back");
  overlay.SendCommand("K2KB4");
  EXPECT_EQ(server.ReceiveWhilePumping(5), "K2KB4");
  for (int i = 0; i < 600; ++i) overlay.OnRefreshTick();
  EXPECT_FALSE(overlay.Ended()) << "no watchdog once the link has been up";
}

// Nothing answers: a refused port, and a host name that does not resolve.
TEST_F(Link, WithNoServerItRetriesSixTimesThenEnds) {
  const int port = server.port;
  closesocket(server.listener);  // nothing listens there any more
  server.listener = INVALID_SOCKET;
  std::vector<const char*> hosts = {"127.0.0.1"};
  if (TestNamesMissing().empty()) hosts.push_back("no-such-host.invalid");  // asked of the tests' name server
  for (const char* host : hosts) {
    SCOPED_TRACE(host);
    OverlayWindow remote;
    StoreOverlaySettings(host, std::to_string(port), 0);
    remote.SetRefreshInterval(3600 * 1000);  // the test runs the ticks itself
    ASSERT_TRUE(remote.Open());

    std::vector<int> retryTicks;
    std::string lastLine = remote.ActionPane().MessageLine();
    int tick = 0;
    while (!remote.Ended() && tick < 4000) {
      ++tick;
      remote.OnRefreshTick();
      if (remote.Ended()) break;
      PumpPendingEvents();
      std::string line = remote.ActionPane().MessageLine();
      if (line != lastLine) {
        retryTicks.push_back(tick);
        EXPECT_EQ(line, "Connection Failed ReTry " + std::to_string(retryTicks.size()));
        lastLine = line;
      }
      ASSERT_EQ(remote.BackColor(), kRed);
    }
    EXPECT_EQ(retryTicks, (std::vector<int>{501, 1002, 1503, 2004, 2505}));
    EXPECT_EQ(tick, 3006) << "the sixth retry ends the program";
    EXPECT_TRUE(remote.Ended());
    EXPECT_TRUE(TakeQuit());
  }
}

// A server a long round trip away: the handshake completes long after ten
// ticks. The listener's queue is kept full, so the overlay's first SYN is
// dropped and only its retransmission, about a second later, gets through.
TEST_F(Link, ASlowHandshakeHasUntilTheNextRetry) {
  closesocket(server.listener);
  server.listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<u_short>(server.port));
  ASSERT_EQ(bind(server.listener, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  ASSERT_EQ(listen(server.listener, 0), 0);
  SOCKET filler = ConnectFromWhilePumping("127.0.0.1", server.port);
  ASSERT_NE(filler, INVALID_SOCKET);

  ASSERT_TRUE(overlay.Open());
  PumpFor(400);
  EXPECT_NE(overlay.BackColor(), kGreen) << "the handshake is still pending";
  SOCKET queued = accept(server.listener, nullptr, nullptr);  // room for the overlay now
  closesocket(queued);
  closesocket(filler);
  ASSERT_EQ(server.AcceptWhilePumping(3000), 930);
  ASSERT_TRUE(PumpUntil([&] { return overlay.BackColor() == kGreen; }));
  EXPECT_GT(overlay.LinkWatchdog().waitTicks, 10) << "the attempt outlived ten ticks";
  EXPECT_EQ(overlay.ActionPane().MessageLine().find("ReTry"), std::string::npos) << "no retry was needed";
  overlay.SendCommand("K1KO4");
  EXPECT_EQ(server.ReceiveWhilePumping(5), "K1KO4");
}

// "Mini IP" may hold a host name: it is looked up beside the window thread,
// and the address found is the only one allowed to connect back.
TEST_F(Link, AHostNameIsLookedUpWithoutBlocking) {
  StoreOverlaySettings("localhost", std::to_string(server.port), 1);
  ASSERT_TRUE(overlay.Open());
  EXPECT_TRUE(overlay.Link().LookupPending()) << "start-up returns before the name is resolved";
  EXPECT_EQ(overlay.Link().BoundLocalPort(), 0);
  ASSERT_EQ(server.AcceptWhilePumping(), 930);
  ASSERT_TRUE(PumpUntil([&] { return overlay.BackColor() == kGreen; }));

  server.CloseClient();
  ASSERT_TRUE(PumpUntil([&] { return overlay.Link().State() == LinkState::Listening; }));
  SOCKET stranger = ConnectFromWhilePumping("127.0.0.2", 930);
  ASSERT_NE(stranger, INVALID_SOCKET);
  EXPECT_TRUE(PeerClosed(stranger, 2000));
  closesocket(stranger);
  SOCKET back = ConnectFromWhilePumping("127.0.0.1", 930);
  ASSERT_NE(back, INVALID_SOCKET);
  EXPECT_TRUE(PumpUntil([&] { return overlay.Link().State() == LinkState::Connected; }));
  closesocket(back);
}

TEST(WaitKeepingEventsFlowing, ServicesEventsWhileItWaits) {
  HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  static int ticks = 0;
  ticks = 0;
  SetTimer(window, 7, 10, [](HWND, UINT, UINT_PTR, DWORD) { ++ticks; });
  const uint32_t start = MillisecondClock();
  WaitKeepingEventsFlowing(200);
  const uint32_t took = MillisecondClock() - start;
  EXPECT_GT(took, 200u);
  EXPECT_LT(took, 1000u);
  EXPECT_GE(ticks, 3) << "timer events run inside the wait";
  KillTimer(window, 7);

  // Events that never stop coming (each one posts the next) do not hold the wait.
  static HWND poster = nullptr;
  static int posted = 0;
  poster = window;
  posted = 0;
  WNDPROC repost = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m != WM_APP) return DefWindowProcA(h, m, w, l);
    if (posted >= 0 && ++posted < 100000) PostMessageA(poster, WM_APP, 0, 0);
    return 0;
  };
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(repost));
  PostMessageA(window, WM_APP, 0, 0);
  const uint32_t floodStart = MillisecondClock();
  WaitKeepingEventsFlowing(200);
  EXPECT_LT(MillisecondClock() - floodStart, 1000u);
  EXPECT_LT(posted, 100000) << "the wait ended while the events still came";
  posted = -1;  // the chain ends
  PumpPendingEvents();

  const uint32_t zeroStart = MillisecondClock();
  WaitKeepingEventsFlowing(0);
  EXPECT_LT(MillisecondClock() - zeroStart, 100u);
  DestroyWindow(window);
}

// A name slower than the retries: each retry starts a lookup while the earlier
// ones are still out, and the overlay goes before any answer has come. The
// answers are written all the same (under Wine whatever the cancel did), into
// buffers that must still be there.
TEST(LinkLookups, RetriesAndAnEndWhileANameResolvesLeaveItsAnswersHarmless) {
  if (const std::string missing = TestNamesMissing(); !missing.empty()) GTEST_SKIP() << missing;
  TakeQuit();
  const size_t heldAtStart = host_lookup::Held();
  {
    auto remote = std::make_unique<OverlayWindow>();
    StoreOverlaySettings("a.slow2000.kestrun.test", "9", 0);
    remote->SetRefreshInterval(3600 * 1000);  // the test runs the ticks itself
    ASSERT_TRUE(remote->Open());
    for (int tick = 0; tick < 1100; ++tick) remote->OnRefreshTick();
    EXPECT_EQ(remote->ActionPane().MessageLine(), "Connection Failed ReTry 2");
    EXPECT_GE(host_lookup::Held(), heldAtStart + 3) << "a lookup per attempt, none of them done";
    remote->Close();
  }
  TakeQuit();
  EXPECT_TRUE(PumpUntil([&] { return host_lookup::Held() <= heldAtStart; }, 6000)) << "each freed by its answer";
}
