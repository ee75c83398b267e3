#include <gtest/gtest.h>

#include "overlay/core/dump_analysis.h"
#include "overlay/core/inspection_record.h"
#include "overlay/core/overlay_layout.h"

namespace {

// A dump line as the server lays it out: the name padded to 21 columns, a
// separator, then the value.
std::string L(std::string name, const std::string& value) {
  name.resize(21, ' ');
  return name + ":" + value;
}

std::string Record(const std::vector<std::string>& lines) {
  std::string body;
  for (size_t i = 0; i < lines.size(); ++i) body += (i ? "\n" : "") + lines[i];
  return body;
}

DumpAnalysis One(const std::string& name, const std::string& value) { return AnalyseDump(L(name, value)); }

struct CheckCase {
  const char* name;
  const char* allowed;
  const char* forbidden;
  const char* forbiddenCode;  // includes the letters of checks whose shape the name also has
};

// Each setting with a value its check allows and one it forbids.
const CheckCase kCheckCases[] = {
    {"r_light_nolight", "0", "1", "A"},     {"r_lockpvs", "0", "1", "L"},
    {"r_showSmp", "0", "1", "M"},           {"r_farplane", "0", "1", "F"},
    {"r_farplane_nocull", "0", "1", "N"},   {"r_farplane_nofog", "0", "1", "G"},
    {"r_novis", "0", "1", "H"},             {"r_lightmap", "0", "1", "R"},
    {"cg_te_dietouch", "0", "1", "D"},      {"r_fullbright", "0", "1", "B"},
    {"cg_acidtrip", "0", "1", "T"},         {"cg_3rd_person", "0", "1", "S"},
    {"cg_lagometer", "0", "1", "E"},        {"cg_forcemodel", "0", "1", "Z"},
    {"cg_forceModel", "0", "1", "Z"},       {"g_showbullettrace", "0", "1", "d"},
    {"cheats", "0", "1", "W"},              {"r_vertexlight", "0", "1", "c"},
    {"r_nocull", "0", "1", "bt1"},          {"r_useglfog", "1", "0", "a"},
    {"r_mapOverBrightBits", "1", "2", "U"}, {"r_intensity", "1", "3", "X"},
    {"developers", "0", "1", "d"},          {"r_picmip", "3", "4", "V"},
    {"r_light_showgrid", "0", "1", "e"},    {"r_light_sun_line", "0", "1", "e1f"},
    {"r_light_lines", "0", "1", "g"},       {"r_entlightmap", "0", "1", "h"},
    {"r_directedScale", "1", "2", "j"},     {"r_ambientScale", "0.5", "0.6", "k"},
    {"r_fastsky", "0", "1", "ms1"},         {"r_shownormals", "0", "1", "n"},
    {"r_showtris", "0", "1", "p"},          {"r_overbrightbits", "0", "1", "r"},
    {"r_showsky", "0", "1", "M1s"},         {"r_nobind", "0", "1", "b1t"},
    {"r_noportals", "0", "1", "uw1"},       {"r_portalonly", "0", "1", "v"},
    {"r_norefresh", "0", "1", "u1w"},       {"r_singleshader", "0", "1", "x"},
    {"r_znear", "3", "2", "y"},             {"r_flaresize", "40", "41", "z"},
    {"r_flarefade", "7", "8", "i"},         {"r_drawworld", "1", "0", "q"},
};

// The nine view settings whose "hacked" values make up the known prefixes.
std::vector<std::string> HackedViewSettings(const std::vector<std::string>& names) {
  std::vector<std::string> lines;
  for (const auto& n : names) lines.push_back(L(n, "hacked"));
  return lines;
}

}  // namespace

TEST(DumpChecks, EachSettingFlagsItsForbiddenValueAndCountsItsAllowedOne) {
  for (const auto& c : kCheckCases) {
    SCOPED_TRACE(c.name);
    const DumpAnalysis allowed = One(c.name, c.allowed);
    EXPECT_EQ(allowed.hackCode, "");
    EXPECT_EQ(allowed.okCount, 1);
    const DumpAnalysis forbidden = One(c.name, c.forbidden);
    EXPECT_EQ(forbidden.hackCode, c.forbiddenCode);
    EXPECT_EQ(forbidden.okCount, 0);
  }
}

TEST(DumpChecks, RainIsNeverCountedAndOnlyZeroIsForbidden) {
  EXPECT_EQ(One("cg_rain", "0").hackCode, "Q");
  EXPECT_EQ(One("cg_rain", "1").hackCode, "");
  EXPECT_EQ(One("cg_rain", "").hackCode, "") << "an empty value becomes 1";
  for (const char* v : {"0", "1", "", "hacked"}) EXPECT_EQ(One("cg_rain", v).okCount, 0) << v;
}

TEST(DumpChecks, HackedGivesTheLetterThenLetterTwoAndCountsOnce) {
  const DumpAnalysis a = One("r_fullbright", "hacked");
  EXPECT_EQ(a.hackCode, "BB2");
  EXPECT_EQ(a.okCount, 1);
  EXPECT_EQ(One("cg_forceModel", "hacked").hackCode, "ZZ2");
  EXPECT_EQ(One("r_nobind", "hacked").hackCode, "b1tt2");
  EXPECT_EQ(One("cg_rain", "hacked").hackCode, "QQ2");
  EXPECT_EQ(One("r_fullbright", "Hacked").hackCode, "B") << "case-sensitive text comparison";
  EXPECT_EQ(One("r_fullbrigxt", "hacked").hackCode, "B1") << "a look-alike never takes the 2";
}

TEST(DumpChecks, LookAlikesTakeLetterOne) {
  EXPECT_EQ(One("r_fullbrigxt", "1").hackCode, "B1");
  EXPECT_EQ(One("r_fullbrigxt", "1").okCount, 0) << "look-alikes are never counted";
  EXPECT_EQ(One("r_fullbrigxt", "0").hackCode, "");
  EXPECT_EQ(One("rXfullbright", "1").hackCode, "") << "differs at a compared position";
  EXPECT_EQ(One("r_fullbrightt", "1").hackCode, "") << "other length";
  EXPECT_EQ(One("cXXXXX", "1").hackCode, "W1") << "cheats compares only its first character";
  EXPECT_EQ(One("r_usexlfog", "").hackCode, "a1") << "empty look-alike becomes 0, below the allowed 1";
  EXPECT_EQ(One("R_fullbright", "1").hackCode, "B1") << "another letter case is a look-alike, not the setting";
}

TEST(DumpChecks, EmptyValuesTakeTheTableNumbers) {
  const DumpAnalysis znear = One("r_znear", "");
  EXPECT_EQ(znear.okCount, 1);
  EXPECT_EQ(znear.hackCode, "y");
  const DumpAnalysis fog = One("r_useglfog", "");
  EXPECT_EQ(fog.okCount, 1);
  EXPECT_EQ(fog.hackCode, "");
  const DumpAnalysis intensity = One("r_intensity", "2");
  EXPECT_EQ(intensity.okCount, 1);
  EXPECT_EQ(intensity.hackCode, "X");
  EXPECT_EQ(One("r_intensity", "").hackCode, "");
  EXPECT_EQ(One("r_fullbright", "").hackCode, "");
  EXPECT_EQ(One("r_fullbright", "   ").okCount, 1) << "blanks only is empty";
}

TEST(DumpChecks, ValuesThatAreNotPlainDecimalsMeetEveryTest) {
  static const std::string kHuge(400, '9');
  // Fraction digits past what a double can hold add nothing; they never become whole digits.
  static const std::string kTinyFraction = "0." + std::string(400, '0') + "5";
  static const std::string kLongFraction = "2." + std::string(400, '0') + "1";
  struct {
    const char* name;
    const char* value;
    int ok;
    const char* code;
  } const cases[] = {
      {"r_fullbright", "+0", 1, ""},          {"r_fullbright", "-0.0", 1, ""},
      {"r_fullbright", "-1", 0, ""},          {"r_ambientScale", "0.50", 1, ""},
      {"r_ambientScale", ".5", 1, ""},        {"r_drawworld", "1.", 1, ""},
      {"r_znear", "003", 1, ""},              {"r_fullbright", "abc", 1, "B"},
      {"r_fullbright", "1e0", 1, "B"},        {"r_fullbright", "0x0", 1, "B"},
      {"r_fullbright", "1,0", 1, "B"},        {"r_fullbright", "-", 1, "B"},
      {"r_fullbright", ".", 1, "B"},          {"r_fullbright", "0 0", 1, "B"},
      {"r_fullbright", "0\r", 1, "B"},        {"r_picmip", kHuge.c_str(), 0, "V"},
      {"r_intensity", kTinyFraction.c_str(), 1, ""}, {"r_intensity", kLongFraction.c_str(), 1, "X"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " = " + c.value);
    const DumpAnalysis a = One(c.name, c.value);
    EXPECT_EQ(a.okCount, c.ok);
    EXPECT_EQ(a.hackCode, c.code);
  }
}

TEST(DumpChecks, LettersFollowLinesThenChecksAndScannedSitsBetweenChecks22And23) {
  const DumpAnalysis a = AnalyseDump(Record({L("r_picmip", "9"), L("scanned", "whatever"), L("developers", "1"),
                                             L("r_fullbright", "1")}));
  EXPECT_EQ(a.hackCode, "VYdB");
}

TEST(DumpLines, ColumnsShortLinesAndLineFeeds) {
  const DumpLine full = SplitDumpLine("  name               x  Alice Smith  ");
  EXPECT_EQ(full.name, "name");
  EXPECT_EQ(full.value, "Alice Smith");
  EXPECT_EQ(SplitDumpLine("  r_fullbright  ").name, "r_fullbright") << "shorter than 22: all name";
  EXPECT_EQ(SplitDumpLine("  r_fullbright  ").value, "");
  EXPECT_EQ(SplitDumpLine(L("r_fullbright", "")).value, "") << "exactly 22 characters";
  EXPECT_EQ(SplitDumpLine("").name, "");

  const DumpAnalysis a = AnalyseDump("a\r\nb\n");
  ASSERT_EQ(a.lines.size(), 3u) << "only line feeds separate; a final one gives an empty item";
  EXPECT_EQ(a.lines[0], "a\r");
  EXPECT_EQ(a.lines[2], "");
  EXPECT_EQ(AnalyseDump("").lines.size(), 1u);

  // A flood of lines keeps a bounded list, yet every line is still checked.
  const DumpAnalysis flood = AnalyseDump(std::string(100000, '\n') + L("r_fullbright", "1"));
  EXPECT_EQ(flood.lines.size(), kMaxListedLines);
  EXPECT_EQ(flood.hackCode, "B");
}

TEST(DumpLines, SpecialLinesAndMacVersion) {
  const std::string mac = std::string(35, 'x') + "MacOS";
  const DumpAnalysis a = AnalyseDump(Record({L("name", "Alice"), L("dm_playermodel", "american_army"),
                                             L("dm_playergermanmodel", "german_panzer"), L("version", mac),
                                             L("Name", "Other")}));
  EXPECT_EQ(a.name, "Alice");
  EXPECT_EQ(a.alliedModel, "american_army");
  EXPECT_EQ(a.axisModel, "german_panzer");
  EXPECT_TRUE(a.macClient);
  EXPECT_FALSE(One("version", mac.substr(1)).macClient) << "MacOS at 35 to 39";
  EXPECT_FALSE(One("version", std::string(35, 'x') + "MacO").macClient);
  EXPECT_TRUE(One("version", mac + " 1.11").macClient);
  EXPECT_FALSE(One("version", std::string(35, 'x') + "macos").macClient);
}

TEST(DumpPrefixes, KnownPrefixesAreRemovedInOrder) {
  const std::string p1 = "RR2MM2HH2LL2FF2NN2GG2SS2TT2";
  const std::string p5 = "SS2RR2MM2HH2LL2FF2NN2GG2TT2";
  EXPECT_EQ(RemoveKnownPrefixes(p1 + "B"), "B");
  EXPECT_EQ(RemoveKnownPrefixes(p1), "");
  EXPECT_EQ(RemoveKnownPrefixes("ZRR2MM2HH2LL2FF2NN2GG2SS2TT2"), "");
  EXPECT_EQ(RemoveKnownPrefixes("ZSS2RR2MM2HH2LL2FF2NN2GG2TT2y"), "y");
  EXPECT_EQ(RemoveKnownPrefixes("RR2ZMM2HH2LL2FF2NN2GG2SS2TT2"), "");
  EXPECT_EQ(RemoveKnownPrefixes("SS2ZRR2MM2HH2LL2FF2NN2GG2TT2q"), "q");
  EXPECT_EQ(RemoveKnownPrefixes(p1 + p5 + "B"), "B") << "each is tried on what the one before left";
  EXPECT_EQ(RemoveKnownPrefixes(p5 + p1), p1) << "an earlier prefix is not tried again";
  EXPECT_EQ(RemoveKnownPrefixes("B" + p1), "B" + p1);

  // The pattern really comes from hacked view settings in the order they arrive.
  const DumpAnalysis a = AnalyseDump(Record(HackedViewSettings(
      {"r_lightmap", "r_showSmp", "r_novis", "r_lockpvs", "r_farplane", "r_farplane_nocull", "r_farplane_nofog",
       "cg_3rd_person", "cg_acidtrip"})));
  EXPECT_EQ(a.hackCode, p1);
}

namespace {

struct Grid {
  GridModel grid;
  Grid() {
    SetupGridHeadings(grid, GridMode::AllData);
    grid.SetRows(4);
    grid.SetText(1, kNameCol, "Alice", CellAlign::Left);
    grid.SetText(1, kIpCol, "10.0.0.5", CellAlign::Center);
    grid.SetText(2, kNameCol, "Bob", CellAlign::Left);
  }
  // The whole analysis with the pause left out.
  void Dump(const std::string& body) {
    const DumpAnalysis a = AnalyseDump(body);
    if (StartVerdict(a, grid)) FinishVerdict(a, grid);
  }
  const GridCell& At(int row, int col) { return *grid.Cell(row, col); }
};

// n different settings at allowed values, none of them cg_rain.
std::vector<std::string> CleanLines(int n) {
  std::vector<std::string> lines;
  for (const auto& c : kCheckCases) {
    if (static_cast<int>(lines.size()) == n) break;
    if (std::string(c.name) != "cg_forceModel") lines.push_back(L(c.name, c.allowed));
  }
  return lines;
}

std::vector<std::string> With(std::vector<std::string> lines, const std::vector<std::string>& more) {
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

const std::string kMacVersion = "Medal of Honor Allied Assault 1.11 MacOS";

}  // namespace

TEST(DumpVerdict, HackCodeInDarkRedAndSkins) {
  Grid g;
  g.Dump(Record({L("name", "Alice"), L("r_fullbright", "1"), L("dm_playermodel", "us_army"),
                 L("dm_playergermanmodel", "german_waffenss")}));
  EXPECT_EQ(g.At(1, kHackCodeCol).text, "B");
  EXPECT_EQ(g.At(1, kHackCodeCol).color, kDarkRed);
  EXPECT_EQ(g.At(1, kHackCodeCol).align, CellAlign::Center);
  EXPECT_EQ(g.At(1, kAlliedSkinsCol).text, "us_army");
  EXPECT_EQ(g.At(1, kAlliedSkinsCol).align, CellAlign::Left);
  EXPECT_EQ(g.At(1, kAxisSkinsCol).text, "german_waffenss");
  EXPECT_EQ(g.At(1, kIpCol).text, "10.0.0.5");
  EXPECT_EQ(g.At(2, kHackCodeCol).text, "") << "only the named player's row";
}

TEST(DumpVerdict, CleanDumpNeedsMoreThan21AllowedSettings) {
  Grid g;
  g.Dump(Record(With({L("name", "Alice")}, CleanLines(21))));
  EXPECT_EQ(g.At(1, kHackCodeCol).text, "");
  g.Dump(Record(With({L("name", "Alice")}, CleanLines(22))));
  EXPECT_EQ(g.At(1, kHackCodeCol).text, "(HC)");
  EXPECT_EQ(g.At(1, kHackCodeCol).color, kDarkBlue);

  Grid prefix;
  prefix.Dump(Record(With(With({L("name", "Alice")}, CleanLines(22)),
                          HackedViewSettings({"r_lightmap", "r_showSmp", "r_novis", "r_lockpvs", "r_farplane",
                                              "r_farplane_nocull", "r_farplane_nofog", "cg_3rd_person",
                                              "cg_acidtrip"}))));
  EXPECT_EQ(prefix.At(1, kHackCodeCol).text, "(HC)") << "a code that is only a known prefix leaves none";
}

TEST(DumpVerdict, MacStaysOnlyWhenNothingFollows) {
  Grid few;
  few.Dump(Record({L("name", "Alice"), L("version", kMacVersion), L("r_fullbright", "0")}));
  EXPECT_EQ(few.At(1, kHackCodeCol).text, "MAC");
  EXPECT_EQ(few.At(1, kHackCodeCol).align, CellAlign::Center);

  Grid hacked;
  hacked.Dump(Record({L("name", "Alice"), L("version", kMacVersion), L("r_fullbright", "1")}));
  EXPECT_EQ(hacked.At(1, kHackCodeCol).text, "B");

  Grid clean;
  clean.Dump(Record(With({L("name", "Alice"), L("version", kMacVersion)}, CleanLines(22))));
  EXPECT_EQ(clean.At(1, kHackCodeCol).text, "(HC)");

  Grid pc;
  pc.Dump(Record({L("name", "Alice"), L("version", "Medal of Honor Allied Assault 1.11 Win32")}));
  EXPECT_EQ(pc.At(1, kHackCodeCol).text, "");
}

TEST(DumpVerdict, TolvaneMarkerNeedsAllThreeValues) {
  static const std::string kRoundsJustBelow = "9999." + std::string(400, '0') + "1";
  struct {
    const char* t;
    const char* t1;
    const char* rounds;
    bool marked;
  } const cases[] = {
      {"1", "1", "10001", true},  {"x", "y", "20000abc", true}, {"1", "1", "10000", false},
      {"0", "1", "20000", false}, {"1", "0", "20000", false},   {"", "1", "20000", false},
      {"1", "", "20000", false},  {"1", "1", "", false},        {"00", "1", "10000.5", true},
      {"1", "1", kRoundsJustBelow.c_str(), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.t) + "/" + c.t1 + "/" + c.rounds);
    Grid g;
    g.Dump(Record(With({L("name", "Alice"), L("T", c.t), L("t1", c.t1), L("UI_RoundsDrop", c.rounds)},
                       CleanLines(22))));
    const GridCell& ip = g.At(1, kIpCol);
    if (c.marked) {
      EXPECT_EQ(ip.text, "Tolvane");
      EXPECT_TRUE(ip.bold);
      EXPECT_EQ(ip.color, kDarkGreen);
      EXPECT_EQ(ip.align, CellAlign::Center);
      EXPECT_EQ(g.At(1, kHackCodeCol).text, "") << "no \"(HC)\" with the marker";
    } else {
      EXPECT_EQ(ip.text, "10.0.0.5");
      EXPECT_EQ(g.At(1, kHackCodeCol).text, "(HC)");
    }
  }
}

TEST(DumpVerdict, NothingIsWrittenWithoutAMatchingRowOrColumns) {
  Grid g;
  g.Dump(Record({L("name", "alice"), L("r_fullbright", "1")}));
  g.Dump(Record({L("r_fullbright", "1")}));
  g.Dump(Record({L("name", ""), L("r_fullbright", "1")}));
  for (int row = 1; row < g.grid.Rows(); ++row) EXPECT_EQ(g.At(row, kHackCodeCol).text, "") << row;

  GridModel namesOnly;
  SetupGridHeadings(namesOnly, GridMode::NamesOnly);
  namesOnly.SetRows(2);
  namesOnly.SetText(1, kNameCol, "Alice", CellAlign::Left);
  const DumpAnalysis a = AnalyseDump(Record({L("name", "Alice"), L("version", kMacVersion)}));
  EXPECT_FALSE(StartVerdict(a, namesOnly));
  FinishVerdict(a, namesOnly);
  EXPECT_EQ(namesOnly.Cols(), 2);
}

TEST(DumpVerdict, ARecordHandledDuringThePauseLeavesBothVerdictsRight) {
  GridModel grid;
  PlayerGridState state;
  state.mode = GridMode::AllData;
  SetupGridHeadings(grid, GridMode::AllData);
  const auto line = [](int client, const std::string& name) {
    return FormatPlayerLine({.client = client, .ping = 50, .name = name, .address = "10.0.0.5:12203"});
  };
  const std::string heads = "hostname: x\nmap: dm/mohdm6\nnum score ping name\n--- -----\n";
  DecodeInspectionRecord(heads + line(0, "Alice") + "\n" + line(1, "Bob"), grid, state);

  const DumpAnalysis alice = AnalyseDump(Record({L("name", "Alice"), L("version", kMacVersion), L("cheats", "1")}));
  ASSERT_TRUE(StartVerdict(alice, grid));
  EXPECT_EQ(grid.Text(1, kHackCodeCol), "MAC");

  // During Alice's pause: Bob's dump, and an inspection record that moves
  // Alice.
  const DumpAnalysis bob = AnalyseDump(Record(With({L("name", "Bob")}, CleanLines(22))));
  ASSERT_TRUE(StartVerdict(bob, grid));
  FinishVerdict(bob, grid);
  DecodeInspectionRecord(heads + line(1, "Bob") + "\n" + line(4, "Alice"), grid, state);

  FinishVerdict(alice, grid);
  EXPECT_EQ(grid.Text(5, kHackCodeCol), "W") << "Alice's verdict follows her to her new row";
  EXPECT_EQ(grid.Text(2, kHackCodeCol), "(HC)");

  // Gone by the end of the pause: nothing written anywhere.
  const DumpAnalysis again = AnalyseDump(Record({L("name", "Alice"), L("r_lockpvs", "1")}));
  ASSERT_TRUE(StartVerdict(again, grid));
  DecodeInspectionRecord(heads + line(1, "Bob"), grid, state);
  FinishVerdict(again, grid);
  for (int row = 1; row < grid.Rows(); ++row) EXPECT_NE(grid.Text(row, kHackCodeCol), "L") << row;
}
