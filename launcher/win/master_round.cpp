#include "launcher/win/master_round.h"

#include <algorithm>

#include "launcher/win/master_query.h"

MasterRound::MasterRound() = default;

MasterRound::~MasterRound() { Cancel(); }

void MasterRound::Start(const std::vector<MasterAddress>& masters, const GameSpyGame& game) {
  Cancel();
  running_ = true;
  asked_ = std::min(masters.size(), kMaxMasters);
  finished_ = 0;
  answered_ = 0;
  servers_.clear();
  if (!net_.Ready()) {
    // Without the network layer no query can run and no report can be posted.
    running_ = false;
    asked_ = 0;
    return;
  }
  while (queries_.size() < asked_) {
    queries_.push_back(std::make_unique<MasterQuery>());
    queries_.back()->onDone = [this](MasterQuery&) { OnQueryDone(); };
  }
  // A query may end inside its own Start (a socket that cannot be made); the
  // report still waits for the message loop.
  starting_ = true;
  for (size_t i = 0; i < asked_; ++i) queries_[i]->Start(masters[i], game);
  starting_ = false;
  if (finished_ == asked_) net_.Post();
}

// A report posted for the dropped round reaches nobody.
void MasterRound::Cancel() {
  for (auto& query : queries_) query->Cancel();
  net_.Restart();
  running_ = false;
}

void MasterRound::OnQueryDone() {
  if (!running_) return;
  ++finished_;
  // Posted, not reported here: the round's owner may start the next round
  // from its report, which must not happen inside a query's own report.
  if (finished_ == asked_ && !starting_) net_.Post();
}

void MasterRound::OnPosted() {
  if (!running_ || finished_ != asked_) return;
  std::vector<MasterList> lists;
  for (size_t i = 0; i < asked_; ++i) {
    const MasterQuery& query = *queries_[i];
    if (query.Result() != MasterResult::Listed) continue;
    ++answered_;
    lists.push_back({query.MasterScope(), query.Servers()});
  }
  servers_ = MergeMasterLists(lists);
  running_ = false;
  if (onDone) onDone();
}
