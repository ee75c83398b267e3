#pragma once
// Demo players of the inspection-server stand-in and the records built from
// them: the "SD" inspection record, the "DU" settings dump, and a plain-words
// reading of the command texts that the overlay sends back.
#include <string>
#include <utility>
#include <vector>

struct DemoPlayer {
  int client = 0;
  int score = 0;
  int ping = 0;
  std::string name;
  std::string address;  // "10.0.0.5:12203", at most 21 characters
  std::vector<std::pair<std::string, std::string>> settings;  // in dump order
  std::string alliedModel, axisModel;
  std::string team = "Allied";
};

// The stand-in's game: who is on, and the map it reports.
struct DemoGame {
  std::vector<DemoPlayer> players;
  std::string map = "dm/mohdm6";
};

// A handful of players with client numbers out of order and with gaps; some
// carry settings the overlay flags, others come out clean.
std::vector<DemoPlayer> DemoPlayers();

// "SD", four heading lines (the map in the second), then one fixed-column
// line per player, joined by line feeds.
std::string InspectionRecord(const std::vector<DemoPlayer>& players, const std::string& map = "dm/mohdm6");

// The player's line in the inspection record, in the server's columns.
std::string PlayerLine(const DemoPlayer& p);

// "DU" and one line per setting: the name padded to 21 characters, a blank,
// the value. Starts with "name", the two model settings and "version" (taken
// from a "version" setting when the player has one, else a Windows build).
std::string DumpRecord(const DemoPlayer& p);

// What a command text from the overlay asks for, e.g. "K3KO4" gives
// "kick client 3"; anything unrecognised gives "unknown command".
std::string DescribeCommand(const std::string& text);

// Carries a command out on the game: kicks, bans, disconnects and forced
// quits remove the player, team switches move him, a map change changes the
// map. Returns what changed in plain words, or empty when nothing did.
std::string ApplyCommand(DemoGame& game, const std::string& text);
