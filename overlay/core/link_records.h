#pragma once
// How text arriving from the inspection server becomes records: pieces are
// joined into records, and each record goes to the inspection record or dump
// decoding by its prefix ("SD" or "DU", case-sensitive) with blanks trimmed
// from its body.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

struct RecordSink {
  virtual void ShowInspectionRecord(const std::string& body) = 0;
  virtual void ShowDumpVerdict(const std::string& body) = 0;

 protected:
  ~RecordSink() = default;
};

// Hands one whole text to the decoders. "SD" goes to ShowInspectionRecord;
// then, on what that step left, "DU" goes to ShowDumpVerdict ("SDDUx" reaches
// both). Anything else is dropped.
void DispatchRecord(std::string_view text, RecordSink& sink);

// True when the text begins with a record prefix.
bool HasRecordPrefix(std::string_view text);

// Joins the pieces that TCP delivers into records. A piece that begins with a
// prefix starts a record (completing any pending one); a piece without one is
// joined to the pending record, or dropped when none is pending. A pending
// record is complete once no piece has come for kQuietMs.
class RecordJoiner {
 public:
  static constexpr uint32_t kQuietMs = 30;
  // A record growing past this is dropped whole, with what follows it.
  static constexpr size_t kMaxRecordBytes = 4u << 20;

  // Takes one piece arriving at tick count now; completed records go to ready.
  void Piece(std::string_view piece, uint32_t now, std::vector<std::string>& ready);

  // Moves the pending record to ready when it has been quiet long enough.
  void Poll(uint32_t now, std::vector<std::string>& ready);

  // Completes the pending record at once (the link is closing).
  void Flush(std::vector<std::string>& ready);

  bool Pending() const { return pending_; }

 private:
  std::string record_;
  bool pending_ = false;
  uint32_t lastPiece_ = 0;
};

// The records waiting to be shown, oldest first. Showing a dump pauses with
// the window's events flowing, and records that arrive meanwhile are shown
// from inside that pause; they join the end of this queue, so the older
// records still waiting are shown before them. An older record shown after a
// newer one would replace it.
class RecordQueue {
 public:
  // Takes completed records in the order they came, emptying ready.
  void Add(std::vector<std::string>& ready);
  // Shows the waiting records, oldest first. A record shown here may run it
  // again from inside its pause: that call goes on with the next record.
  void ShowWaiting(RecordSink& sink);
  size_t Waiting() const { return waiting_.size(); }

 private:
  std::deque<std::string> waiting_;
};
