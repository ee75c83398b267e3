#pragma once
// Helpers for tests that drive real windows and sockets under Wine.
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>

// Runs window events until done() holds or timeoutMs passes; returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Runs window events for about ms milliseconds.
void PumpFor(int ms);

// Empty when host names are looked up by the tests' name-server stand-in
// (tools/name_server.py, put in place by the build's wine-run); else why not.
// Without it no test may look up a name other than "localhost": the system's
// name server is outside this machine.
std::string TestNamesMissing();

// corvel2.exe of this build, beside the tests' folder.
std::string BuiltOverlay();

// Removes a pending quit request (a test's overlay ending posts one); true if there was one.
bool TakeQuit();

// Writes the overlay's settings under HKEY_CURRENT_USER\Software\Kestrun
// (creating the key); an empty text removes nothing, it stores an empty value.
void StoreOverlaySettings(const std::string& ip, const std::string& port, int showAllValue,
                          const std::string& mapList = "");

// Drops a value from the settings key, so that it reads as missing.
void DeleteSetting(const std::string& name);

// A loopback TCP listener on an ephemeral port, blocking sockets.
struct TestServer {
  SOCKET listener = INVALID_SOCKET;
  int port = 0;
  SOCKET client = INVALID_SOCKET;
  TestServer();
  ~TestServer();
  // Waits (pumping window events) until the overlay connects; returns the peer port.
  int AcceptWhilePumping(int timeoutMs = 5000);
  void Send(const std::string& bytes);
  // Reads what arrives within timeoutMs while pumping window events.
  std::string ReceiveWhilePumping(size_t expected, int timeoutMs = 3000);
  void CloseClient();
};

// Connects from the given local address to 127.0.0.1:port while pumping window
// events; returns the socket or INVALID_SOCKET.
SOCKET ConnectFromWhilePumping(const char* localAddress, int port, int timeoutMs = 3000);

// True when the peer has closed the socket (reads end of stream or a reset).
bool PeerClosed(SOCKET s, int timeoutMs);
