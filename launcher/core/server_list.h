#pragma once
// The "Server List" window's view of a round's rows: the targets of the saved
// servers or of the servers the masters list for one game, and over the rows
// of the QueryPipeline that asks them (and fills their cells), their places in
// a sort, the cells' texts and which rows the filters let through.
// Platform-free: addresses are IPv4 in host byte order (the first part in the
// top byte), times are millisecond tick counts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/core/master_exchange.h"
#include "launcher/core/query_pipeline.h"
#include "launcher/core/query_reply.h"

// Where the rows come from: the saved servers, a game's master list, or
// whoever answers on the local network.
enum class ServerSource { Saved, AlliedAssault, Spearhead, Breakthrough, LocalNetwork };
constexpr int kServerSourceCount = 5;
const char* ServerSourceCaption(ServerSource source);
// The GameSpy name of the source's game ("mohaa", ...); "" for the others.
const char* ServerSourceGame(ServerSource source);

// Lock: a padlock drawn when the server asks for a password; its cell has no text.
enum class ServerColumn { Server, Name, Map, Players, Ping, Lock };
constexpr int kServerColumnCount = 6;
const char* ServerColumnCaption(ServerColumn column);

// Pings as in-game browsers colour them.
enum class PingBand { Good, Fair, Poor };
constexpr int kGoodPingBelowMs = 100;
constexpr int kFairPingBelowMs = 200;
PingBand PingBandOf(int pingMs);

// A hostile sip.txt can hold millions of lines; the window queries at most this many.
constexpr size_t kMaxServerRows = 1024;
// How long a host name may take to resolve before its rows show "bad address";
// the reply wait starts only when the request has gone out.
constexpr int32_t kServerNameLimitMs = 5000;

struct ServerFilter {
  bool hideEmpty = false;    // answered rows without players
  bool hideFull = false;     // answered rows with every slot taken
  bool hideNoReply = false;  // rows that did not answer or have no address
  std::string search;        // kept: rows whose name, map or a player's name holds it, in any case
  bool operator==(const ServerFilter&) const = default;
};

// The saved servers in their order, then the server field's text when it is
// not among them; empty entries are left out. At most kMaxServerRows: the
// field's text keeps its place, saved entries past the limit are dropped.
std::vector<std::string> ServerListEntries(const std::vector<std::string>& saved, const std::string& fieldText);

// Where the servers' rows are asked: a saved server at its text's host and
// port with a status reply, at most kMaxServerRows; a listed one at its query
// port with a query reply, at most kMaxListedServers.
std::vector<QueryTarget> SavedServerTargets(const std::vector<std::string>& servers);
std::vector<QueryTarget> ListedServerTargets(const std::vector<ListedServer>& servers);

// "N of M masters answered · S servers · P players", or for the saved
// servers "S servers · P players" (masters < 0); the dot is code page 1252's.
std::string ServerListSummary(int mastersAnswered, int masters, size_t servers, int64_t players);

class ServerList {
 public:
  // The rows of a round's pipeline, which outlives the list.
  explicit ServerList(const std::vector<ServerRow>& rows) : rows_(&rows) {}

  // A new round: the list forgets its places and takes the rows there are now, in their order.
  void StartRound();
  // The row with the number changed: a row new to the list takes the last
  // place. Returns its place.
  size_t RowChanged(size_t number);

  // The row at a place.
  const ServerRow& At(size_t place) const { return (*rows_)[numberAt_[place]]; }
  size_t Size() const { return numberAt_.size(); }
  // The place of the row with the given number now, wherever sorting took it.
  size_t PlaceOf(size_t number) const { return number < placeOfNumber_.size() ? placeOfNumber_[number] : Size(); }
  // What finds the row's server again in a later list of the same source:
  // the address and port it is asked at, which its reply does not change.
  std::string KeyOf(size_t place) const;
  // The number of the first row with the key; SIZE_MAX when no row has it.
  size_t NumberOfKey(const std::string& key) const;

  // Sorts by column; the same column again reverses the order. Rows without
  // a reply stay last by "Players", "Ping" and "Lock" either way. Returns
  // where each row was: place i now holds what place result[i] held before.
  std::vector<size_t> SortBy(ServerColumn column);
  // Sorts in the given order, as a remembered sort is restored.
  std::vector<size_t> SortBy(ServerColumn column, bool descending);
  // Sorts again by the last column and order, as rows filled in since.
  std::vector<size_t> SortAgain();
  bool Sorted() const { return sorted_; }
  ServerColumn SortColumn() const { return sortColumn_; }
  bool Descending() const { return descending_; }
  std::string CellText(size_t place, ServerColumn column) const;

  void SetFilter(const ServerFilter& filter);
  const ServerFilter& Filter() const { return filter_; }
  // The places of the rows the filter lets through, in order: what the window lists.
  const std::vector<size_t>& Shown() const;
  // Whether a row came into or went out of Shown() since it was last read.
  bool ShownChanged() const { return shownStale_; }
  // The place's position among Shown(), or -1 when it is filtered out.
  int ShownPositionOf(size_t place) const;
  // The players of the answered rows, all added up.
  int64_t PlayersTotal() const;

 private:
  bool Passes(const ServerRow& row) const;
  void UpdateVisible(size_t place);
  std::vector<size_t> Reorder(const std::vector<size_t>& order);

  const std::vector<ServerRow>* rows_;  // by number
  std::vector<size_t> numberAt_;       // by place
  std::vector<size_t> placeOfNumber_;  // by number
  ServerColumn sortColumn_ = ServerColumn::Server;
  bool sorted_ = false;
  bool descending_ = false;
  ServerFilter filter_;
  std::string searchLower_;
  std::vector<char> visible_;  // by place: whether the filter lets it through
  mutable std::vector<size_t> shown_;
  mutable bool shownStale_ = true;
};
