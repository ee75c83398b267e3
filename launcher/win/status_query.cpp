#include "launcher/win/status_query.h"

#include <utility>

#include "common/core/tick_wait.h"
#include "common/win/wait.h"
#include "common/win/window_class.h"
#include "launcher/core/server_status.h"

namespace {
constexpr UINT_PTR kWaitTimer = 1;
}  // namespace

// The round's own limits lie beyond the query's wait, so that its socket
// stays open, and hears the server, until the wait ends.
StatusQuery::StatusQuery(OnEnd onEnd) : onEnd_(std::move(onEnd)), round_(2 * kStatusWaitMs, 2 * kStatusWaitMs) {
  round_.onReply = [this](const UdpReply& reply) {
    // Read after the wait's end, before its timer came: too late to count.
    if (WaitOver()) return End();
    reply_.assign(reply.bytes);  // the last datagram counts
  };
}

StatusQuery::~StatusQuery() {
  Stop();
  if (hwnd_) DestroyWindow(hwnd_);
}

bool StatusQuery::Start(const std::string& server, const std::string& request) {
  Stop();
  if (!hwnd_) hwnd_ = CreateObjectMessageWindow("KestrunStatusQuery", this);
  if (!hwnd_) return false;
  server_ = server;
  running_ = true;
  startedMs_ = MillisecondClock();
  ArmTimer();
  const ServerAddress address = SplitServerAddress(server);
  int port = 0;
  if (ParsePort(address.port, port)) round_.Start({UdpTarget{address.host, port}}, request);
  return true;
}

void StatusQuery::Stop() {
  running_ = false;
  reply_.clear();
  round_.Stop();
  if (hwnd_) KillTimer(hwnd_, kWaitTimer);
}

bool StatusQuery::WaitOver() const { return TickWaitOver(startedMs_, MillisecondClock(), kStatusWaitMs); }

// A timer may come a little early: it is set again for what is left.
void StatusQuery::ArmTimer() {
  const int32_t left = kStatusWaitMs - static_cast<int32_t>(MillisecondClock() - startedMs_) + 1;
  SetTimer(hwnd_, kWaitTimer, static_cast<UINT>(left > 0 ? left : 1), nullptr);
}

void StatusQuery::End() {
  // Copies: the owner may start the next query at once.
  const std::string server = server_;
  const std::string reply = std::exchange(reply_, {});
  Stop();
  onEnd_(server, reply);
}

LRESULT StatusQuery::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == kWaitTimer) {
    if (!running_) return 0;
    if (WaitOver()) {
      End();
    } else {
      ArmTimer();
    }
    return 0;
  }
  if (msg == WM_NCDESTROY) hwnd_ = nullptr;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
