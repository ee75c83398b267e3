#pragma once
// The game-server stand-in's remote console, as the Allied Assault family's
// servers run it: requests "FF FF FF FF 02 rcon <password> <command>", replies
// "FF FF FF FF 01 print\n<text>" cut where the server's output buffer would
// overflow, the silent rate limits, and the few commands an administrator
// uses. A request without the direction byte is read the way the Quake III
// family reads it and answered in that family's form, so that a test sees it.
// Platform-free: time comes in as milliseconds.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

enum class StatusLayout {
  Growing,  // OpenMoHAA since late 2024: trailing blanks, wider address column for IPv6
  Fixed,    // the original 1.11 and older OpenMoHAA: the fixed Quake III heading
};

enum class RequestForm { AlliedAssault, QuakeThree };

constexpr int kConnectingPing = -1;  // shown as CNCT
constexpr size_t kAlliedAssaultBuffer = 8176;
constexpr size_t kQuakeThreeBuffer = 1008;

struct ConsolePlayer {
  int number = 0;
  int score = 0;
  int ping = 0;
  std::string name;
  std::string address;  // ip:port, [ipv6]:port, bot or loopback
  int lastMsg = 0;
  int qport = 0;
  int rate = 25000;
};

// A token bucket: `burst` requests at once, then one more each period.
struct RequestBucket {
  bool used = false;
  int tokens = 0;
  int64_t refilledMs = 0;
};

bool TakeToken(RequestBucket& bucket, int burst, int64_t periodMs, int64_t nowMs);

struct ConsoleState {
  bool passwordSet = true;
  std::string password;
  StatusLayout layout = StatusLayout::Growing;
  std::vector<ConsolePlayer> players;
  std::vector<std::string> commands;  // what cmdlist names and the console runs
  std::string map = "obj/obj_team2";
  std::vector<std::string> bans;      // addresses without port, kept for the run
  size_t buffer = kAlliedAssaultBuffer;
  std::map<std::string, RequestBucket> perAddress;
  RequestBucket badPasswords;
};

std::vector<std::string> DefaultConsoleCommands();

// `count` players (at most 64) with names holding blanks, some longer than
// the name column, some connecting, some on IPv6; addresses are loopback.
std::vector<ConsolePlayer> MakeConsolePlayers(int count);

// "SCORE|PING|ADDRESS|NAME": PING may be CNCT; the name comes last and may
// hold anything but a line end.
bool ParseConsolePlayer(std::string_view text, int number, ConsolePlayer& player);

// The per-address limit that status requests and console requests share.
// `from` is "ip:port"; the port does not count.
bool AllowRequest(ConsoleState& state, std::string_view from, int64_t nowMs);

struct ConsoleAnswer {
  bool isConsoleRequest = false;
  std::vector<std::string> datagrams;  // none when dropped over a limit
  std::string log;                     // what was received and done, never the password
};

ConsoleAnswer AnswerConsole(ConsoleState& state, std::string_view datagram, std::string_view from, int64_t nowMs);

// The text of `status`, one line per element.
std::vector<std::string> StatusLines(const ConsoleState& state);

// Output lines joined into datagrams of `header` plus at most buffer - 1
// bytes of text each: a datagram whenever the next line would overflow, and
// one at the end.
std::vector<std::string> SplitOutput(const std::vector<std::string>& lines, size_t buffer, std::string_view header);

// The status reply in the Allied Assault form, with the console's map and players.
std::string ConsoleStatusResponse(const ConsoleState& state);
