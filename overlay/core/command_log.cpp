#include "overlay/core/command_log.h"

#include <cstdio>

namespace {

void AppendField(std::string& line, std::string_view field) {
  for (char c : field) line += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
}

}  // namespace

std::string FormatLogLine(const LocalTime& t, const CommandRecord& r) {
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  std::string line = stamp;
  for (const std::string* field : {&r.menuLine, &r.client, &r.name, &r.address, &r.map, &r.command}) {
    line += '\t';
    AppendField(line, *field);
  }
  line += "\r\n";
  return line;
}

bool LogNeedsRollover(uint64_t logSize, uint64_t lineSize) {
  return logSize > 0 && (logSize >= kCommandLogLimit || lineSize > kCommandLogLimit - logSize);
}

std::string_view LogLineLead(std::string_view tail) {
  if (tail.empty() || tail.ends_with('\n')) return {};
  return tail.ends_with('\r') ? "\n" : "\r\n";
}
