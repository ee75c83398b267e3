#include <gtest/gtest.h>

#include "overlay/core/link_records.h"

namespace {

struct Calls : RecordSink {
  std::vector<std::string> log;
  void ShowInspectionRecord(const std::string& d) override { log.push_back("inspection:" + d); }
  void ShowDumpVerdict(const std::string& d) override { log.push_back("dump:" + d); }
};

std::vector<std::string> Dispatch(const std::string& text) {
  Calls calls;
  DispatchRecord(text, calls);
  return calls.log;
}

}  // namespace

TEST(DispatchRecord, PrefixesTrimmingAndTheDoubleRecord) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Dispatch("SDabc"), V{"inspection:abc"});
  EXPECT_EQ(Dispatch("SD  abc  "), V{"inspection:abc"});
  EXPECT_EQ(Dispatch("SD\nabc\r\n "), V{"inspection:\nabc\r\n"});  // only blanks are trimmed
  EXPECT_EQ(Dispatch("sdabc"), V{});
  EXPECT_EQ(Dispatch("XYabc"), V{});
  EXPECT_EQ(Dispatch("S"), V{});
  EXPECT_EQ(Dispatch(""), V{});
  EXPECT_EQ(Dispatch("DU"), V{"dump:"});
  EXPECT_EQ(Dispatch("SDDUx"), (V{"inspection:DUx", "dump:x"}));
  EXPECT_EQ(Dispatch("SD  DU x"), (V{"inspection:DU x", "dump:x"}));
  EXPECT_EQ(Dispatch("DUSDx"), V{"dump:SDx"});
  EXPECT_EQ(Dispatch(std::string("SD\0ab", 5)), V{std::string("inspection:\0ab", 14)});
}

TEST(RecordJoiner, JoinsPiecesUntilQuietOrTheNextRecord) {
  RecordJoiner j;
  std::vector<std::string> ready;
  j.Piece("SDhead\nline", 1000, ready);
  j.Piece("2\nline3", 1010, ready);
  j.Poll(1030, ready);  // only 20 ms quiet
  EXPECT_TRUE(ready.empty());
  j.Poll(1040, ready);
  EXPECT_EQ(ready, std::vector<std::string>{"SDhead\nline2\nline3"});
  EXPECT_FALSE(j.Pending());

  ready.clear();
  j.Piece("SDone", 2000, ready);
  j.Piece("DUtwo", 2001, ready);  // a new prefix completes the pending record
  EXPECT_EQ(ready, std::vector<std::string>{"SDone"});
  j.Flush(ready);
  EXPECT_EQ(ready, (std::vector<std::string>{"SDone", "DUtwo"}));
}

TEST(RecordJoiner, DropsStrayPiecesAndOversizedRecords) {
  RecordJoiner j;
  std::vector<std::string> ready;
  j.Piece("no prefix", 0, ready);
  j.Piece("", 0, ready);
  j.Flush(ready);
  EXPECT_TRUE(ready.empty());

  j.Piece("SD", 0, ready);
  std::string chunk(1u << 20, 'x');
  for (int i = 0; i < 5; ++i) j.Piece(chunk, 1, ready);  // past the 4 MiB bound
  j.Piece("tail", 2, ready);
  j.Flush(ready);
  EXPECT_TRUE(ready.empty());
  j.Piece("SDnext", 3, ready);  // the next record is taken as usual
  j.Poll(100, ready);
  EXPECT_EQ(ready, std::vector<std::string>{"SDnext"});
}

TEST(RecordJoiner, QuietTimeSurvivesTickWrap) {
  RecordJoiner j;
  std::vector<std::string> ready;
  j.Piece("DUx", 0xFFFFFFF0u, ready);
  j.Poll(0x00000005u, ready);  // 21 ms later
  EXPECT_TRUE(ready.empty());
  j.Poll(0x00000010u, ready);  // 32 ms later
  EXPECT_EQ(ready.size(), 1u);
}

// A dump's pause shows the records that arrive during it: the older ones
// still waiting come first, and the outer call finds nothing left to show.
TEST(RecordQueue, ARecordArrivingDuringAPauseComesAfterTheWaitingOnes) {
  struct Pausing : Calls {
    RecordQueue* queue = nullptr;
    void ShowDumpVerdict(const std::string& d) override {
      Calls::ShowDumpVerdict(d);
      std::vector<std::string> arrived{"SDnew"};
      queue->Add(arrived);
      queue->ShowWaiting(*this);
    }
  };
  RecordQueue queue;
  Pausing sink;
  sink.queue = &queue;
  std::vector<std::string> ready{"DUbobby", "SDold"};
  queue.Add(ready);
  queue.ShowWaiting(sink);
  EXPECT_EQ(sink.log, (std::vector<std::string>{"dump:bobby", "inspection:old", "inspection:new"}));
  EXPECT_EQ(queue.Waiting(), 0u);
}
