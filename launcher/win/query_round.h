#pragma once
// The sockets, name lookups and clock of one round of server queries: hands
// every datagram the network layer reads to the round's QueryPipeline
// (launcher/core/query_pipeline.h, whose header names the words used here),
// and sends, looks up and ticks as that says. Each round has sockets of its
// own (a big round a few, see SocketsFor): replies to an earlier round's
// requests reach the earlier sockets, which are closed. Which rows changed is told through the callbacks, on the window
// thread; the rows themselves, cells filled, are the pipeline's.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/win/net_layer.h"
#include "launcher/core/query_pipeline.h"

class QueryRound : private NetOwner {
 public:
  // replyWaitMs: how long a row waits from its request on; nameLimitMs: how
  // long its name may take to resolve.
  QueryRound(int32_t replyWaitMs, int32_t nameLimitMs, QueryPace pace = {});
  ~QueryRound() = default;
  QueryRound(const QueryRound&) = delete;
  QueryRound& operator=(const QueryRound&) = delete;

  // The rows that changed; a status reply's bytes are valid during the call only.
  std::function<void(const std::vector<RowChange>& changes)> onChanges;
  // The last row is over.
  std::function<void()> onEnd;

  // Drops the running round and starts a new one, on a new socket.
  void Start(std::vector<QueryTarget> targets, std::string statusRequest);
  // Drops the running round and asks the networks' broadcast addresses on
  // ports; the rows are who answers (see QueryPipeline::StartHeard).
  void StartHeard(std::vector<Subnet> networks, const std::vector<int>& ports, size_t maxRows);
  // Ends the round without a word, its rows gone: no more callbacks until the next Start.
  void Stop();

  bool Running() const { return !sockets_.empty(); }
  // The round's rows by number; they stay once it ends, until the next Start or Stop.
  const std::vector<ServerRow>& Rows() const { return pipeline_.Rows(); }
  // The local port of the round's first socket, 0 between rounds.
  int LocalPort() const;

 private:
  void OnDatagram(SOCKET socket, const Datagram& datagram) override;
  void OnLookupDone(uintptr_t lookup, uint32_t address) override;
  void OnTimer(int timer) override;

  bool OpenSockets(size_t count, bool broadcasts = false);
  SOCKET SocketFor(Endpoint endpoint) const;
  // Drops the socket and whatever of the round is under way; the rows stay.
  void CloseSockets();
  // Does what the pipeline asked for after an input, and tells what changed.
  void Follow();
  void StartLookups();
  void DropLookup(const std::string& name);
  void ArmTickTimer();

  QueryPipeline pipeline_;
  std::vector<SOCKET> sockets_;  // the round's; replies to any of them are taken
  // Counts the rounds: a callback that started or stopped one ends the work of the old.
  unsigned generation_ = 0;
  std::unordered_map<uintptr_t, std::string> lookups_;  // running, by id
  bool tickTimerSet_ = false;
  uint32_t tickDueMs_ = 0;
  NetHandle net_{*this};
};
