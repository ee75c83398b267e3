#pragma once
// The remote-console link as the overlay runs it, apart from the socket, the
// clocks and the files. It learns the server's family from its status reply
// before the first rcon request and what the server has from "cmdlist", polls
// "status" every two seconds, asks each new player's settings, keeps the
// bans for a day and kicks their addresses again, and tells the square's
// colour. The window's timer calls Tick and sends what NextDatagram gives;
// the socket hands every datagram from the console's address to
// TakeDatagram; the key steps route their actions here (SetRouter).
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "overlay/core/day_bans.h"
#include "overlay/core/player_actions.h"
#include "overlay/core/rcon_commands.h"
#include "overlay/core/rcon_exchange.h"
#include "overlay/core/rcon_health.h"
#include "overlay/core/rcon_status.h"
#include "overlay/core/rcon_userinfo.h"

class RconSession : public CommandRouter {
 public:
  static constexpr uint32_t kStatusEveryMs = 2000;

  // The password must pass RconPasswordFits; one that does not builds no
  // rcon request, and the session only ever asks the server's status.
  explicit RconSession(std::string password, DayBanList bans = {});

  // Starts (again): forgets the family and what the server has.
  void Start(uint32_t now);

  // Ends requests whose answer is whole or overdue, and queues the polls and
  // the lifting of bans whose day is over. utcNow: seconds since 1970, UTC.
  void Tick(uint32_t now, int64_t utcNow);

  // The datagram to send now, if any: at most one a call, within the rate.
  std::optional<std::string> NextDatagram(uint32_t now);

  void TakeDatagram(std::string_view datagram, uint32_t now);

  // An action key on a client of the last status, and a map change: the
  // commands are queued, and the log gets them joined by "; ". A ban for a
  // day ends a day after the last Tick's time.
  RoutedCommand RouteAction(char key, int client) override;
  RoutedCommand RouteMap(const std::string& map) override;

  const RconHealth& Health() const { return health_; }
  std::optional<ServerFamily> Family() const;

  // The status read since the last call, if one came.
  std::optional<RconStatus> TakeStatus();
  // The players' models read since the last call, by client.
  std::vector<std::pair<int, PlayerModels>> TakeModels();
  // The bans, and whether they changed since the last call (then the file is written).
  const DayBanList& Bans() const { return bans_; }
  bool TakeBansChanged();

 private:
  void Finish(const FinishedRequest& finished, int64_t utcNow);
  void OnStatus(RconStatus status, int64_t utcNow);
  void OnDumpUser(const ConsoleCommand& sent, std::string_view reply);
  void QueuePolls(uint32_t now);
  RoutedCommand QueueCommands(std::vector<ConsoleCommand> commands);
  std::optional<RouteOutcome> BeforeAnyCommand() const;

  std::string password_;
  RconExchange exchange_;
  RconHealth health_;
  std::optional<ServerCommands> server_;  // once the family is known
  bool commandListRead_ = false;
  uint32_t lastStatusPoll_ = 0;
  uint32_t lastCommandList_ = 0;
  bool polledOnce_ = false;
  bool listAskedOnce_ = false;
  std::optional<RconStatus> lastStatus_;
  bool statusNew_ = false;
  std::map<int, std::string> askedPlayers_;  // client to the name his settings were asked for
  std::vector<std::pair<int, PlayerModels>> models_;
  DayBanList bans_;
  bool bansChanged_ = false;
  int64_t utcNow_ = 0;
};
