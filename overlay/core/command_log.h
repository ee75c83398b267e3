#pragma once
// The administrator's record: one line for every command that went out on the
// link. Here the line's layout and when the file is renewed; the Windows layer
// writes the file.
#include <cstdint>
#include <string>
#include <string_view>

// Before a line would take the log past this size, the log is renamed to the
// old log (replacing it) and a new one starts.
constexpr uint64_t kCommandLogLimit = 1024 * 1024;

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// One command as the action window showed it. The client is empty for a map
// change, which concerns no player; name and address are empty when the
// picked key's row was empty.
struct CommandRecord {
  std::string menuLine;  // "K - Kick"
  std::string client;
  std::string name;
  std::string address;
  std::string map;  // the map of a map change
  std::string command;
};

// "2024-05-01 21:14:03<TAB>K - Kick<TAB>3<TAB>Dora<TAB>10.0.0.1<TAB><TAB>K3KO4"
// and CR LF. A tab, CR or LF inside a field (a player's name comes from the
// server) becomes a blank, so that every line keeps its seven columns.
std::string FormatLogLine(const LocalTime& time, const CommandRecord& record);

// True when a log of logSize bytes must be renewed before a line of lineSize
// bytes is added. An empty log takes any line.
bool LogNeedsRollover(uint64_t logSize, uint64_t lineSize);

// What goes before a new line, given the log's last bytes: a line cut short
// by a crash is ended first, so that it does not swallow the next one.
std::string_view LogLineLead(std::string_view tail);

// The log as the key steps see it.
class CommandLog {
 public:
  virtual ~CommandLog() = default;
  // False when no log could take the line.
  virtual bool Append(const CommandRecord& record) = 0;
};
