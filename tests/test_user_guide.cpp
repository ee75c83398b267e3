// The user's guide (package/README.txt.in) against the programs it describes.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "common/core/text.h"
#include "common/win/settings.h"
#include "launcher/core/openmohaa.h"
#include "overlay/core/command_log.h"
#include "overlay/core/player_actions.h"

namespace {

std::vector<std::string> GuideLines() {
  std::ifstream in(KESTRUN_USER_GUIDE);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A menu line as the action window shows it: a capital, " - ", a label; in
// the guide it starts a line and may be followed, after two blanks, by notes.
bool IsMenuLine(const std::string& text) {
  return text.size() > 4 && text[0] >= 'A' && text[0] <= 'Z' && text.compare(1, 3, " - ") == 0 && text[4] != ' ';
}

}  // namespace

// The overlay's section lists every line of the action menu, word for word
// and in the menu's order, and no other.
TEST(UserGuide, ListsTheActionMenuAsTheOverlayShowsIt) {
  const std::vector<std::string> lines = GuideLines();
  ASSERT_FALSE(lines.empty()) << KESTRUN_USER_GUIDE;
  std::vector<std::string> listed;
  bool inOverlaySection = false;
  for (const std::string& line : lines) {
    if (line.rfind("corvel2.exe, the overlay", 0) == 0) inOverlaySection = true;
    if (line.rfind("What the programs keep", 0) == 0) inOverlaySection = false;
    const size_t start = line.find_first_not_of(' ');
    if (!inOverlaySection || start == std::string::npos || !IsMenuLine(line.substr(start))) continue;
    const std::string text = line.substr(start);
    listed.push_back(text.substr(0, text.find("  ")));
  }
  EXPECT_EQ(listed, ActionMenuLines());
}

// The guide names OpenMoHAA's menu entry, starters and value as the launcher has them.
TEST(UserGuide, NamesOpenMohaasEntryStartersAndSetting) {
  std::string guide;
  for (const std::string& line : GuideLines()) guide += line + " ";
  for (const std::string& name : {"\"" + std::string(kOpenMohaaMenuEntry) + "\"", StarterFile(GameEdition::Spearhead),
                                  "\"" + std::string(settings::kStartWithOpenMohaa.name) + "\"",
                                  std::string(kOpenMohaaEngine)}) {
    EXPECT_NE(guide.find(name.substr(name[0] == '\\')), std::string::npos) << name;
  }
}

// The guide names each value of the remote console link as the programs store it.
TEST(UserGuide, NamesTheRemoteConsoleSettings) {
  std::string guide;
  for (const std::string& line : GuideLines()) guide += line + " ";
  for (const char* name : {settings::kOverlayLink.name, settings::kRconServer.name, settings::kRconPassword.name}) {
    EXPECT_NE(guide.find("\"" + std::string(name) + "\""), std::string::npos) << name;
  }
}

// The guide's columns of the log of commands are as many as a line has.
TEST(UserGuide, NamesEveryColumnOfTheCommandLog) {
  const std::vector<std::string> lines = GuideLines();
  size_t columns = 0;
  bool inList = false;
  for (const std::string& line : lines) {
    if (line.find("Columns, separated") != std::string::npos) {
      inList = true;
    } else if (inList && line.empty() && columns > 0) {
      break;
    } else if (inList && line.size() > 2 && line.compare(0, 2, "  ") == 0 && line[2] != ' ') {
      ++columns;
    }
  }
  const std::string sample = FormatLogLine({}, {"K - Kick", "0", "Alice", "10.0.0.5", "", "K0KO4"});
  EXPECT_EQ(columns, SplitKeepEmpty(sample, '\t').size());
}
