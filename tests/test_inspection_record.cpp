#include <gtest/gtest.h>

#include "overlay/core/inspection_record.h"
#include "overlay/core/overlay_layout.h"

namespace {

std::string Line(int client, int ping, const std::string& name, const std::string& address) {
  return FormatPlayerLine({.client = client, .ping = ping, .name = name, .address = address});
}

const std::string kHeadings = "hostname: x\nmap: dm/mohdm6\nnum score ping name\n--- -----\n";

std::string Record(const std::vector<std::string>& lines) {
  std::string body = kHeadings;
  for (size_t i = 0; i < lines.size(); ++i) body += (i ? "\n" : "") + lines[i];
  return body;
}

struct Decoder {
  GridModel grid;
  PlayerGridState state;
  explicit Decoder(GridMode mode) {
    state.mode = mode;
    SetupGridHeadings(grid, mode);
  }
  // What the action window shows after the record, as the overlay puts it together.
  struct Shown {
    int gridHeight, windowHeight, messageLineTop;
    std::string messageLine;
  };
  Shown Decode(const std::string& body) {
    DecodeInspectionRecord(body, grid, state);
    const ActionWindowHeights h = HeightsAfterRecord(grid.Rows(), state.recordLineCount);
    return {h.gridHeight, h.windowHeight, h.messageLineTop, LastUpdateLine(state, "12:00:00")};
  }
};

}  // namespace

TEST(InspectionRecord, AliceLineFillsRowOneInAllDataMode) {
  const std::string tail = "      0 10.0.0.5:12203         1000 25000";
  ASSERT_EQ(tail.size(), 41u);
  Decoder d(GridMode::AllData);
  d.Decode(Record({"  0     0   50 Alice" + tail}));
  EXPECT_EQ(d.grid.Text(1, 0), "A");
  EXPECT_EQ(d.grid.Text(1, 1), "Alice");
  EXPECT_EQ(d.grid.Text(1, 2), "50");
  EXPECT_EQ(d.grid.Text(1, 3), "10.0.0.5");
  EXPECT_EQ(d.grid.Cell(1, 0)->align, CellAlign::Center);
  EXPECT_EQ(d.grid.Cell(1, 1)->align, CellAlign::Left);
  EXPECT_EQ(d.grid.Cell(1, 3)->align, CellAlign::Center);
  EXPECT_EQ(d.grid.Cell(0, 0)->align, CellAlign::Center) << "Key heading centred from the first record on";
  EXPECT_EQ(d.grid.Text(0, 6), "AxisSkins");
}

TEST(InspectionRecord, KeyCharacters) {
  EXPECT_EQ(KeyCharacter(0), "A");
  EXPECT_EQ(KeyCharacter(25), "Z");
  EXPECT_EQ(KeyCharacter(26), "0");
  EXPECT_EQ(KeyCharacter(35), "9");
  // Past 35 a character would repeat the letters of clients 0 to 5.
  EXPECT_EQ(KeyCharacter(36), "");
  EXPECT_EQ(KeyCharacter(43), "");
  EXPECT_EQ(KeyCharacter(-1), "");

  Decoder d(GridMode::AllData);
  d.Decode(Record({Line(36, 10, "Late", "1.2.3.4:1"), Line(26, 10, "Zero", "1.2.3.4:1")}));
  EXPECT_EQ(d.grid.Text(37, 0), "");
  EXPECT_EQ(d.grid.Text(37, 1), "Late");
  EXPECT_EQ(d.grid.Text(27, 0), "0");
}

TEST(InspectionRecord, RowPlacementInBothModes) {
  const std::string body = Record({Line(7, 10, "Seven", "1.1.1.1:1"), Line(2, 20, "Two", "2.2.2.2:2")});
  Decoder names(GridMode::NamesOnly);
  names.Decode(body);
  EXPECT_EQ(names.grid.Rows(), 3);
  EXPECT_EQ(names.grid.Cols(), 2);
  EXPECT_EQ(names.grid.Text(1, 0), "H");
  EXPECT_EQ(names.grid.Text(1, 1), "Seven");
  EXPECT_EQ(names.grid.Text(2, 0), "C");
  EXPECT_EQ(names.grid.Text(2, 1), "Two");
  EXPECT_EQ(names.state.gridClients, (std::vector<std::string>{"8", "3"}));
  EXPECT_EQ(names.state.rowsUsed, 3);

  Decoder all(GridMode::AllData);
  all.Decode(Record({Line(4, 10, "Four", "4.4.4.4:4")}));
  EXPECT_EQ(all.grid.Rows(), 6);
  EXPECT_EQ(all.grid.Text(5, 1), "Four");
  for (int r = 1; r < 5; ++r) EXPECT_EQ(all.grid.Text(r, 1), "") << r;
  EXPECT_EQ(all.state.playerTotal, 1);

  // Names-only rebuilds every row: a shorter record leaves nothing behind.
  names.Decode(Record({Line(3, 10, "Only", "1.1.1.1:1")}));
  EXPECT_EQ(names.grid.Rows(), 2);
  EXPECT_EQ(names.grid.Text(1, 1), "Only");
}

TEST(InspectionRecord, AllDataRowsKeepDumpColumnsForTheSamePlayer) {
  Decoder d(GridMode::AllData);
  d.Decode(Record({Line(1, 10, "Bob", "1.1.1.1:1"), Line(3, 10, "Cid", "3.3.3.3:3")}));
  d.grid.SetText(2, 4, "abc", CellAlign::Center);
  d.grid.SetText(4, 5, "american_army", CellAlign::Left);

  d.Decode(Record({Line(1, 99, "Bob", "1.1.1.1:1"), Line(3, 10, "Dan", "3.3.3.3:3")}));
  EXPECT_EQ(d.grid.Text(2, 4), "abc") << "same client, same name";
  EXPECT_EQ(d.grid.Text(2, 2), "99");
  EXPECT_EQ(d.grid.Text(4, 5), "") << "a new name clears the row";
  EXPECT_EQ(d.grid.Text(4, 1), "Dan");

  // A player who left has his row emptied; the grid ends after the highest row in use.
  d.Decode(Record({Line(1, 10, "Bob", "no port here")}));
  EXPECT_EQ(d.grid.Rows(), 3);
  EXPECT_EQ(d.grid.Text(2, 3), "1.1.1.1") << "an address without a colon leaves the IP cell";
  EXPECT_EQ(d.grid.Text(2, 4), "abc");
}

TEST(InspectionRecord, HeightsAndLabel) {
  struct Case {
    GridMode mode;
    std::vector<std::string> lines;
    int rows, gridHeight, windowHeight;
    std::string messageLine;
  };
  const std::vector<Case> cases = {
      {GridMode::NamesOnly, {Line(0, 1, "a", "1:1"), Line(1, 1, "b", "1:1"), Line(2, 1, "c", "1:1")}, 4, 1300, 5040,
       "Last Update - 12:00:00"},
      {GridMode::AllData, {Line(20, 1, "t", "1:1")}, 22, 5980, 6280, "Last Update - 12:00:00     Total Players: 1"},
      // No player line at all: nothing raises the window when no line came.
      {GridMode::NamesOnly, {}, 1, 520, 820, "Last Update - 12:00:00"},
      {GridMode::AllData, {}, 1, 520, 820, "Last Update - 12:00:00     Total Players: 0"},
      // A short line counts as a record line, so the floor applies.
      {GridMode::NamesOnly, {"waiting"}, 1, 520, 5040, "Last Update - 12:00:00"},
  };
  for (const Case& c : cases) {
    Decoder d(c.mode);
    std::string body = kHeadings;
    for (size_t i = 0; i < c.lines.size(); ++i) body += (i ? "\n" : "") + c.lines[i];
    if (c.lines.empty()) body.pop_back();
    const Decoder::Shown out = d.Decode(body);
    EXPECT_EQ(d.grid.Rows(), c.rows) << c.gridHeight;
    EXPECT_EQ(out.gridHeight, c.gridHeight);
    EXPECT_EQ(out.windowHeight, c.windowHeight) << c.gridHeight;
    EXPECT_EQ(out.messageLineTop, c.windowHeight - 255);
    EXPECT_EQ(out.messageLine, c.messageLine);
  }
}

TEST(InspectionRecord, OddLinesAreSkippedAndCounted) {
  Decoder d(GridMode::NamesOnly);
  d.Decode(Record({"", "short line", Line(5, 1, "Eve", "1:1"), "abc" + Line(6, 1, "Bad", "1:1"),
                   " -1" + Line(6, 1, "Neg", "1:1").substr(3), "\r"}));
  EXPECT_EQ(d.state.recordLineCount, 6);
  ASSERT_EQ(d.state.recordLines.size(), 6u);
  EXPECT_EQ(d.state.recordLines[1], "short line");
  EXPECT_EQ(d.state.gridClients, std::vector<std::string>{"6"});
  EXPECT_EQ(d.grid.Text(1, 1), "") << "names-only rows follow the line's position";
  EXPECT_EQ(d.grid.Text(3, 1), "Eve");
  EXPECT_EQ(d.grid.Rows(), 4) << "the grid reaches the last player, past the skipped lines";

  for (const std::string body : {"", "one line", "a\nb\nc\nd"}) {
    Decoder few(GridMode::AllData);
    const Decoder::Shown out = few.Decode(body);
    EXPECT_EQ(few.state.recordLineCount, 0) << body;
    EXPECT_EQ(few.grid.Rows(), 1);
    EXPECT_EQ(out.windowHeight, 820);
  }
}

TEST(InspectionRecord, NothingIsWrittenOutsideTheGrid) {
  Decoder all(GridMode::AllData);
  all.Decode(Record({Line(48, 1, "Last", "1:1"), Line(49, 1, "Over", "1:1"), Line(999, 1, "Far", "1:1")}));
  EXPECT_EQ(all.grid.Rows(), 50);
  EXPECT_EQ(all.grid.Text(49, 1), "Last");
  EXPECT_EQ(all.state.playerTotal, 1);
  EXPECT_EQ(all.state.gridClients, std::vector<std::string>{"49"});

  std::vector<std::string> many;
  for (int i = 0; i < 60; ++i) many.push_back(Line(i % 30, 1, "P" + std::to_string(i), "1:1"));
  Decoder names(GridMode::NamesOnly);
  const Decoder::Shown out = names.Decode(Record(many));
  EXPECT_EQ(names.grid.Rows(), 50);
  EXPECT_EQ(names.grid.Text(49, 1), "P48");
  EXPECT_EQ(out.gridHeight, 50 * 260 + 260);
}

// Each field read from its own columns. Lines whose fields fill their columns
// exactly, and one with no blank anywhere, show a column boundary moved by a
// single character, which trimming hides on padded lines.
TEST(InspectionRecord, PlayerLineColumns) {
  struct Case {
    std::string line;
    int client;
    const char* ping;
    const char* name;
    const char* address;
  };
  // The sample beside the layout's ruler, byte for byte.
  EXPECT_EQ(FormatPlayerLine({0, 12, 50, "Alice", 0, "10.0.0.5:12203", 1000, 25000}),
            "  0    12   50 Alice                 0 10.0.0.5:12203         1000 25000");
  const std::string full =
      FormatPlayerLine({35, 99999, 9999, "Fifteen_Letters", 9999999, "255.255.255.255:65535", 99999, 99999});
  const Case cases[] = {
      {Line(2, 85, "Lt.Wolfgang_von_Richthofen", "192.168.100.200:12203"), 2, "85", "Lt.Wolfgang_von_Richthofen",
       "192.168.100.200:12203"},
      {full, 35, "9999", "Fifteen_Letters", "255.255.255.255:65535"},
      // Client "007", 6 unused, ping "12345", name, then the tail: 7 unused,
      // the 22-character address column, 12 unused.
      {"007" "uuuuuu" "12345" "Fifteen_Letters" "ttttttt" "100.200.255.255:279601" "rrrrrrrrrrrr", 7, "12345",
       "Fifteen_Letters", "100.200.255.255:279601"},
      // Too short for a name and a tail: the parts that exist are read, nothing past the line.
      {"  1     0   50 Bob  ", 1, "50", "", ""},
      {"  1     0   50 Bob:x 1.2.3.4:5", 1, "50", "", ""},
  };
  for (const Case& c : cases) {
    PlayerLineFields p;
    ASSERT_TRUE(ReadPlayerLine(c.line, p)) << c.line;
    EXPECT_EQ(p.client, c.client) << c.line;
    EXPECT_EQ(p.ping, c.ping) << c.line;
    EXPECT_EQ(p.name, c.name) << c.line;
    EXPECT_EQ(p.address, c.address) << c.line;
  }
}
