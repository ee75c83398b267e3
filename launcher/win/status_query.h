#pragma once
// One server status query: the request to the server the server field names
// ("host" or "host:port"), then a wait of kStatusWaitMs in all, a name's
// lookup included, while the window's events go on. The last datagram from
// the server's own address and port within the wait is the reply; the owner
// is handed it when the wait ends, empty when none came.
#include <cstdint>
#include <functional>
#include <string>

#include "common/win/net_layer.h"
#include "launcher/win/query_round.h"

class StatusQuery : private NetOwner {
 public:
  // onEnd runs from the message loop once the query is over, so it may start
  // the next one; it is never called from inside Start or Stop.
  using OnEnd = std::function<void(const std::string& server, const std::string& reply)>;
  explicit StatusQuery(OnEnd onEnd);
  ~StatusQuery() = default;
  StatusQuery(const StatusQuery&) = delete;
  StatusQuery& operator=(const StatusQuery&) = delete;

  // Drops a running query and starts one. A port that is no number sends
  // nothing: the wait runs all the same and ends without a reply. False when
  // the network layer is not there; nothing then runs.
  bool Start(const std::string& server, const std::string& request);
  // Ends the query without a word to the owner.
  void Stop();
  bool Running() const { return running_; }
  // The server text the running query asks.
  const std::string& Server() const { return server_; }

 private:
  void OnTimer(int timer) override;
  void ArmTimer();
  bool WaitOver() const;
  void End();

  OnEnd onEnd_;
  QueryRound round_;
  bool running_ = false;
  std::string server_;
  std::string reply_;
  uint32_t startedMs_ = 0;
  NetHandle net_{*this};
};
