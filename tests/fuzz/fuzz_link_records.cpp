// The link's record joining and dispatch. The input is laid out as
//   byte 0      the mode ("Mini ShowAll" 0, 1 or another value)
//   byte 1      n, the number of steps
//   2n bytes    the steps, each a length a and a byte b:
//                 b < 64   the next a bytes of the stream arrive, b ms later
//                 b < 128  a quiet poll, (b - 64) * 4 ms later
//                 b < 192  the next a bytes arrive repeated to (b - 128 + 1) * 64 KiB
//                 else     the link closes (flush); the tick count jumps by a << 24
//   the rest    the stream; what the steps leave of it arrives as a last piece.
// Completed records go through DispatchRecord to a sink that decodes them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "overlay/core/dump_analysis.h"
#include "overlay/core/link_records.h"
#include "tests/fuzz/inspection_checks.h"

namespace {

bool Trimmed(const std::string& s) { return s.empty() || (s.front() != ' ' && s.back() != ' '); }

struct DecodingSink : RecordSink {
  InspectionRecordDecoder inspection;
  explicit DecodingSink(GridMode mode) : inspection(mode) {}

  void ShowInspectionRecord(const std::string& body) override {
    FUZZ_CHECK(Trimmed(body));
    inspection.Decode(body);
  }
  void ShowDumpVerdict(const std::string& body) override {
    FUZZ_CHECK(Trimmed(body));
    const DumpAnalysis analysis = AnalyseDump(body);
    if (StartVerdict(analysis, inspection.grid)) FinishVerdict(analysis, inspection.grid);
  }
};

// Feeds the joiner and checks what comes out of it: whole records that start
// with a prefix, within the size limit, in the order their pieces arrived.
class LinkRun {
 public:
  explicit LinkRun(GridMode mode) : sink_(mode) {}

  void Piece(std::string_view piece) {
    joiner_.Piece(piece, now_, ready_);
    if (!piece.empty()) lastPiece_ = now_;
    // Past a few MiB the order check would cost more than it finds.
    if (stream_.size() + piece.size() <= (1u << 20)) {
      stream_.append(piece);
    } else {
      ordered_ = false;
    }
    Drain();
  }

  void Poll(uint32_t later) {
    now_ += later;
    joiner_.Poll(now_, ready_);
    FUZZ_CHECK(!joiner_.Pending() || now_ - lastPiece_ < RecordJoiner::kQuietMs);
    Drain();
  }

  void Close(uint32_t jump) {
    joiner_.Flush(ready_);
    FUZZ_CHECK(!joiner_.Pending());
    now_ += jump;
    Drain();
  }

  void Advance(uint32_t ms) { now_ += ms; }

 private:
  void Drain() {
    for (const std::string& record : ready_) {
      FUZZ_CHECK(record.size() <= RecordJoiner::kMaxRecordBytes);
      FUZZ_CHECK(HasRecordPrefix(record));
      if (ordered_) {
        const size_t at = stream_.find(record, searched_);
        FUZZ_CHECK(at != std::string::npos);
        searched_ = at + record.size();
      }
      DispatchRecord(record, sink_);
    }
    ready_.clear();
  }

  RecordJoiner joiner_;
  DecodingSink sink_;
  std::vector<std::string> ready_;
  uint32_t now_ = 0xFFFFFF00u;  // a few ticks before the count wraps
  uint32_t lastPiece_ = now_;
  std::string stream_;
  size_t searched_ = 0;
  bool ordered_ = true;
};

std::string Repeated(std::string_view piece, size_t target) {
  std::string out;
  if (piece.empty()) return out;
  out.reserve(target + piece.size());
  while (out.size() < target) out.append(piece);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  LinkRun run(ModeOf(data[0]));
  const size_t steps = data[1];
  const size_t streamAt = std::min(size, 2 + 2 * steps);
  std::string_view stream(reinterpret_cast<const char*>(data) + streamAt, size - streamAt);
  auto take = [&stream](size_t n) {
    const std::string_view piece = stream.substr(0, n);
    stream.remove_prefix(piece.size());
    return piece;
  };
  for (size_t i = 2; i + 1 < streamAt; i += 2) {
    const uint8_t a = data[i], b = data[i + 1];
    if (b < 64) {
      run.Advance(b);
      run.Piece(take(a));
    } else if (b < 128) {
      run.Poll((b - 64u) * 4u);
    } else if (b < 192) {
      run.Piece(Repeated(take(a), (b - 128u + 1u) * (64u << 10)));
    } else {
      run.Close(static_cast<uint32_t>(a) << 24);
    }
  }
  run.Piece(stream);
  run.Poll(RecordJoiner::kQuietMs);
  run.Close(0);
  return 0;
}
