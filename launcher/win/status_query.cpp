#include "launcher/win/status_query.h"

#include <utility>

#include "common/core/tick_wait.h"
#include "common/win/wait.h"
#include "launcher/core/server_status.h"

namespace {
constexpr int kWaitTimer = 0;
}  // namespace

// The round's own limits lie beyond the query's wait, so that its socket
// stays open, and hears the server, until the wait ends.
StatusQuery::StatusQuery(OnEnd onEnd) : onEnd_(std::move(onEnd)), round_(2 * kStatusWaitMs, 2 * kStatusWaitMs) {
  round_.onChanges = [this](const std::vector<RowChange>& changes) {
    for (const RowChange& change : changes) {
      if (change.stage != QueryStage::Answered) continue;
      // Read after the wait's end, before its timer came: too late to count.
      if (WaitOver()) return End();
      reply_.assign(change.reply);  // the last datagram counts
    }
  };
}

bool StatusQuery::Start(const std::string& server, const std::string& request) {
  Stop();
  if (!net_.Ready()) return false;
  server_ = server;
  running_ = true;
  startedMs_ = MillisecondClock();
  ArmTimer();
  const ServerAddress address = SplitServerAddress(server);
  int port = 0;
  if (ParsePort(address.port, port)) {
    round_.Start({{address.host, port, ReplyForm::Status, RowListens::UntilDeadline, ""}}, request);
  }
  return true;
}

void StatusQuery::Stop() {
  running_ = false;
  reply_.clear();
  round_.Stop();
  net_.Restart();
}

bool StatusQuery::WaitOver() const { return TickWaitOver(startedMs_, MillisecondClock(), kStatusWaitMs); }

// A timer may come a little early: it is set again for what is left.
void StatusQuery::ArmTimer() {
  const int32_t left = kStatusWaitMs - static_cast<int32_t>(MillisecondClock() - startedMs_) + 1;
  net_.SetTimer(kWaitTimer, static_cast<UINT>(left > 0 ? left : 1));
}

void StatusQuery::OnTimer(int) {
  if (!running_) return;
  if (WaitOver()) return End();
  ArmTimer();
}

void StatusQuery::End() {
  // Copies: the owner may start the next query at once.
  const std::string server = server_;
  const std::string reply = std::exchange(reply_, {});
  Stop();
  onEnd_(server, reply);
}
