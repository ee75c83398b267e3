#include "overlay/core/rcon_userinfo.h"

#include "common/core/text.h"
#include "overlay/core/inspection_record.h"
#include "overlay/core/overlay_layout.h"
#include "overlay/core/rcon_status.h"

std::optional<PlayerModels> ReadDumpUser(std::string_view reply) {
  PlayerModels models;
  bool heading = false;
  size_t at = 0;
  while (at < reply.size()) {
    const size_t end = std::min(reply.find('\n', at), reply.size());
    std::string_view line = reply.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = TrimBlanksView(line);
    if (!heading) {
      heading = line == "userinfo";
      continue;
    }
    const size_t blank = line.find(' ');
    const std::string_view key = line.substr(0, blank);
    const std::string_view value = blank == std::string_view::npos ? "" : TrimBlanksView(line.substr(blank));
    if (key == "name") models.name = TrimBlanks(WithoutColourCodes(value));
    if (key == "dm_playermodel") models.alliedModel = value;
    if (key == "dm_playergermanmodel") models.axisModel = value;
  }
  if (!heading) return std::nullopt;
  return models;
}

bool ShowPlayerModels(int client, const PlayerModels& models, GridModel& grid) {
  const int row = client + 1;
  if (grid.Cols() <= kAxisSkinsCol || row < 1 || row >= grid.Rows()) return false;
  if (models.name.empty() || grid.Text(row, kNameCol) != models.name) return false;
  grid.SetText(row, kAlliedSkinsCol, models.alliedModel, CellAlign::Left);
  grid.SetText(row, kAxisSkinsCol, models.axisModel, CellAlign::Left);
  return true;
}
