#include "overlay/core/dump_analysis.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "common/core/text.h"

namespace {

constexpr size_t kNameColumns = 21;
constexpr size_t kValueStart = 22;  // column 23
constexpr int kMarkerRounds = 10000;
constexpr int kCleanDumpMinimum = 21;  // more allowed settings than this and no code: "(HC)"

enum class Op { Never, Eq, Lt, Gt, Ne };

struct ValueTest {
  Op op;
  double limit;
};

// One row of the check table. Positions are 1-based and inclusive.
struct DumpCheck {
  std::string_view name;
  std::string_view otherName;  // a second exact spelling, or empty
  const char* letter;
  int first;
  int last;
  ValueTest allowed;
  int exactEmpty;  // what an empty value becomes in each branch
  int lookAlikeEmpty;
  ValueTest forbidden;
};

constexpr ValueTest kNever{Op::Never, 0};
constexpr ValueTest Eq(double v) { return {Op::Eq, v}; }
constexpr ValueTest Lt(double v) { return {Op::Lt, v}; }
constexpr ValueTest Gt(double v) { return {Op::Gt, v}; }
constexpr ValueTest Ne(double v) { return {Op::Ne, v}; }

// The order of the rows is the order of the letters in the hack code.
constexpr std::array<DumpCheck, 44> kChecks = {{
    {"r_light_nolight", {}, "A", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_lockpvs", {}, "L", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_showSmp", {}, "M", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_farplane", {}, "F", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_farplane_nocull", {}, "N", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_farplane_nofog", {}, "G", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_novis", {}, "H", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_lightmap", {}, "R", 2, 4, Eq(0), 0, 0, Gt(0)},
    {"cg_te_dietouch", {}, "D", 3, 4, Eq(0), 0, 0, Gt(0)},
    {"r_fullbright", {}, "B", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"cg_acidtrip", {}, "T", 3, 4, Eq(0), 0, 0, Gt(0)},
    {"cg_3rd_person", {}, "S", 3, 4, Eq(0), 0, 0, Gt(0)},
    {"cg_lagometer", {}, "E", 3, 4, Eq(0), 0, 0, Gt(0)},
    {"cg_forcemodel", "cg_forceModel", "Z", 3, 4, Eq(0), 0, 0, Gt(0)},
    {"g_showbullettrace", {}, "d", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"cheats", {}, "W", 1, 1, Eq(0), 0, 0, Gt(0)},
    {"r_vertexlight", {}, "c", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_nocull", {}, "b", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_useglfog", {}, "a", 2, 3, Eq(1), 1, 0, Lt(1)},
    {"r_mapOverBrightBits", {}, "U", 2, 3, Eq(1), 1, 0, Gt(1)},
    {"r_intensity", {}, "X", 2, 3, Lt(3), 1, 1, Gt(1)},
    {"developers", {}, "d", 1, 1, Eq(0), 0, 0, Gt(0)},
    {"r_picmip", {}, "V", 2, 3, Lt(4), 0, 0, Gt(3)},
    {"cg_rain", {}, "Q", 3, 4, kNever, 1, 0, Eq(0)},
    {"r_light_showgrid", {}, "e", 8, 9, Lt(1), 0, 0, Gt(0)},
    {"r_light_sun_line", {}, "f", 12, 13, Lt(1), 0, 0, Gt(0)},
    {"r_light_lines", {}, "g", 8, 9, Lt(1), 0, 0, Gt(0)},
    {"r_entlightmap", {}, "h", 2, 3, Lt(1), 0, 0, Gt(0)},
    {"r_directedScale", {}, "j", 2, 3, Eq(1), 0, 0, Gt(1)},
    {"r_ambientScale", {}, "k", 2, 3, Eq(0.5), 0, 0, Gt(0.5)},
    {"r_fastsky", {}, "m", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_shownormals", {}, "n", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_showtris", {}, "p", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_overbrightbits", {}, "r", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_showsky", {}, "s", 8, 9, Eq(0), 0, 0, Gt(0)},
    {"r_nobind", {}, "t", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_noportals", {}, "u", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_portalonly", {}, "v", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_norefresh", {}, "w", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_singleshader", {}, "x", 2, 3, Eq(0), 0, 0, Gt(0)},
    {"r_znear", {}, "y", 2, 3, Eq(3), 0, 0, Ne(3)},
    {"r_flaresize", {}, "z", 2, 8, Eq(40), 0, 0, Ne(40)},
    {"r_flarefade", {}, "i", 2, 8, Eq(7), 0, 0, Ne(7)},
    {"r_drawworld", {}, "q", 2, 3, Eq(1), 0, 0, Ne(1)},
}};

// The "scanned" line's letter comes after this many checks.
constexpr size_t kScannedAfter = 22;

// What hacked values on the nine view settings produce, in the orders their
// lines arrive; removed so that the code shows what is left.
constexpr std::array<const char*, 6> kKnownPrefixes = {
    "RR2MM2HH2LL2FF2NN2GG2SS2TT2",  "ZRR2MM2HH2LL2FF2NN2GG2SS2TT2", "ZSS2RR2MM2HH2LL2FF2NN2GG2TT2",
    "RR2ZMM2HH2LL2FF2NN2GG2SS2TT2", "SS2RR2MM2HH2LL2FF2NN2GG2TT2",  "SS2ZRR2MM2HH2LL2FF2NN2GG2TT2",
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the plain decimal at the start of text (0 when there is none).
size_t DecimalLength(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    size_t j = i + 1;
    size_t fraction = 0;
    while (j < text.size() && IsDigit(text[j])) ++j, ++fraction;
    if (digits + fraction > 0) i = j;
    digits += fraction;
  }
  return digits > 0 ? i : 0;
}

// Converts a text already known to be a plain decimal.
double DecimalValue(std::string_view text, size_t length) {
  double value = 0;
  double scale = 1;
  bool fraction = false;  // not the scale: it reaches 0 in a long fraction
  bool negative = false;
  for (size_t i = 0; i < length; ++i) {
    const char c = text[i];
    if (c == '-') negative = true;
    if (c == '.') fraction = true;
    if (!IsDigit(c)) continue;
    if (fraction) {
      scale /= 10;
      value += (c - '0') * scale;
    } else {
      value = value * 10 + (c - '0');
    }
  }
  return negative ? -value : value;
}

// A value that is not a number meets every test it is put to.
bool Meets(const ValueTest& test, std::string_view value) {
  double v = 0;
  if (test.op == Op::Never) return false;
  if (!ParseDumpNumber(value, v)) return true;
  switch (test.op) {
    case Op::Eq: return v == test.limit;
    case Op::Lt: return v < test.limit;
    case Op::Gt: return v > test.limit;
    case Op::Ne: return v != test.limit;
    case Op::Never: break;
  }
  return false;
}

bool IsExactName(const DumpCheck& check, std::string_view name) {
  return name == check.name || (!check.otherName.empty() && name == check.otherName);
}

bool HasShape(const DumpCheck& check, std::string_view name) {
  if (name.size() != check.name.size()) return false;
  for (int p = check.first; p <= check.last; ++p) {
    if (name[static_cast<size_t>(p - 1)] != check.name[static_cast<size_t>(p - 1)]) return false;
  }
  return true;
}

std::string_view EmptyAs(int number) { return number ? "1" : "0"; }

struct LineView {
  std::string_view name;
  std::string_view value;
};

LineView SplitView(std::string_view line) {
  if (line.size() <= kNameColumns) return {TrimBlanksView(line), {}};
  const std::string_view value = line.substr(std::min(line.size(), kValueStart));
  return {TrimBlanksView(line.substr(0, kNameColumns)), TrimBlanksView(value)};
}

void RunCheck(const DumpCheck& check, const LineView& line, DumpAnalysis& out) {
  if (!HasShape(check, line.name)) return;
  std::string_view value = line.value;
  if (IsExactName(check, line.name)) {
    if (Meets(check.allowed, value)) ++out.okCount;
    if (value.empty()) value = EmptyAs(check.exactEmpty);
    if (Meets(check.forbidden, value)) out.hackCode += check.letter;
    if (value == "hacked") (out.hackCode += check.letter) += "2";
  } else {
    if (value.empty()) value = EmptyAs(check.lookAlikeEmpty);
    if (Meets(check.forbidden, value)) (out.hackCode += check.letter) += "1";
  }
}

void TakeSpecialLine(const LineView& line, DumpAnalysis& out) {
  if (line.name == "name") out.name = line.value;
  if (line.name == "dm_playermodel") out.alliedModel = line.value;
  if (line.name == "dm_playergermanmodel") out.axisModel = line.value;
  if (line.name == "version") {
    out.version = line.value;
    if (out.version.size() >= 40 && out.version.compare(35, 5, "MacOS") == 0) out.macClient = true;
  }
}

void TakeMarkerValue(const LineView& line, DumpAnalysis& out) {
  const size_t n = line.name.size();
  if (n != 1 && n != 2 && n != 13) return;  // "t", "t1", "ui_roundsdrop"
  const std::string lower = LowerCase(line.name);
  if (lower == "ui_roundsdrop") out.roundsDrop = line.value;
  if (lower == "t") out.tValue = line.value;
  if (lower == "t1") out.t1Value = line.value;
}

void AnalyseLine(std::string_view text, DumpAnalysis& out) {
  const LineView line = SplitView(text);
  TakeSpecialLine(line, out);
  for (size_t k = 0; k < kChecks.size(); ++k) {
    if (k == kScannedAfter && line.name == "scanned") out.hackCode += "Y";
    RunCheck(kChecks[k], line, out);
  }
  TakeMarkerValue(line, out);
}

}  // namespace

DumpLine SplitDumpLine(std::string_view line) {
  const LineView view = SplitView(line);
  return {std::string(view.name), std::string(view.value)};
}

bool ParseDumpNumber(std::string_view text, double& out) {
  const size_t length = DecimalLength(text);
  if (length == 0 || length != text.size()) return false;
  out = DecimalValue(text, length);
  return true;
}

double LeadingNumber(std::string_view text) { return DecimalValue(text, DecimalLength(text)); }

DumpAnalysis AnalyseDump(const std::string& body) {
  DumpAnalysis out;
  const std::string_view text(body);
  size_t start = 0;
  for (;;) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = text.substr(start, end - start);
    if (out.lines.size() < kMaxListedLines) out.lines.emplace_back(line);
    AnalyseLine(line, out);
    if (end == text.size()) break;
    start = end + 1;
  }
  return out;
}

std::string RemoveKnownPrefixes(const std::string& hackCode) {
  std::string code = hackCode;
  for (const char* prefix : kKnownPrefixes) {
    const std::string trimmed = TrimBlanks(code);
    const std::string_view p(prefix);
    if (trimmed.compare(0, p.size(), p) == 0) code = trimmed.substr(p.size());
  }
  return code;
}

bool TolvaneMarked(const DumpAnalysis& analysis) {
  const auto set = [](const std::string& v) { return !v.empty() && v != "0"; };
  return set(analysis.tValue) && set(analysis.t1Value) && LeadingNumber(analysis.roundsDrop) > kMarkerRounds;
}

int FindPlayerRow(const GridModel& grid, const std::string& name) {
  for (int row = 1; row < grid.Rows(); ++row) {
    if (grid.Text(row, kNameCol) == name) return row;
  }
  return -1;
}

bool GridShowsVerdicts(const GridModel& grid) { return grid.Cols() > kAxisSkinsCol; }

namespace {

void WriteCell(GridModel& grid, int row, int col, const std::string& text, CellAlign align, uint32_t color,
               bool bold) {
  GridCell* cell = grid.Cell(row, col);
  if (cell) *cell = GridCell{text, align, color, bold};
}

}  // namespace

bool StartVerdict(const DumpAnalysis& analysis, GridModel& grid) {
  if (analysis.name.empty() || !GridShowsVerdicts(grid)) return false;
  const int row = FindPlayerRow(grid, analysis.name);
  if (row < 0) return false;
  if (analysis.macClient) WriteCell(grid, row, kHackCodeCol, "MAC", CellAlign::Center, kBlack, false);
  return true;
}

void FinishVerdict(const DumpAnalysis& analysis, GridModel& grid) {
  if (analysis.name.empty() || !GridShowsVerdicts(grid)) return;
  const int row = FindPlayerRow(grid, analysis.name);
  if (row < 0) return;
  const bool marked = TolvaneMarked(analysis);
  if (marked) WriteCell(grid, row, kIpCol, "Tolvane", CellAlign::Center, kDarkGreen, true);
  const std::string code = RemoveKnownPrefixes(analysis.hackCode);
  if (!code.empty()) WriteCell(grid, row, kHackCodeCol, code, CellAlign::Center, kDarkRed, false);
  WriteCell(grid, row, kAlliedSkinsCol, analysis.alliedModel, CellAlign::Left, kBlack, false);
  WriteCell(grid, row, kAxisSkinsCol, analysis.axisModel, CellAlign::Left, kBlack, false);
  if (!marked && analysis.okCount > kCleanDumpMinimum && code.empty()) {
    WriteCell(grid, row, kHackCodeCol, "(HC)", CellAlign::Center, kDarkBlue, false);
  }
}
