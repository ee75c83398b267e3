#pragma once
// The layout of the launcher's list files: a header line beginning with "//",
// then one entry per line, every line ending in CR LF.
#include <string>
#include <vector>

constexpr const char* kEditorHeader = "//Do not Remove this line";
constexpr const char* kLaunchPlayerHeader = "//Part of Kestrun ... Do not Remove this line";

// Splits at CR LF only; skips pieces that are blank or begin with "//"; the
// other pieces are the entries, blanks trimmed from both ends, in file order.
std::vector<std::string> ParseListFile(const std::string& content);

// Header + CR LF, then every non-empty entry + CR LF; an entry beginning with
// "//" gets one blank before it so that it reads back as an entry.
std::string FormatListFile(const std::string& header, const std::vector<std::string>& entries);
