#pragma once
// Analysis of a player's settings dump: each line is checked against the
// table of allowed values, the failed checks make up the player's hack code,
// and the verdict goes into the player's grid row. Platform-free; the window
// only supplies the pause between finding the row and writing the verdict.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "overlay/core/grid_model.h"
#include "overlay/core/overlay_layout.h"

constexpr uint32_t kDarkRed = 0x800000;
constexpr uint32_t kDarkGreen = 0x008000;
constexpr uint32_t kDarkBlue = 0x000080;

// Real dumps have a few hundred lines. Every line is checked, but a record of
// millions of empty lines must not keep millions of them.
constexpr size_t kMaxListedLines = 65536;

// Everything one record yields. Each record gets its own, so a record handled
// while another waits cannot disturb the other's result.
struct DumpAnalysis {
  std::vector<std::string> lines;  // the raw lines, in order, the first kMaxListedLines of them
  std::string name;
  std::string alliedModel;
  std::string axisModel;
  std::string version;
  bool macClient = false;
  std::string hackCode;  // as built, before the known prefixes are removed
  int okCount = 0;
  std::string roundsDrop;  // values of "ui_roundsdrop", "t" and "t1"
  std::string tValue;
  std::string t1Value;
};

// A line split into its setting name (columns 1-21) and value (from column 23),
// both trimmed. A line too short for a value is all name.
struct DumpLine {
  std::string name;
  std::string value;
};
DumpLine SplitDumpLine(std::string_view line);

// True for a plain decimal: optional sign, digits, optional fraction.
bool ParseDumpNumber(std::string_view text, double& out);

// The number a text begins with, 0 when it begins with none.
double LeadingNumber(std::string_view text);

// Splits the record into lines and runs every line through the checks.
DumpAnalysis AnalyseDump(const std::string& body);

// The hack code with the known prefixes removed, in their order.
std::string RemoveKnownPrefixes(const std::string& hackCode);

// True when "t" and "t1" are both set to anything but empty or "0", and
// "ui_roundsdrop" begins with a number above 10000.
bool TolvaneMarked(const DumpAnalysis& analysis);

// The first row from 1 on whose "Name" cell equals name exactly; -1 if none.
int FindPlayerRow(const GridModel& grid, const std::string& name);

// True when the grid has the columns a verdict writes (all-data mode).
bool GridShowsVerdicts(const GridModel& grid);

// Before the pause: finds the player's row and writes "MAC" for a Mac client.
// False when the verdict has nowhere to go (no name, no row, names-only grid).
bool StartVerdict(const DumpAnalysis& analysis, GridModel& grid);

// After the pause: finds the row again, since records handled meanwhile may
// have moved or removed the player, and writes the marker, the hack code or
// "(HC)", and the two skins. Nothing is written when the player is gone.
void FinishVerdict(const DumpAnalysis& analysis, GridModel& grid);
