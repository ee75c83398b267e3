#pragma once
// The "Server List" window's rows: the saved servers or the servers the
// masters list for one game, what each one's reply said, and which rows the
// filters let through. The rows are asked and their replies matched by a
// QueryPipeline, whose changes fill them.
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

// The most players a server of these games holds: a count beyond it is not believed.
constexpr int kMaxServerPlayers = 64;
// What a row keeps of its players for the players pane, so that a full list of
// hostile rows stays small: the first players, their names cut to a length.
constexpr size_t kMaxRowPlayers = 32;
constexpr size_t kMaxPlayerNameText = 32;

struct ServerPlayer {
  std::string name;
  int score = 0;
  int pingMs = 0;
  bool operator==(const ServerPlayer&) const = default;
};

struct ServerRow {
  // What the Server column shows and a pick puts into the server field: the
  // text as saved, or a listed server's address with its game port once its
  // reply names one (the query port until then).
  std::string server;
  size_t number = 0;  // the row's number: where it stood among those given; sorting keeps it
  // Whether server holds the game port: a listed server's reply must name it.
  bool gamePortKnown = true;
  // A saved server answers with a status reply, a listed one with a query reply.
  ReplyForm form = ReplyForm::Status;
  std::string host;  // where the request goes: a name or a dotted address
  int port = 0;
  uint32_t address = 0;  // known once Waiting
  // Queued rows show as Resolving: both have no request out yet.
  QueryStage state = QueryStage::Resolving;
  std::string name, map, maxPlayers;
  int playerCount = 0;
  int pingMs = 0;
  bool password = false;
  std::vector<ServerPlayer> players;
};

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

// The players of a status reply's player lines ("score ping \"name\""), as a row keeps them.
std::vector<ServerPlayer> PlayersOfStatusLines(const std::vector<std::string>& lines);

// "N of M masters answered · S servers · P players", or for the saved
// servers "S servers · P players" (masters < 0); the dot is code page 1252's.
std::string ServerListSummary(int mastersAnswered, int masters, size_t servers, int64_t players);

class ServerList {
 public:
  // One row per server text, at most kMaxServerRows.
  void SetServers(const std::vector<std::string>& servers);
  // One row per listed server, at most kMaxListedServers, each asked "\status\".
  void SetListedServers(const std::vector<ListedServer>& servers);
  // A new round: every row forgets its reply; addresses that cannot be used
  // are BadAddress at once, the others Resolving.
  void StartRound();

  // In sorted order: a row's index here is its place.
  const std::vector<ServerRow>& Rows() const { return rows_; }
  size_t Size() const { return rows_.size(); }
  // The place of the row with the given number now, wherever sorting took it.
  size_t PlaceOf(size_t number) const { return number < placeOfNumber_.size() ? placeOfNumber_[number] : rows_.size(); }
  // What finds the row's server again in a later list of the same source:
  // the address and port it is asked at, which its reply does not change.
  std::string KeyOf(size_t place) const;
  // The number of the first row with the key; SIZE_MAX when no row has it.
  size_t NumberOfKey(const std::string& key) const;

  // Where each row is asked, by number: what the round's pipeline starts with.
  std::vector<QueryTarget> Targets() const;
  // A change of the round's pipeline, whose rows are these rows by number; a
  // server heard on the local network is a new row. Returns the place whose
  // cells it changed, or SIZE_MAX.
  size_t TakeChange(const RowChange& change);
  // Rows without a reply show "no reply" from now on.
  void EndRound();
  bool Waiting() const;

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
  void AddRow(ServerRow row);
  static ServerRow ListedRow(uint32_t address, int queryPort);
  void Fill(ServerRow& row, std::string_view reply, int pingMs);
  bool Passes(const ServerRow& row) const;
  void UpdateVisible(size_t place);
  void Forget(ServerRow& row);
  std::vector<size_t> Reorder(const std::vector<size_t>& order);

  std::vector<ServerRow> rows_;
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
