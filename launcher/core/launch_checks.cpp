#include "launcher/core/launch_checks.h"

#include "common/core/text.h"

int FirstBadAddressCharacter(std::string_view address) {
  for (size_t i = 0; i < address.size(); ++i) {
    const char c = address[i];
    if (!((c >= '0' && c <= '9') || c == '.' || c == ':')) return static_cast<int>(i + 1);
  }
  return 0;
}

std::string BadAddressMessage(int position) {
  return "Server IP does not appear to be valid. Check digit number " + std::to_string(position);
}

bool IsNewListEntry(const std::vector<std::string>& list, const std::string& text) {
  const std::string trimmed = TrimBlanks(text);
  if (trimmed.empty()) return false;
  for (const std::string& entry : list) {
    if (TrimBlanks(entry) == trimmed) return false;
  }
  return true;
}

std::string SpearheadName(std::string name) {
  for (char& c : name) {
    if (c == ' ') c = '_';
  }
  return name;
}

namespace {
// Windows takes "/" wherever it takes "\": "d:/games/mohaa" is a full path.
bool IsSeparator(char c) { return c == '\\' || c == '/'; }
}  // namespace

bool IsFullPath(std::string_view path) {
  const bool drive = path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                     path[1] == ':' && IsSeparator(path[2]);
  const bool share = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
  return drive || share;
}
