#include "overlay/core/map_list.h"

std::vector<std::string> BuildMapLines(const std::string& mapList) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < mapList.size()) {
    size_t end = mapList.find_first_of(", ", start);
    if (end == std::string::npos) end = mapList.size();
    if (end > start) {
      size_t k = lines.size();
      char letter = static_cast<char>('A' + (k < 19 ? k : 19));
      lines.push_back(std::string(1, letter) + " - " + mapList.substr(start, end - start));
    }
    start = end + 1;
  }
  lines.push_back("Z - Cancel");
  return lines;
}
