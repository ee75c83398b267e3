#pragma once
// Asks every master of a list at once for one game's servers, one
// MasterQuery each, on the window thread, and merges what they list. A master
// that does not answer costs the round nothing but its own time limit.
#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "common/win/net_layer.h"
#include "launcher/core/master_servers.h"

class MasterQuery;

class MasterRound : private NetOwner {
 public:
  MasterRound();
  ~MasterRound();
  MasterRound(const MasterRound&) = delete;
  MasterRound& operator=(const MasterRound&) = delete;

  // Called once per Start when every master has answered or failed; always
  // from the message loop, never from inside Start.
  std::function<void()> onDone;

  // Asks the first kMaxMasters masters; a running round is dropped first,
  // and nothing of it is reported.
  void Start(const std::vector<MasterAddress>& masters, const GameSpyGame& game);
  // Drops the round without a report.
  void Cancel();
  bool Running() const { return running_; }

  size_t Asked() const { return asked_; }
  // Masters whose list arrived whole, even an empty one.
  size_t Answered() const { return answered_; }
  // The merged list once done: each address and query port once.
  const std::vector<ListedServer>& Servers() const { return servers_; }

 private:
  // The report, posted once every master has answered or failed.
  void OnPosted() override;
  void OnQueryDone();

  NetHandle net_{*this};
  // Kept from round to round: a query may be started again from inside its
  // own report, but must not be destroyed there.
  std::vector<std::unique_ptr<MasterQuery>> queries_;
  bool running_ = false;
  bool starting_ = false;  // inside Start: the report is posted once all have started
  size_t asked_ = 0;
  size_t finished_ = 0;
  size_t answered_ = 0;
  std::vector<ListedServer> servers_;
};
