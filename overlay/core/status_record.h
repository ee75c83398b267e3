#pragma once
// Decoding of the inspection server's status record into the player grid.
// Platform-free: the window takes the label, the heights and the grid model
// from here and only paints them.
#include <string>
#include <vector>

#include "grid_model.h"

constexpr int kGridRowTwips = 260;
constexpr int kMinActionHeight = 5040;
constexpr int kLabelAboveBottom = 255;
// Player rows run from 1 to 49 while a record is decoded.
constexpr int kDecodeRows = 50;

// What the last record left behind for the action window and the dump decoding.
struct StatusState {
  int showAll = 0;                  // 1: all data, by client number; else names only
  int statusLineCount = 0;          // lines after the four heading lines
  std::vector<std::string> List1;   // those lines, in order
  std::vector<std::string> clnum;   // client number + 1 of each player line, as text
  int rowsUsed = 1;
  int topRow = 0;
  int playerTotal = 0;
};

// The window's part of a decoded record, sizes in twips.
struct StatusLayout {
  std::string label;
  int gridHeight = 0;
  int windowHeight = 0;
  int labelTop = 0;
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

// "A" to "Z" for clients 0 to 25, "0" to "9" for 26 to 35, empty beyond:
// a key must stand for one player only.
std::string KeyCharacter(int client);

// Decodes a record body (the text after "SD", trimmed) into grid and state.
// timeText is the time of day shown after "Last Update - ".
StatusLayout DecodeStatus(const std::string& MainData, const std::string& timeText, GridModel& grid,
                          StatusState& state);
