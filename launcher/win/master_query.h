#pragma once
// Asks one master server for one game's server list over TCP, on the window
// thread through the network layer: a non-blocking socket, a host name looked
// up beside the window thread, and 5 s at most from the start to the whole list.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/win/net_layer.h"
#include "launcher/core/master_exchange.h"
#include "launcher/core/master_servers.h"

enum class MasterResult {
  Pending,
  Listed,
  NoSuchHost,
  Unreachable,  // the connection was refused or failed
  TimedOut,
  Refused,      // the master closed after our answer to its challenge
  ClosedEarly,
  NotAList,
};

class MasterQuery : private NetOwner {
 public:
  static constexpr UINT kTimeLimitMs = 5000;

  MasterQuery() = default;
  ~MasterQuery() = default;
  MasterQuery(const MasterQuery&) = delete;
  MasterQuery& operator=(const MasterQuery&) = delete;

  // Called once per Start, when the result is known.
  std::function<void(MasterQuery&)> onDone;

  // Starts asking; a query of this object still running is dropped first.
  void Start(const MasterAddress& master, const GameSpyGame& game);
  // Drops the query without a result.
  void Cancel();

  MasterResult Result() const { return result_; }
  // The list, when Result() is Listed.
  const std::vector<ListedServer>& Servers() const;
  // Where the master's address lies (known once connected).
  AddressScope MasterScope() const { return ScopeOf(address_); }
  // Lookups dropped by a cancel or a new start (their buffers stay with host_lookup until their end).
  size_t DroppedLookups() const;

 private:
  void OnLookupDone(uintptr_t lookup, uint32_t address) override;
  void OnSocketNotice(SOCKET socket, int event, int error) override;
  void OnTimer(int timer) override;

  void ConnectTo(uint32_t address);
  void ReadWaiting(bool toTheEnd);
  void Send(const std::string& bytes);
  void FlushSend();
  void ArmTimer();
  void Finish(MasterResult result);
  void Stop();

  NetHandle net_{*this};
  SOCKET socket_ = INVALID_SOCKET;
  int port_ = 0;
  uint32_t address_ = 0;  // host byte order
  uint32_t startedMs_ = 0;  // MillisecondClock
  // Counts starts: onDone may start the next query while a notice of the
  // last one is still being handled.
  unsigned startCount_ = 0;
  MasterResult result_ = MasterResult::Pending;
  std::unique_ptr<MasterExchange> exchange_;
  std::string outgoing_;
  uintptr_t lookupId_ = 0;  // the running lookup, 0 when none
  size_t droppedLookups_ = 0;
};
