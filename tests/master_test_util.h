#pragma once
// Masters played by the tests on loopback, and what the real master beside
// tests/master_interop.sh is expected to list.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "launcher/core/master_exchange.h"
#include "tests/wine_test_util.h"

// A master's greeting with the challenge ABCDEF.
extern const std::string kMasterGreeting;

// count compact records from the address first on, each with query port 12300.
std::string Records(uint32_t first, int count);

// Sends everything, a piece at a time as the socket takes it, keeping the
// window events flowing; stops when the peer has gone.
void SendWhilePumping(SOCKET s, const std::string& bytes);

// By address, then query port.
std::vector<ListedServer> Sorted(std::vector<ListedServer> servers);

// The real master's stand-ins of game number game (tests/master_interop.sh
// names them in the environment); false when not run beside the master.
bool ExpectedStandIns(size_t game, int& listPort, std::vector<ListedServer>& servers);

// How a played master behaves once a client connects.
struct MasterPlay {
  std::string greeting;  // sent at once, when not empty
  bool readsRequest = false;  // waits for the answer to the challenge of kMasterGreeting
  std::string answer;  // then sent whole (as far as the client reads it)
  bool closes = false;  // then closes; else waits for the client to close
  bool servesAgain = false;  // then serves the next client the same way
};

// A master on a loopback port of its own, played on a thread of its own with
// blocking sockets, so that many can be served while the test's thread runs
// its message loop. One client is served, or client after client.
class PlayedMaster {
 public:
  explicit PlayedMaster(MasterPlay play);
  ~PlayedMaster();
  PlayedMaster(const PlayedMaster&) = delete;
  PlayedMaster& operator=(const PlayedMaster&) = delete;

  int Port() const { return server_.port; }
  int Connections() const { return connections_; }

 private:
  void Play();
  bool WaitReadable(SOCKET s);

  TestServer server_;
  MasterPlay play_;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::thread thread_;
};
