#include "launcher/core/game_folder.h"

namespace {

// The short 8.3 forms of the standard folder that older installers stored.
std::optional<std::string> LongFormOf(const std::string& path) {
  for (char drive : {'c', 'd', 'e', 'f'}) {
    const std::string prefix = std::string(1, drive) + ":";
    if (path == prefix + "\\progra~1\\eagame~1\\mohaa") return prefix + "\\program files\\ea games\\mohaa";
  }
  return std::nullopt;
}

}  // namespace

SettledFolder SettleGameFolder(const std::string& basepath, LowerCaseMapping lower) {
  SettledFolder settled{lower(basepath), std::nullopt};
  std::string& path = settled.folder;
  if (path.empty()) {
    path = kDefaultGameFolder;
    settled.writeBack = path;
  }
  if (auto longForm = LongFormOf(path)) {
    path = *longForm;
    settled.writeBack = path;
  }
  if (!path.empty() && path.back() == '\\') path.pop_back();
  if (path.size() >= 5 && path.compare(path.size() - 4, 4, "main") == 0) path.resize(path.size() - 5);
  return settled;
}
