#pragma once
// Bans for a day, which no server keeps by itself: corvel2 keeps each one
// (address, name, end) in "corvel2-bans.txt" beside its log, kicks the
// address again whenever it shows in the console's status before the end,
// and lifts the server's own ban, where one was used, once the end has come.
// Here the file's text and the list's rules; the Windows layer reads and
// writes the file and keeps the list when it cannot.
//
// The file holds one ban a line, fields apart by a tab, times in UTC:
//   10.0.0.5<TAB>2024-05-02 21:14:03<TAB>Dora<TAB>server
// The last field is "server" when the server's own ban was used; lines
// starting with "#" and lines that do not read are skipped.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "overlay/core/rcon_status.h"

constexpr int64_t kDayBanSeconds = 24 * 60 * 60;

struct DayBan {
  std::string address;  // the host, no port
  std::string name;
  int64_t end = 0;         // seconds since 1970-01-01 00:00 UTC
  bool serverBan = false;  // lift the server's own ban at the end
};

// The bans a file holds, the later end where an address shows twice.
std::vector<DayBan> ReadDayBans(std::string_view text);
std::string WriteDayBans(const std::vector<DayBan>& bans);

// "2024-05-02 21:14:03" for seconds since 1970 (UTC), and back; none for a
// text that is no such time.
std::string UtcTimeText(int64_t seconds);
std::optional<int64_t> ParseUtcTime(std::string_view text);

// True for an address a ban can hold: a player's own IPv4 or IPv6 address,
// not "bot" or "loopback", which many players share.
bool IsBannableAddress(std::string_view address);

class DayBanList {
 public:
  static constexpr size_t kMaxBans = 10000;

  DayBanList() = default;
  // Of two bans of one address the later end holds.
  explicit DayBanList(std::vector<DayBan> bans);

  // Bans the address from now for a day (a second ban of it starts the day
  // again). False, and nothing kept, for an address that cannot be banned or
  // when the list is full.
  bool Add(std::string_view address, std::string_view name, int64_t now, bool serverBan);

  // Removes and returns the bans whose end has come.
  std::vector<DayBan> TakeDue(int64_t now);

  // The clients of a status whose address is banned beyond now: each is to
  // be kicked again.
  std::vector<int> ToKickAgain(const RconStatus& status, int64_t now) const;

  // The bans in the order of their addresses, as the file keeps them.
  std::vector<DayBan> Bans() const;
  size_t Size() const { return bans_.size(); }

 private:
  std::map<std::string, DayBan, std::less<>> bans_;  // by address
};
