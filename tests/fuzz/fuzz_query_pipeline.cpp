// The query pipeline against hostile datagrams, lookup answers and clock
// jumps. The input is a run of steps, each a byte of what to do and where
// followed by a length byte and that many bytes of datagram. Whatever comes:
// a row is answered only from the endpoint it was sent to and after it was
// sent, a list's row at most once, every row ends exactly once, and the round
// ends within the last wait once the clock has moved on past it.
#include <algorithm>
#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/core/query_pipeline.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr int32_t kWaitMs = 1500;
constexpr int32_t kNameLimitMs = 5000;
const Endpoint kEndpoints[] = {{0x7F000001, 27960}, {0x7F000001, 27961}, {0x7F000002, 27960}, {0x7F000001, 12300}};

std::vector<QueryTarget> Targets() {
  return {{"127.0.0.1", 27960},
          {"127.0.0.1", 27961, ReplyForm::Query},
          {"server.test", 27960},
          {"127.0.0.1", 27960, ReplyForm::Query},
          {"127.0.0.2", 27960, ReplyForm::Status, RowListens::UntilDeadline},
          {"127.0.0.1", 12300, ReplyForm::Query},
          {"", 27960}};
}

struct RowSeen {
  bool sent = false;
  Endpoint to;
  int answers = 0, ends = 0;
};

void Check(QueryPipeline& pipeline, std::vector<RowSeen>& rows, const Endpoint* from) {
  for (const QueryPipeline::Send& send : pipeline.TakeSends()) FUZZ_CHECK(!send.request.empty());
  pipeline.TakeLookupsToStart();
  pipeline.TakeLookupsToDrop();
  for (const RowChange& change : pipeline.TakeChanges()) {
    FUZZ_CHECK(change.row < rows.size());
    RowSeen& row = rows[change.row];
    switch (change.stage) {
      case QueryStage::Waiting:
        FUZZ_CHECK(!row.sent);
        row.sent = true;
        row.to = {pipeline.Rows()[change.row].address, Targets()[change.row].port};
        break;
      case QueryStage::Answered:
        FUZZ_CHECK(row.sent && row.ends == 0 && from && *from == row.to);
        FUZZ_CHECK(pipeline.Rows()[change.row].pingMs >= 0 && change.reply.size() <= 65536);
        ++row.answers;
        FUZZ_CHECK(row.answers == 1 || Targets()[change.row].listens == RowListens::UntilDeadline);
        break;
      case QueryStage::NoReply:
      case QueryStage::BadAddress:
        FUZZ_CHECK(row.answers == 0);
        ++row.ends;
        FUZZ_CHECK(row.ends == 1);
        break;
      default:
        FUZZ_CHECK(false);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QueryPipeline pipeline(kWaitMs, kNameLimitMs, {.sendsPerMs = 0.5, .burst = 2, .maxInFlight = 3});
  std::vector<RowSeen> rows(Targets().size());
  uint32_t now = 0xFFFFF000u;  // the clock wraps during the round
  pipeline.Start(Targets(), "getstatus", now);
  Check(pipeline, rows, nullptr);
  for (size_t at = 0; at + 1 < size;) {
    const uint8_t what = data[at];
    const size_t length = std::min<size_t>(data[at + 1], size - at - 2);
    const std::string_view bytes(reinterpret_cast<const char*>(data + at + 2), length);
    at += 2 + length;
    now += what >> 3;
    const Endpoint& from = kEndpoints[what & 3];
    if ((what & 4) == 0) {
      pipeline.TakeDatagram(from, bytes, now);
      Check(pipeline, rows, &from);
    } else if (what & 0x80) {
      pipeline.TakeLookupAnswer("server.test", (what & 0x40) ? 0 : 0x7F000001, now);
      Check(pipeline, rows, nullptr);
    } else {
      pipeline.Tick(now);
      Check(pipeline, rows, nullptr);
    }
  }
  // Every tick asked for from now on: the rows left go out and wait their time.
  const uint32_t endMs = now + kNameLimitMs + 2 * kWaitMs;
  for (auto due = pipeline.NextTickAt(); due; due = pipeline.NextTickAt()) {
    FUZZ_CHECK(static_cast<int32_t>(*due - endMs) < 0);
    now = static_cast<int32_t>(*due - now) > 0 ? *due : now + 1;
    pipeline.Tick(now);
    Check(pipeline, rows, nullptr);
  }
  FUZZ_CHECK(!pipeline.Running());
  for (const RowSeen& row : rows) FUZZ_CHECK(row.ends + row.answers >= 1);
  return 0;
}
