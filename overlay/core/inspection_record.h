#pragma once
// Decoding of the inspection record, the inspection server's "SD" record,
// into the player grid. Platform-free: the window takes the grid model and the
// update line from here and only paints them.
#include <optional>
#include <string>
#include <vector>

#include "overlay/core/grid_model.h"
#include "overlay/core/overlay_layout.h"

// Player rows run from 1 to 49 while a record is decoded, and from 1 to 64
// (a full server's players) for the remote console's status.
constexpr int kDecodeRows = 50;
constexpr int kConsoleRows = 65;

// A player line of the record: fields in fixed columns (counted from 1), one
// blank between them, numbers right-aligned and texts left-aligned.
//
//          1         2         3         4         5         6         7
// 123456789012345678901234567890123456789012345678901234567890123456789012
// num score ping name            lastmsg address               qport  rate
//   0    12   50 Alice                 0 10.0.0.5:12203         1000 25000
//
// A name longer than its column pushes the tail (lastmsg to rate) right
// rather than being cut, so the head is read from the line's start and the
// tail from its end.
namespace player_line {
constexpr int kClientWidth = 3;
constexpr int kScoreWidth = 5;
constexpr int kPingWidth = 4;
constexpr int kNameWidth = 15;  // at least
constexpr int kLastMessageWidth = 7;
constexpr int kAddressWidth = 21;
constexpr int kQportWidth = 5;
constexpr int kRateWidth = 5;

// The ping and the name are read with the blank before them, which a wider
// value may fill; the address likewise, counted back from the line's end.
constexpr int kPingColumn = kClientWidth + 1 + kScoreWidth + 1;
constexpr int kNameColumn = kPingColumn + kPingWidth + 1;
constexpr int kTailLength = kLastMessageWidth + 1 + kAddressWidth + 1 + kQportWidth + 1 + kRateWidth;
constexpr int kAddressFromEnd = kAddressWidth + 1 + kQportWidth + 1 + kRateWidth;
static_assert(kPingColumn == 10 && kNameColumn == 15 && kTailLength == 41 && kAddressFromEnd == 33);
}  // namespace player_line

// The values of one player line as the server writes them.
struct PlayerLineValues {
  int client = 0;
  int score = 0;
  int ping = 0;
  std::string name;
  int lastMessage = 0;
  std::string address;  // "10.0.0.5:12203"
  int qport = 1000;
  int rate = 25000;
};

// The line in the columns above. The overlay only reads such lines; the
// inspection-server stand-in, the tests and the benchmarks write them.
std::string FormatPlayerLine(const PlayerLineValues& values);

// What the last record left behind for the action window and the dump decoding.
struct PlayerGridState {
  GridMode mode = GridMode::NamesOnly;   // all data: rows by client number
  int recordLineCount = 0;               // lines after the four heading lines
  std::vector<std::string> recordLines;  // those lines, in order
  std::vector<std::string> gridClients;  // client number + 1 of each player line, as text
  int rowsUsed = 1;
  int topRow = 0;
  int playerTotal = 0;
};

// One player line taken apart; false when it is too short or does not start
// with a non-negative client number.
struct PlayerLineFields {
  int client = 0;
  std::string ping;
  std::string name;
  std::string address;  // the whole address field, "10.0.0.5:12203"
};
bool ReadPlayerLine(const std::string& line, PlayerLineFields& out);

// A player as the grid shows him, from either link. The host is what the IP
// column shows; none leaves that cell as it is.
struct GridPlayer {
  int client = 0;
  std::string ping;
  std::string name;
  std::optional<std::string> host;
};

// "A" to "Z" for clients 0 to 25, "0" to "9" for 26 to 35, empty beyond:
// a key must stand for one player only.
std::string KeyCharacter(int client);

// The client a key character stands for, the reverse of KeyCharacter; none
// for any other character.
std::optional<int> ClientOfKeyCharacter(char key);

// The remote console's keys: KeyCharacter's, then, for clients 36 to 71, the
// same characters again after Page Down, shown as "+A" to "+9".
constexpr int kKeysPerPage = 36;
constexpr char kNextPageMark = '+';
std::string PagedKeyCharacter(int client);

// Decodes a record body (the text after "SD", trimmed) into grid and state.
void DecodeInspectionRecord(const std::string& body, GridModel& grid, PlayerGridState& state);

// Shows players read from elsewhere (the remote console's status) as a
// record holding exactly their lines, in this order, would show them, but
// with rows for kConsoleRows - 1 players and PagedKeyCharacter's keys.
void ShowPlayerRows(const std::vector<GridPlayer>& players, GridModel& grid, PlayerGridState& state);

// The action window's message line after a record: "Last Update - " and
// timeText, the time of day, and in all-data mode the number of players.
std::string LastUpdateLine(const PlayerGridState& state, const std::string& timeText);
