#include "launcher/core/extension_table.h"

#include "common/core/text.h"

// Folders without a trailing separator are fine: ChangeExtensions appends one.
const std::array<ExtensionEntry, 30> kExtensionTable = {{
    {"\\main\\", "pkb", "pk3"},
    {"\\main\\", "cfb", "cfg"},
    {"\\main\\", "zib", "zip"},
    {"\\", "pkb", "pk3"},
    {"\\", "cfb", "cfg"},
    {"\\", "zib", "zip"},
    {"\\", "exb", "exe"},
    {"\\main\\configs\\", "cfb", "cfg"},
    {"\\main\\screenshots\\", "tgb", "tga"},
    {"\\main\\maps", "mib", "min"},
    {"\\main\\maps\\dm", "mib", "min"},
    {"\\main\\maps\\obj", "mib", "min"},
    {"\\ereg\\", "exb", "exe"},
    {"\\ereg MOHAAS\\", "exb", "exe"},
    {"\\ereg MOHAAB\\", "exb", "exe"},
    {"\\Redist\\gamespy\\", "exb", "exe"},
    {"\\mainta\\", "zib", "zip"},
    {"\\mainta\\", "pkb", "pk3"},
    {"\\mainta\\", "cfb", "cfg"},
    {"\\mainta\\configs\\", "cfb", "cfg"},
    {"\\mainta\\maps\\dm", "mib", "min"},
    {"\\mainta\\maps\\obj", "mib", "min"},
    {"\\mainta\\", "dlb", "dll"},
    {"\\maintt\\", "zib", "zip"},
    {"\\maintt\\", "pkb", "pk3"},
    {"\\maintt\\", "cfb", "cfg"},
    {"\\maintt\\configs\\", "cfb", "cfg"},
    {"\\maintt\\maps\\dm", "mib", "min"},
    {"\\maintt\\maps\\obj", "mib", "min"},
    {"\\maintt\\", "dlb", "dll"},
}};

std::string BaseName(const std::string& fileName) {
  size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) return fileName;
  return fileName.substr(0, dot);
}

bool HasExtension(const std::string& fileName, const std::string& ext) {
  size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) return false;
  return LowerCase(std::string_view(fileName).substr(dot + 1)) == LowerCase(ext);
}

std::string SwitchedOffPath(const std::string& path) {
  if (path.empty()) return path;
  std::string off = path;
  off.back() = 'b';
  return off;
}
