#include "launcher/core/list_file.h"

#include <string_view>

#include "common/core/text.h"

namespace {

// Blank pieces and "//" comments carry no entry; the comment test looks at the
// untrimmed piece, so "  //x" is an entry.
void AddEntry(std::string_view piece, std::vector<std::string>& entries) {
  if (piece.substr(0, 2) == "//") return;
  std::string entry = TrimBlanks(piece);
  if (!entry.empty()) entries.push_back(std::move(entry));
}

}  // namespace

std::vector<std::string> ParseListFile(const std::string& content) {
  std::vector<std::string> entries;
  std::string_view rest(content);
  // Only the pair CR LF ends a line; a lone CR or LF stays inside the entry.
  for (size_t end; (end = rest.find("\r\n")) != std::string_view::npos; rest.remove_prefix(end + 2)) {
    AddEntry(rest.substr(0, end), entries);
  }
  AddEntry(rest, entries);
  return entries;
}

std::string FormatListFile(const std::string& header, const std::vector<std::string>& entries) {
  std::string body = header + "\r\n";
  for (const std::string& entry : entries) {
    if (entry.empty()) continue;
    // An entry read from "  //x" would come back as a comment and be lost;
    // the blank before it is trimmed again on reading.
    if (entry.starts_with("//")) body += ' ';
    body += entry + "\r\n";
  }
  return body;
}
