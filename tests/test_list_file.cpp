#include <gtest/gtest.h>

#include "launcher/core/list_file.h"

namespace {

using Entries = std::vector<std::string>;

struct ReadCase {
  const char* name;
  std::string content;
  Entries entries;
};

}  // namespace

TEST(ListFile, ReadingKeepsEntriesAndSkipsCommentsAndBlanks) {
  const ReadCase cases[] = {
      {"editor header", "//Do not Remove this line\r\nAlice\r\nBob\r\n", {"Alice", "Bob"}},
      {"launch header", "//Part of Kestrun ... Do not Remove this line\r\nAlice\r\nBob\r\n", {"Alice", "Bob"}},
      {"blanks before slashes make an entry", "//h\r\n  //x\r\n", {"//x"}},
      {"comment mid-file", "//h\r\nA\r\n//B\r\nC\r\n", {"A", "C"}},
      {"outer blanks trimmed, inner kept", "//h\r\n   John Smith  \r\n", {"John Smith"}},
      {"LF only is one piece", "Alice\nBob\n", {"Alice\nBob\n"}},
      {"LF only beginning with a comment", "//h\nAlice\nBob\n", {}},
      {"CR alone does not split", "//h\r\nA\rB\r\n", {"A\rB"}},
      {"duplicates kept in order", "//h\r\nB\r\nA\r\nB\r\n", {"B", "A", "B"}},
      {"blank-only and empty lines", "//h\r\n   \r\n\r\nA\r\n \r\n", {"A"}},
      {"tabs are not blanks", "//h\r\n\tA \t\r\n\t\r\n", {"\tA \t", "\t"}},
      {"empty content", "", {}},
      {"header only", "//Do not Remove this line\r\n", {}},
      {"no final CR LF", "//h\r\nA\r\nB", {"A", "B"}},
      {"no header at all", "A\r\nB\r\n", {"A", "B"}},
      {"single slash is not a comment", "/A\r\n / /\r\n", {"/A", "/ /"}},
      {"NUL inside an entry", std::string("//h\r\nA\0B\r\n", 10), {std::string("A\0B", 3)}},
      {"CR LF split across a lone CR", "//h\r\r\nA\r\n", {"A"}},  // "//h\r" is the comment
      {"server address with port", "//h\r\n10.0.0.1:12203\r\n", {"10.0.0.1:12203"}},
  };
  for (const ReadCase& c : cases) {
    EXPECT_EQ(ParseListFile(c.content), c.entries) << c.name;
  }
}

TEST(ListFile, FormattingWritesExactBytes) {
  struct {
    const char* name;
    std::string header;
    Entries entries;
    std::string bytes;
  } cases[] = {
      {"entries in order", kEditorHeader, {"Alice", "Bob"}, "//Do not Remove this line\r\nAlice\r\nBob\r\n"},
      {"launch header", kLaunchPlayerHeader, {"A"}, "//Part of Kestrun ... Do not Remove this line\r\nA\r\n"},
      {"no entries", kEditorHeader, {}, "//Do not Remove this line\r\n"},
      {"empty entries dropped", kEditorHeader, {"", "A", "", "B", ""}, "//Do not Remove this line\r\nA\r\nB\r\n"},
      {"blanks written as they are", "//h", {" A ", "  "}, "//h\r\n A \r\n  \r\n"},
      {"a comment-like entry after a blank", "//h", {"//x", "a//b"}, "//h\r\n //x\r\na//b\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatListFile(c.header, c.entries), c.bytes) << c.name;
  }
}

TEST(ListFile, WrittenListsReadBackTrimmed) {
  struct {
    Entries written;
    Entries read;
  } cases[] = {
      {{}, {}},
      {{"Alice"}, {"Alice"}},
      {{" John Smith ", "", "Bob", "Bob"}, {"John Smith", "Bob", "Bob"}},
      {{"10.0.0.1:12203", "\tpw", "a\nb", "x\ry"}, {"10.0.0.1:12203", "\tpw", "a\nb", "x\ry"}},
      {{"   ", "A"}, {"A"}},       // written, but blank on reading
      {{"//x", " //y"}, {"//x", "//y"}},  // names that look like comments stay
      {{"  //Sniper"}, {"//Sniper"}},
  };
  for (const auto& c : cases) {
    for (const char* header : {kEditorHeader, kLaunchPlayerHeader}) {
      EXPECT_EQ(ParseListFile(FormatListFile(header, c.written)), c.read) << header << " / " << c.written.size();
    }
  }
}
