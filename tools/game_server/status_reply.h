#pragma once
// What the game-server stand-in answers: a status reply as the game's servers
// send it. Platform-free.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct DemoServerState {
  std::vector<std::pair<std::string, std::string>> info;  // key, value; in the order sent
  std::vector<std::string> players;                        // score, ping, quoted name
};

DemoServerState DemoServer();

// Header line, backslash-separated information line, one line per player.
std::string StatusReply(const DemoServerState& state);

// True for a status request: four bytes 0xFF, then the word "getstatus" after
// any control characters and blanks, as the game's servers read it.
bool IsStatusRequest(std::string_view datagram);

// The short server information that server browsers (quakestat -q3s) ask for
// first with "getinfo": host name, map, player count and slots.
std::string InfoReply(const DemoServerState& state);
bool IsInfoRequest(std::string_view datagram);
