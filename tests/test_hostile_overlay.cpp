// Hostile input against the real overlay window over its TCP link from port
// 930: huge and malformed records, NUL bytes, client numbers out of range, and
// settings of the wrong kind. Nothing may crash or hang, the next sound
// inspection record must still be decoded, and memory stays in proportion to
// the input.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

#include "common/win/registry.h"
#include "overlay/core/inspection_record.h"
#include "overlay/win/overlay_window.h"
#include "tests/hostile_util.h"
#include "tests/wine_test_util.h"
#include "tools/inspection_server/demo_records.h"

namespace {

constexpr const char* kSettingsKey = "Software\\Kestrun";
const std::string kHeadings = "Map: dm/mohdm6\nnum score ping name\n--- ----- ---- ----\n\n";

// A player line in the server's columns whose first characters are
// clientField instead of the three-character client number; a wider field
// shifts the rest of the line right.
std::string LineWithClient(const std::string& clientField, const std::string& name) {
  const std::string line = FormatPlayerLine({.ping = 50, .name = name, .address = "10.0.0.7:12203"});
  return clientField + line.substr(player_line::kClientWidth);
}

std::string PlayerLines(size_t atLeast) {
  std::string lines;
  for (const DemoPlayer& p : DemoPlayers()) lines += PlayerLine(p) + "\n";
  return RepeatTo(lines, atLeast);
}

std::string DumpLines(size_t atLeast) {
  return RepeatTo("name                  Alice\nr_picmip              5\ncg_3rd_person         1\n", atLeast);
}

class HostileOverlay : public ::testing::Test {
 protected:
  TestServer server;
  std::unique_ptr<OverlayWindow> overlay;
  const std::vector<DemoPlayer> players = DemoPlayers();

  void SetUp() override { TakeQuit(); }
  void TearDown() override {
    if (overlay) overlay->Close();
    TakeQuit();
  }

  void Start(bool allData) {
    if (overlay) overlay->Close();
    overlay.reset();
    server.CloseClient();
    TakeQuit();
    StoreOverlaySettings("127.0.0.1", std::to_string(server.port), allData ? 1 : 0, "dm/mohdm1 dm/mohdm6");
    overlay = std::make_unique<OverlayWindow>();
    ASSERT_TRUE(overlay->Open());
    ASSERT_EQ(server.AcceptWhilePumping(), 930);
  }

  // Sends from a thread of its own: a big record fills the socket buffers,
  // and this thread must keep the overlay's events flowing meanwhile.
  void SendAll(const std::string& bytes) {
    std::atomic<bool> done{false};
    std::thread sender([&] {
      size_t sent = 0;
      while (sent < bytes.size()) {
        const int n = send(server.client, bytes.data() + sent, static_cast<int>(std::min<size_t>(bytes.size() - sent, 1 << 16)), 0);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
      }
      done = true;
    });
    PumpUntil([&] { return done.load(); }, 120000);
    sender.join();
  }

  int Handoffs() const { return overlay->InspectionRecordCount() + overlay->DumpRecordCount(); }

  // Sends bytes and waits until at least handoffs records reached the decoders.
  bool Deliver(const std::string& bytes, int handoffs) {
    const int before = Handoffs();
    SendAll(bytes);
    return WaitForHandoffs(before, handoffs);
  }

  // Waits until at least count records more than before have reached the
  // decoders, or, with none expected, until all has surely been read.
  bool WaitForHandoffs(int before, int count) {
    if (count == 0) {
      PumpFor(1000);
      return Handoffs() == before;
    }
    const bool reached = PumpUntil([&] { return Handoffs() >= before + count; }, 120000);
    PumpFor(100);  // a record's pieces end within the quiet time
    return reached;
  }

  // The grid row whose name holds part, or 0.
  int RowNaming(const std::string& part) {
    GridModel& grid = overlay->ActionPane().Grid();
    for (int r = 1; r < grid.Rows(); ++r) {
      if (grid.Text(r, 1).find(part) != std::string::npos) return r;
    }
    return 0;
  }
  bool GridHasName(const std::string& name) {
    const int r = RowNaming(name);
    return r > 0 && overlay->ActionPane().Grid().Text(r, 1) == name;
  }

  // The overlay is alive and still decodes a sound inspection record as usual.
  void ExpectSoundRecordDecodes() {
    ASSERT_FALSE(overlay->Ended());
    const int before = overlay->InspectionRecordCount();
    SendAll(InspectionRecord(players));
    ASSERT_TRUE(PumpUntil([&] { return overlay->InspectionRecordCount() > before; }, 60000));
    EXPECT_EQ(overlay->GridState().gridClients.size(), players.size());
    for (const DemoPlayer& p : players) EXPECT_TRUE(GridHasName(p.name)) << p.name;
  }
};

struct ProcessWindows {
  DWORD pid;
  HWND square = nullptr, actions = nullptr;
};

BOOL CALLBACK FindProcessWindows(HWND hwnd, LPARAM param) {
  auto* found = reinterpret_cast<ProcessWindows*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != found->pid) return TRUE;
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (std::string(cls) == "MiniRemote") found->square = hwnd;
  if (std::string(cls) == "CorvelActions") found->actions = hwnd;
  return TRUE;
}

// The action window's message line, read across the process boundary.
std::string MessageLine(HWND actions) {
  HWND messageLine = FindWindowExA(actions, nullptr, "STATIC", nullptr);
  char text[256] = {};
  if (messageLine) GetWindowTextA(messageLine, text, sizeof text);
  return text;
}

}  // namespace

// Huge records in both display modes. A record that outgrows the 4 MiB a
// record may hold is dropped whole: 100,000 player lines are such a record.
TEST_F(HostileOverlay, HugeRecordsAreHandledAndTheNextRecordStillDecodes) {
  struct Case {
    const char* what;
    std::string bytes;
    int handoffs;  // at least this many records reach the decoders
    size_t memoryBound;
  };
  const Case cases[] = {
      {"1 MiB of player lines", "SD" + kHeadings + PlayerLines(kMiB), 1, 32 * kMiB},
      {"100,000 short lines", "SD" + kHeadings + RepeatTo("short line\n", 100000 * 11), 1, 32 * kMiB},
      {"100,000 player lines, over 4 MiB: dropped", "SD" + kHeadings + PlayerLines(100000 * 77), 0, 32 * kMiB},
      {"1 MiB of NUL bytes", "SD" + std::string(kMiB, '\0'), 1, 32 * kMiB},
      {"1 MiB of random bytes", "SD" + RandomBytes(kMiB, 3), 1, 32 * kMiB},
      {"1 MiB dump", "DU" + DumpLines(kMiB), 1, 32 * kMiB},
      {"1 MiB dump of random bytes", "DU" + RandomBytes(kMiB, 4), 1, 32 * kMiB},
      // Last, as it raises the peak most: every line is a text of its own,
      // about 32 bytes per line feed received.
      {"1 MiB dump of line feeds", "DU" + std::string(kMiB, '\n'), 1, 48 * kMiB},
      {"1 MiB of line feeds", "SD" + std::string(kMiB, '\n'), 1, 48 * kMiB},
      // The most a record may hold: the worst case of all.
      {"4 MiB of line feeds", "SD" + std::string(RecordJoiner::kMaxRecordBytes - 2, '\n'), 1, 192 * kMiB},
  };
  for (bool allData : {false, true}) {
    Start(allData);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (allData ? ", all data" : ", names only"));
      const MemoryUse before = MemoryOf();
      EXPECT_TRUE(Deliver(c.bytes, c.handoffs));
      EXPECT_TRUE(MemoryGrewAtMost(before, c.memoryBound));
      EXPECT_LE(overlay->ActionPane().Grid().Rows(), 50);
      ExpectSoundRecordDecodes();
    }
  }
}

// Only the first three characters hold the client number: wider numbers are
// read from them (2147483648 as 214). Numbers past the grid get no row in
// all-data mode; past 35 they get no key, so no command can reach them; a
// negative number is skipped. The players after them are shown as usual.
TEST_F(HostileOverlay, ClientNumbersOutOfRangeGetNoKeyAndNoRowOutsideTheGrid) {
  const std::string record = "SD" + kHeadings + LineWithClient("999", "Nine") + "\n" +
                             LineWithClient(" -1", "Minus") + "\n" + LineWithClient("2147483648", "Wide") + "\n" +
                             LineWithClient("4294967296", "Wider") + "\n" +
                             LineWithClient("99999999999999999999", "Widest") + "\n" + LineWithClient("  3", "Carol") +
                             "\n" + LineWithClient(" 48", "Last") + "\n";
  for (bool allData : {false, true}) {
    SCOPED_TRACE(allData ? "all data" : "names only");
    Start(allData);
    ASSERT_TRUE(Deliver(record, 1));
    GridModel& grid = overlay->ActionPane().Grid();
    EXPECT_FALSE(GridHasName("Minus"));
    EXPECT_TRUE(GridHasName("Carol"));
    EXPECT_TRUE(GridHasName("Last"));
    for (int r = 1; r < grid.Rows(); ++r) {
      const std::string& name = grid.Text(r, 1);
      if (name == "Carol") {
        EXPECT_EQ(grid.Text(r, 0), "D");
        if (allData) {
          EXPECT_EQ(r, 4);
        }
      } else if (!name.empty()) {
        EXPECT_EQ(grid.Text(r, 0), "") << name << " must not be picked by any key";
        EXPECT_FALSE(allData && name != "Last") << name << " has no row in all-data mode";
      }
    }
    if (allData) {
      EXPECT_EQ(overlay->GridState().gridClients, (std::vector<std::string>{"4", "49"}));
    } else {
      EXPECT_TRUE(GridHasName("Nine"));
      EXPECT_GT(RowNaming("Wide"), 0) << "read from the shifted columns";
      EXPECT_EQ(overlay->GridState().gridClients, (std::vector<std::string>{"1000", "215", "430", "1000", "4", "49"}));
    }
    ExpectSoundRecordDecodes();
  }
}

// NUL bytes inside records: names keep them, lines whose number holds one are
// skipped, and a record of NULs after the prefix reaches no decoder's rows.
TEST_F(HostileOverlay, NulBytesInsideRecordsAreKeptAsText) {
  const std::string nulName = Bytes("Al\0ce");
  const std::string record = "SD" + kHeadings + LineWithClient(" 1", nulName) + "\n" +
                             LineWithClient(Bytes(" \0" "2"), "Hidden") + "\n" +
                             std::string(22, '\0') + "\n" +
                             LineWithClient("  5", "Eve") + "\n";
  for (bool allData : {false, true}) {
    SCOPED_TRACE(allData ? "all data" : "names only");
    Start(allData);
    ASSERT_TRUE(Deliver(record, 1));
    EXPECT_TRUE(GridHasName(nulName));
    EXPECT_FALSE(GridHasName("Hidden"));
    EXPECT_TRUE(GridHasName("Eve"));
    EXPECT_EQ(overlay->GridState().gridClients, (std::vector<std::string>{"2", "6"}));
    // A prefix cut by a NUL is no prefix.
    EXPECT_TRUE(Deliver(Bytes("S\0D") + kHeadings + LineWithClient("  0", "Ghost"), 0));
    ExpectSoundRecordDecodes();
  }
}

// Every value the overlay reads, stored with a kind it does not expect: it
// starts in names-only mode (only the number 1 or the text "1" mean all
// data), and leaves every value as it was, since it never writes settings.
TEST_F(HostileOverlay, SettingsOfTheWrongKindAreReadAsEmptyAndKept) {
  struct Kind {
    const char* what;
    DWORD kind;
    std::string bytes;
    bool allData;
  };
  const Kind kinds[] = {
      {"number 1", REG_DWORD, Bytes("\x01\0\0\0"), true},
      {"number 2", REG_DWORD, Bytes("\x02\0\0\0"), false},
      {"number -1", REG_DWORD, "\xFF\xFF\xFF\xFF", false},
      {"text 1", REG_SZ, "1", true},
      {"text 1 with NUL", REG_SZ, Bytes("1\0"), true},
      {"bytes", REG_BINARY, Bytes("\x01\0\0\0"), false},
      {"several texts", REG_MULTI_SZ, Bytes("1\0\0"), false},
      {"expandable text", REG_EXPAND_SZ, Bytes("1\0"), false},
      {"one-byte number 1", REG_DWORD, "\x01", true},
      {"empty text", REG_SZ, "", false},
      {"text with NULs", REG_SZ, Bytes("1\0" "1"), false},
      {"huge text", REG_SZ, RepeatTo("dm/mohdm1 ", kMiB), false},
  };
  const char* kNames[] = {"Mini IP", "Mini Port", "Mini ShowAll", "Use Scroll Lock", "Mini MapList"};
  for (const Kind& k : kinds) {
    SCOPED_TRACE(k.what);
    for (const char* name : kNames) WriteRaw(kSettingsKey, name, k.kind, k.bytes);
    // As the registry keeps it (Wine adds a NUL to some texts).
    const RawValue stored = ReadRaw(kSettingsKey, "Mini IP");
    ASSERT_TRUE(stored.present);
    const MemoryUse before = MemoryOf();
    OverlayWindow remote;
    ASSERT_TRUE(remote.Open());
    EXPECT_EQ(remote.Mode() == GridMode::AllData, k.allData);
    EXPECT_EQ(remote.ActionPane().Width(), k.allData ? 10300 : 3000);
    PumpFor(50);
    EXPECT_FALSE(remote.Ended());
    EXPECT_TRUE(MemoryGrewAtMost(before, 64 * kMiB));
    remote.Close();
    TakeQuit();
    for (const char* name : kNames) {
      EXPECT_EQ(ReadRaw(kSettingsKey, name), stored) << name;
    }
  }
}

// The program itself, as a process of its own: huge records neither end it
// nor stop it answering its window messages, its peak working set stays in
// proportion, and it still shows the next sound record.
TEST_F(HostileOverlay, TheOverlayProgramSurvivesHugeRecords) {
  StoreOverlaySettings("127.0.0.1", std::to_string(server.port), 1);
  std::string command = "\"" + BuiltOverlay() + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child))
      << command;
  ProcessWindows windows{child.dwProcessId};
  ASSERT_EQ(server.AcceptWhilePumping(10000), 930);
  ASSERT_TRUE(PumpUntil([&] {
    EnumWindows(FindProcessWindows, reinterpret_cast<LPARAM>(&windows));
    return windows.square && windows.actions;
  }));
  // Sends an inspection record of players until the message line counts them: a
  // record sent while the program still reads the one before may join it.
  auto shows = [&](const std::vector<DemoPlayer>& sent) {
    const std::string total = "Total Players: " + std::to_string(sent.size());
    return PumpUntil(
        [&] {
          SendAll(InspectionRecord(sent));
          return PumpUntil(
              [&] {
                const std::string line = MessageLine(windows.actions);
                return line.size() >= total.size() && line.compare(line.size() - total.size(), total.size(), total) == 0;
              },
              2000);
        },
        60000);
  };
  ASSERT_TRUE(shows(players));
  const MemoryUse before = MemoryOf(child.hProcess);
  const std::string hostile[] = {
      "SD" + kHeadings + PlayerLines(kMiB),
      "SD" + std::string(kMiB, '\n'),
      "DU" + DumpLines(kMiB),
      "SD" + kHeadings + PlayerLines(100000 * 77),
  };
  const std::vector<DemoPlayer> one(players.begin(), players.begin() + 1);
  for (const std::string& bytes : hostile) {
    SendAll(bytes);
    EXPECT_TRUE(shows(one));
    EXPECT_TRUE(shows(players));
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "still running";
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutA(windows.square, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result), 0)
        << "still answering";
  }
  const MemoryUse after = MemoryOf(child.hProcess);
  ASSERT_GT(after.peakWorkingSet, 0u);
  std::printf("[ memory   ] corvel2.exe peak working set %zu KiB, +%zu KiB over the records\n",
              after.peakWorkingSet >> 10, (after.peakWorkingSet - before.peakWorkingSet) >> 10);
  EXPECT_LE(after.peakWorkingSet - before.peakWorkingSet, 48 * kMiB);

  PostMessageA(windows.square, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(2, 2));
  const bool ended = PumpUntil([&] { return WaitForSingleObject(child.hProcess, 0) == WAIT_OBJECT_0; }, 10000);
  if (!ended) TerminateProcess(child.hProcess, 1);
  EXPECT_TRUE(ended);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
}
