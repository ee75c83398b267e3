// The record of commands on real files: what a command sent over a real link
// leaves in the log, the log that cannot be written, and its renewal.
#include <gtest/gtest.h>

#include "common/core/text.h"
#include "overlay/win/command_log_file.h"
#include "overlay/win/overlay_window.h"
#include "tests/temp_folder.h"
#include "tests/wine_test_util.h"
#include "tools/inspection_server/demo_records.h"

namespace {

std::vector<std::string> LogLines(const std::string& path) {
  if (!FileExists(path)) return {};
  std::vector<std::string> lines = SplitKeepEmpty(FileBytes(path), '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

class CommandLogFlow : public ::testing::Test {
 protected:
  TestServer server;
  OverlayWindow overlay;

  void SetUp() override {
    TakeQuit();
    StoreOverlaySettings("127.0.0.1", std::to_string(server.port), 1, "dm/mohdm1 dm/mohdm6");
    ASSERT_TRUE(overlay.Open());
    ASSERT_EQ(server.AcceptWhilePumping(), 930);
    server.Send(InspectionRecord(DemoPlayers()));
    ASSERT_TRUE(PumpUntil([&] { return overlay.ActionPane().Grid().Text(1, 1) == "Alice"; }));
  }
  void TearDown() override {
    overlay.Close();
    TakeQuit();
  }

  // The pick key, then the action keys; returns what reached the server.
  std::string Act(const std::string& keys, size_t wireSize) {
    overlay.Actions().state.menuMode = MenuMode::Pick;
    overlay.Actions().OnPickKey(static_cast<uint16_t>(keys[0]));
    for (char key : keys.substr(1)) overlay.Actions().OnActionKey(static_cast<uint16_t>(key));
    return server.ReceiveWhilePumping(wireSize);
  }
};

}  // namespace

TEST_F(CommandLogFlow, EachCommandLeavesOneLineWithItsFields) {
  TempFolder app("log-app");
  overlay.Log().SetFolders({app.Path()});
  struct Case {
    std::string keys, wire;
    std::vector<std::string> fields;  // menu line, client, name, address, map
  };
  const Case cases[] = {
      {"AK", "K0KO4", {"K - Kick", "0", "Alice", "10.0.0.5", ""}},
      {"0D", "K26DB4", {"D - Bann for Day", "26", "Zed", "81.2.69.160", ""}},
      {"EG", "Mswitch_axis\\s4", {"G - To Axis", "4", "Bobby", "172.16.4.20", ""}},
      {"ACB", "XB - dm/mohdm6", {"C - Change Map", "", "", "", "dm/mohdm6"}},
  };
  size_t count = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(Act(c.keys, c.wire.size()), c.wire);
    const std::vector<std::string> lines = LogLines(app / "corvel2-log.txt");
    ASSERT_EQ(lines.size(), ++count) << c.keys << ": exactly one line more";
    ASSERT_TRUE(lines.back().ends_with("\r")) << "CR LF ends the line";
    const std::vector<std::string> fields = SplitKeepEmpty(lines.back().substr(0, lines.back().size() - 1), '\t');
    ASSERT_EQ(fields.size(), 7u) << lines.back();
    const std::string& stamp = fields[0];  // "2024-05-01 21:14:03"
    EXPECT_TRUE(stamp.size() == 19 && stamp[4] == '-' && stamp[10] == ' ' && stamp[13] == ':') << stamp;
    EXPECT_EQ(std::vector<std::string>(fields.begin() + 1, fields.begin() + 6), c.fields) << c.keys;
    EXPECT_EQ(fields[6], c.wire);
  }
}

// A log that cannot be written costs the command nothing: the line goes to
// the fallback folder, or, when that takes none either, the status line says
// so once.
TEST_F(CommandLogFlow, ALogThatCannotBeWrittenLetsTheCommandThrough) {
  enum class Fault { ReadOnly, HeldOpen, FolderLocked, NothingWritable };
  for (Fault fault : {Fault::ReadOnly, Fault::HeldOpen, Fault::FolderLocked, Fault::NothingWritable}) {
    SCOPED_TRACE(static_cast<int>(fault));
    TempFolder app("log-app"), local("log-local");
    const std::string log = app / "corvel2-log.txt";
    PutFile(log, "an earlier line\r\n");
    overlay.Log().SetFolders({app.Path(), local / "Kestrun"});  // made at the first line
    HANDLE held = INVALID_HANDLE_VALUE;
    std::unique_ptr<UnwritableFolder> appLock, localLock;
    if (fault == Fault::ReadOnly) SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_READONLY);
    if (fault == Fault::HeldOpen) held = CreateFileA(log.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (fault == Fault::FolderLocked || fault == Fault::NothingWritable) {
      DeleteFileA(log.c_str());
      appLock = std::make_unique<UnwritableFolder>(app.Path());
      if (!appLock->Held()) GTEST_SKIP() << "no folder lock here";
    }
    if (fault == Fault::NothingWritable) {
      localLock = std::make_unique<UnwritableFolder>(local.Path());
      ASSERT_TRUE(localLock->Held());
    }

    EXPECT_EQ(Act("AK", 5), "K0KO4");
    EXPECT_EQ(overlay.ActionPane().MessageLine(), fault == Fault::NothingWritable ? kNoLogMessage : "Command Sent");
    EXPECT_EQ(Act("EG", 15), "Mswitch_axis\\s4");
    EXPECT_EQ(overlay.ActionPane().MessageLine(), "Command Sent") << "said once";
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    if (fault != Fault::FolderLocked && fault != Fault::NothingWritable) {
      EXPECT_EQ(FileBytes(log), "an earlier line\r\n");
    }
    const std::vector<std::string> fallback = LogLines(local / "Kestrun\\corvel2-log.txt");
    if (fault == Fault::NothingWritable) {
      EXPECT_TRUE(fallback.empty());
      EXPECT_FALSE(FileExists(log));
      localLock.reset();
      appLock.reset();
      Act("AK", 5);
      EXPECT_EQ(LogLines(log).size(), 1u) << "the log is written again once it can be";
    } else {
      EXPECT_EQ(fallback.size(), 2u);
    }
    SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

// The log is renewed before a line would take it past 1 MiB; both files
// hold whole lines, the old log is replaced, and a line cut short by a crash
// is ended before the next.
TEST(CommandLogRenewal, BothFilesStayWhole) {
  const std::string line = "2024-05-01 09:04:03\tK - Kick\t0\tAlice\t10.0.0.5\t\tK0KO4\r\n";
  std::string full;
  while (full.size() + 40 <= kCommandLogLimit) full += std::string(38, 'x') + "\r\n";
  ASSERT_GT(full.size() + line.size(), kCommandLogLimit);
  struct Case {
    const char* what;
    std::string before, oldBefore, after, oldAfter;
  };
  const Case cases[] = {
      {"renewed", full, "an older log\r\n", line, full},
      {"not yet", "a\r\n", "", "a\r\n" + line, "<missing>"},
      {"a new log", "<missing>", "", line, "<missing>"},
      {"a line cut short", "cut sh", "", "cut sh\r\n" + line, "<missing>"},
  };
  for (const Case& c : cases) {
    TempFolder folder("log-renewal");
    if (c.before != "<missing>") PutFile(folder / "corvel2-log.txt", c.before);
    if (!c.oldBefore.empty()) PutFile(folder / "corvel2-log.old.txt", c.oldBefore);
    ASSERT_TRUE(AppendLogLine(folder.Path(), line)) << c.what;
    EXPECT_EQ(FileBytes(folder / "corvel2-log.txt"), c.after) << c.what;
    EXPECT_EQ(FileBytes(folder / "corvel2-log.old.txt"), c.oldAfter) << c.what;
  }
}
