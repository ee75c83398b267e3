// The network layer under Wine: what an owner left under way when it ended or
// started again reaches nobody, and Winsock outlives its owners. No helper
// here holds Winsock up: only the layer does.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/win/datagram_reader.h"
#include "common/win/net_layer.h"

namespace {

struct Recorder : NetOwner {
  NetHandle net{*this};
  SOCKET socket = INVALID_SOCKET;
  std::vector<std::string> heard;

  void OnSocketNotice(SOCKET, int event, int) override { heard.push_back(event == FD_WRITE ? "writable" : "socket"); }
  void OnDatagram(SOCKET, const Datagram& datagram) override { heard.push_back(std::string(datagram.bytes)); }
  void OnLookupDone(uintptr_t, uint32_t address) override { heard.push_back(address ? "lookup" : "no address"); }
  void OnTimer(int timer) override {
    heard.push_back("timer " + std::to_string(timer));
    net.KillTimer(timer);
  }
  void OnPosted() override { heard.push_back("post"); }
};

void PumpFor(int ms) {
  const DWORD start = GetTickCount();
  while (static_cast<int>(GetTickCount() - start) < ms) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    MsgWaitForMultipleObjectsEx(0, nullptr, 5, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void SendTo(SOCKET to) {
  sockaddr_in address{};
  int size = sizeof address;
  getsockname(to, reinterpret_cast<sockaddr*>(&address), &size);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const SOCKET sender = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sendto(sender, "x", 1, 0, reinterpret_cast<sockaddr*>(&address), sizeof address);
  closesocket(sender);
}

enum class Ending { Restart, Destroy };

struct Case {
  const char* what;
  Ending ending;
  std::function<void(Recorder&, bool early)> start;
  std::vector<std::string> laterHears;
};

}  // namespace

// Each case starts something, ends or restarts its owner before it comes,
// then starts it again on the restarted owner or on a new one in the freed
// place: only the second comes.
TEST(NetLayer, WhatAnEndedOwnerLeftUnderWayReachesNobody) {
  const Case cases[] = {
      {"a socket's notice, though the new socket has its handle value", Ending::Restart,
       [](Recorder& r, bool) { r.socket = r.net.Open(SOCK_DGRAM, FD_WRITE); }, {"writable"}},
      {"a lookup's answer", Ending::Restart, [](Recorder& r, bool) { r.net.LookUp("localhost"); }, {"lookup"}},
      {"a timer's tick", Ending::Destroy, [](Recorder& r, bool early) { r.net.SetTimer(early ? 3 : 5, 1); }, {"timer 5"}},
      {"a post", Ending::Destroy, [](Recorder& r, bool) { r.net.Post(); }, {"post"}},
  };
  for (const Case& c : cases) {
    auto early = std::make_unique<Recorder>();
    c.start(*early, true);
    Sleep(100);  // due, or queued, but not yet taken
    const SOCKET earlySocket = early->socket;
    std::unique_ptr<Recorder> fresh;
    Recorder* later = early.get();
    if (c.ending == Ending::Restart) {
      early->net.Restart();
    } else {
      early.reset();
      fresh = std::make_unique<Recorder>();
      later = fresh.get();
    }
    c.start(*later, false);
    if (earlySocket != INVALID_SOCKET) {
      EXPECT_EQ(later->socket, earlySocket) << "Wine gives the freed handle again";
    }
    PumpFor(300);
    EXPECT_EQ(later->heard, c.laterHears) << c.what;
  }
}

TEST(NetLayer, WinsockOutlivesEveryOwner) {
  for (int i = 0; i < 3; ++i) {
    Recorder passing;
    passing.net.Open(SOCK_DGRAM, FD_READ);
  }
  const SOCKET plain = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  EXPECT_NE(plain, INVALID_SOCKET) << "a socket of the program's own, outside the layer";
  closesocket(plain);
  Recorder next;
  next.socket = next.net.Open(SOCK_DGRAM, FD_READ);
  ASSERT_NE(next.socket, INVALID_SOCKET);
  SendTo(next.socket);
  PumpFor(200);
  EXPECT_EQ(next.heard, std::vector<std::string>{"x"});
}

// Datagrams already waiting behind the one it was handed stay unread, and
// the turn's end is not told, once the owner has closed the socket.
TEST(NetLayer, AnOwnerClosingItsSocketOverADatagramHearsNoMoreOfIt) {
  struct Closer : Recorder {
    void OnDatagram(SOCKET socket, const Datagram& datagram) override {
      Recorder::OnDatagram(socket, datagram);
      net.Close(socket);
    }
    void OnReadTurnEnd(SOCKET) override { heard.push_back("turn end"); }
  } closer;
  closer.socket = closer.net.Open(SOCK_DGRAM, FD_READ);
  for (int i = 0; i < 3; ++i) SendTo(closer.socket);
  Sleep(100);
  PumpFor(200);
  EXPECT_EQ(closer.heard, std::vector<std::string>{"x"});
}

// A datagram socket is read beside the window thread. What it read comes in
// the order it came, over as many turns as it takes; while the window thread
// is away, what waits for it is bounded, and the socket drops the rest.
TEST(NetLayer, DatagramsReadBesideTheWindowComeInOrderAndWaitWithinABound) {
  struct Counter : NetOwner {
    NetHandle net{*this};
    std::vector<int> numbers;
    int turns = 0;
    void OnDatagram(SOCKET, const Datagram& datagram) override { numbers.push_back(std::stoi(std::string(datagram.bytes))); }
    void OnReadTurnEnd(SOCKET) override { ++turns; }
  };
  const struct {
    const char* what;
    int senders, each;
    size_t size;
    bool allCome;
  } cases[] = {
      {"a thousand small ones, more than a turn takes", 1, 1000, 100, true},
      {"far more than the bound, the window thread away", 4, 3000, 1400, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Counter counter;
    const SOCKET socket = counter.net.Open(SOCK_DGRAM, FD_READ, 0, 1 << 20);
    ASSERT_NE(socket, INVALID_SOCKET);
    sockaddr_in to{};
    int size = sizeof to;
    getsockname(socket, reinterpret_cast<sockaddr*>(&to), &size);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::vector<std::thread> senders;
    for (int s = 0; s < c.senders; ++s) {
      senders.emplace_back([&, s] {
        const SOCKET sender = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        for (int i = 0; i < c.each; ++i) {
          std::string bytes = std::to_string(i * c.senders + s);
          bytes.resize(c.size, ' ');
          sendto(sender, bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        }
        closesocket(sender);
      });
    }
    for (std::thread& sender : senders) sender.join();  // the window thread is away meanwhile
    Sleep(300);
    PumpFor(1500);
    const size_t sent = static_cast<size_t>(c.senders * c.each);
    if (c.allCome) {
      EXPECT_EQ(counter.numbers.size(), sent);
      EXPECT_GE(counter.turns, 4) << "at most 256 a turn";
    } else {
      EXPECT_LE(counter.numbers.size(), (DatagramReader::kMaxQueuedBytes + (2u << 20)) / c.size);
      EXPECT_GE(counter.numbers.size(), DatagramReader::kMaxQueuedBytes / c.size) << "the bound was filled";
    }
    if (c.senders == 1) {
      EXPECT_TRUE(std::is_sorted(counter.numbers.begin(), counter.numbers.end()));
    }
  }
}
