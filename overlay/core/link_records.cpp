#include "overlay/core/link_records.h"

#include "common/core/text.h"

namespace {
bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }
}  // namespace

bool HasRecordPrefix(std::string_view text) { return StartsWith(text, "SD") || StartsWith(text, "DU"); }

void DispatchRecord(std::string_view text, RecordSink& sink) {
  std::string s(text);
  if (StartsWith(s, "SD")) {
    s = TrimBlanks(std::string_view(s).substr(2));
    sink.ShowInspectionRecord(s);
  }
  if (StartsWith(s, "DU")) {
    s = TrimBlanks(std::string_view(s).substr(2));
    sink.ShowDumpVerdict(s);
  }
}

void RecordJoiner::Piece(std::string_view piece, uint32_t now, std::vector<std::string>& ready) {
  if (piece.empty()) return;
  if (HasRecordPrefix(piece)) {
    Flush(ready);
    pending_ = true;
  } else if (!pending_) {
    return;
  }
  if (record_.size() + piece.size() > kMaxRecordBytes) {
    // Too big to be a record of ours: drop it, and its continuation with it.
    record_ = std::string();
    pending_ = false;
    return;
  }
  record_.append(piece);
  lastPiece_ = now;
}

void RecordJoiner::Poll(uint32_t now, std::vector<std::string>& ready) {
  if (pending_ && now - lastPiece_ >= kQuietMs) Flush(ready);
}

void RecordJoiner::Flush(std::vector<std::string>& ready) {
  if (pending_) ready.push_back(std::move(record_));
  record_.clear();
  pending_ = false;
}

void RecordQueue::Add(std::vector<std::string>& ready) {
  for (auto& record : ready) waiting_.push_back(std::move(record));
  ready.clear();
}

void RecordQueue::ShowWaiting(RecordSink& sink) {
  while (!waiting_.empty()) {
    const std::string record = std::move(waiting_.front());
    waiting_.pop_front();
    DispatchRecord(record, sink);
  }
}
