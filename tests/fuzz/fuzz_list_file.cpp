// The list-file reader: whatever the bytes, entries are trimmed, non-empty and
// free of line ends, and a list read and written back reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "launcher/core/list_file.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> entries = ParseListFile(content);
  size_t lineEnds = 0;
  for (size_t at = content.find("\r\n"); at != std::string::npos; at = content.find("\r\n", at + 2)) ++lineEnds;
  FUZZ_CHECK(entries.size() <= lineEnds + 1);
  for (const std::string& e : entries) {
    FUZZ_CHECK(!e.empty() && e.front() != ' ' && e.back() != ' ');
    FUZZ_CHECK(e.find("\r\n") == std::string::npos);
  }
  for (const char* header : {kEditorHeader, kLaunchPlayerHeader}) {
    const std::string written = FormatListFile(header, entries);
    FUZZ_CHECK(ParseListFile(written) == entries);
  }
  return 0;
}
