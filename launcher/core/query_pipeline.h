#pragma once
// One round of server queries without a socket: every row's request paced out,
// the one map of which rows wait at which endpoint, the parts of each reply
// joined and the row's cells filled from it, each row's deadline and the name
// lookups a few at a time. The Windows side hands in datagrams, lookup answers
// and clock ticks, then does what this says: send, look up, drop a lookup,
// tick again at a time; a list shows the rows as they are here.
//
// Words used here and by the code around it:
//   endpoint        an IPv4 address and a port: of a master, a listed server
//                   or a saved server.
//   status reply    a game server's answer to "getstatus" on its game port,
//                   whole in one datagram.
//   query reply     a game server's answer to "\status\" on its query port,
//                   in one or more parts.
//   status display  the main window's fields filled from a status reply.
//   inspection record  the overlay's "SD" record (not read here).
//   row             one server asked in a round, numbered in the order given
//                   (a list's sort never changes its number), with the cells
//                   its reply filled.
//   place           where a row stands in a list's current sort; a sort
//                   changes it. Its shown position is where it stands among
//                   the rows a filter lets through.
//   target          where a row is asked: a host (a dotted address or a name)
//                   and a port, and which reply it waits for.
//   lookup          a name resolved to an address by the system.
// Addresses are IPv4 in host byte order; times are millisecond tick counts
// that may wrap.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "launcher/core/local_network.h"
#include "launcher/core/query_reply.h"

struct Endpoint {
  uint32_t address = 0;
  int port = 0;
  bool operator==(const Endpoint&) const = default;
};

enum class ReplyForm { Status, Query };

// A dotted IPv4 address ("a.b.c.d", each part 0 to 255); 0.0.0.0 is none.
bool ParseDottedIPv4(std::string_view text, uint32_t& address);

// A row of the status display hears every reply until its deadline, and the
// last one counts; a row of a list is done with its first whole reply.
enum class RowListens { UntilFirstReply, UntilDeadline };

struct QueryTarget {
  std::string host;  // blank: no address
  int port = 0;      // 1 to 65535, anything else is no address
  ReplyForm form = ReplyForm::Status;
  RowListens listens = RowListens::UntilFirstReply;
  std::string server;  // what the row shows as its server until its reply names a game port
};

// "a.b.c.d" of an address.
std::string DottedIPv4(uint32_t address);

enum class QueryStage {
  Resolving,   // its name is being looked up, or waits for a lookup
  Queued,      // the address is known, the request waits its turn
  Waiting,     // the request went out
  Answered,    // a whole reply came (a row listening until its deadline may still hear more)
  NoReply,     // nothing whole came by the deadline
  BadAddress,  // no host or port, or a name that did not resolve within its limit
};

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

// The players of a status reply's player lines ("score ping \"name\""), as a row keeps them.
std::vector<ServerPlayer> PlayersOfStatusLines(const std::vector<std::string>& lines);

struct ServerRow {
  QueryTarget target;
  // What the Server column shows and a pick puts into the server field: the
  // target's server, or a listed server's address with its game port once
  // its reply names one.
  std::string server;
  size_t number = 0;
  // Whether server holds the game port: a query reply must name it.
  bool gamePortKnown = true;
  QueryStage stage = QueryStage::BadAddress;
  uint32_t address = 0;  // known once Queued
  std::string name, map, maxPlayers;
  int playerCount = 0;
  int pingMs = 0;  // from the request going out to the reply
  bool password = false;
  std::vector<ServerPlayer> players;
};

// Which row changed; what it holds now is the row's. An answer's reply is the
// status reply datagram, as long as the bytes handed in last (a query reply is
// read into the row's cells).
struct RowChange {
  size_t row = 0;
  QueryStage stage = QueryStage::Waiting;
  uint32_t atMs = 0;  // when it changed: a request is timed before it goes
  std::string_view reply;
};

// How fast requests go out. Measured under Wine against a thousand servers
// on loopback answering in three parts: a burst of them all loses most
// replies, since they come faster than the socket is read. What bounds the
// loss is the rows in flight, whose replies must fit into the socket's
// buffer; within that, 8 requests a millisecond lost none. Tests choose their own.
struct QueryPace {
  double sendsPerMs = 8;
  double burst = 80;  // a 10 ms timer's worth
  // Rows sent within inFlightMs and not answered yet, at most maxInFlight:
  // the replies on their way at once must fit into the socket's buffer.
  size_t maxInFlight = 256;
  uint32_t inFlightMs = 250;
  // Lookups holding a place (started within lookupPlaceMs), at most maxLookups.
  size_t maxLookups = 4;
  uint32_t lookupPlaceMs = 500;
};

// Parts of query replies kept over all rows; beyond this, parts are dropped
// and their rows stay without a reply.
constexpr size_t kMaxPartialReplyBytes = 4 * 1024 * 1024;

class QueryPipeline {
 public:
  // replyWaitMs: how long a row waits from its request on; nameLimitMs: how
  // long its name may take to resolve.
  QueryPipeline(int32_t replyWaitMs, int32_t nameLimitMs, QueryPace pace = {});
  ~QueryPipeline();
  QueryPipeline(const QueryPipeline&) = delete;
  QueryPipeline& operator=(const QueryPipeline&) = delete;

  // Drops the running round and starts a new one. statusRequest is the
  // datagram asking for a status reply; a query reply is asked with "\status\".
  void Start(std::vector<QueryTarget> targets, std::string statusRequest, uint32_t nowMs);
  // A round whose rows are who answers: "\status\" goes to each network's
  // broadcast address on each port, and every sender within one of the
  // networks that sends within the wait becomes a row asked with a query
  // reply, each endpoint once, at most maxRows, numbered as they first send.
  void StartHeard(std::vector<Subnet> networks, const std::vector<int>& ports, size_t maxRows, uint32_t nowMs);
  // Ends the round without a word, its rows gone. The lookups it started are
  // no longer wanted: the caller drops those still running.
  void Stop();
  // Ends the round now: its rows stay, those not over yet with no reply.
  void End();

  // A datagram from an endpoint, read at readAtMs (a ping runs to then),
  // which may be before the last input; anything not awaited from there is
  // dropped unread. A status reply's change reads bytes: take the changes
  // before they go.
  void TakeDatagram(Endpoint from, std::string_view bytes, uint32_t readAtMs);
  // The address a name resolved to; 0 when it did not.
  void TakeLookupAnswer(const std::string& name, uint32_t address, uint32_t nowMs);
  // Deadlines, lookup limits and the pace move on with the clock.
  void Tick(uint32_t nowMs);

  // The requests to send now, in order: to whom and what.
  struct Send {
    Endpoint to;
    std::string_view request;
  };
  std::vector<Send> TakeSends();
  // Names to look up now, and lookups that are over and whose answers are no longer wanted.
  std::vector<std::string> TakeLookupsToStart();
  std::vector<std::string> TakeLookupsToDrop();
  // The rows that changed since the last call, in the order they changed.
  std::vector<RowChange> TakeChanges();
  // When Tick is due next; none while nothing waits on the clock.
  std::optional<uint32_t> NextTickAt() const;

  bool Running() const { return running_; }
  // By number; a round's rows stay after it ends, until the next Start or Stop.
  const std::vector<ServerRow>& Rows() const { return rows_; }

 private:
  // How a row waits for its reply.
  struct Wait {
    uint32_t sentAtMs = 0;
    bool inFlight = false;
    size_t nextAtEndpoint = kNone;  // the next row waiting at the same endpoint
    std::unique_ptr<QueryReplyJoiner> parts;
  };
  struct Lookup {
    std::string name;
    uint32_t startedMs;
  };
  struct Due {
    uint32_t atMs;
    size_t row;
  };
  static constexpr size_t kNone = SIZE_MAX;

  void AddRow(QueryTarget target);
  void Change(size_t row, QueryStage stage, std::string_view reply = {});
  // A row for a sender heard in a round of StartHeard; false when it gets none.
  bool AddHeardRow(Endpoint from, std::string_view bytes);
  bool HearsMore(uint32_t nowMs) const;
  uint32_t nowMs_ = 0;  // the time of the input being taken
  void Queue(size_t row, uint32_t address);
  void SendQueued(uint32_t nowMs);
  void SendRow(size_t row, uint32_t nowMs);
  void TakeFor(size_t row, std::string_view bytes, uint32_t readAtMs);
  // A query reply's part; the reply once the row's is whole.
  std::optional<std::string> TakePart(Wait& wait, std::string_view bytes);
  void DropParts(Wait& wait);
  void Over(size_t row, QueryStage stage);
  void Unlink(size_t row);
  void StartLookups(uint32_t nowMs);
  size_t LookupsHoldingAPlace(uint32_t nowMs) const;
  void NameResolved(const std::string& name, uint32_t address);
  // Waiting, or answered and listening until its deadline.
  bool Listening(size_t row) const;
  // Drops the deadlines of rows no longer listening from the front.
  void DropSpentDeadlines();
  void EndIfDone();

  int32_t replyWaitMs_, nameLimitMs_;
  QueryPace pace_;
  bool running_ = false;
  std::string statusRequest_;
  std::vector<ServerRow> rows_;
  std::vector<Wait> waits_;  // by number, beside rows_
  size_t rowsLeft_ = 0;  // rows not over yet
  // Who waits where: the first row waiting at each endpoint; the others chain from it.
  std::unordered_map<uint64_t, size_t> waitingAt_;
  std::deque<size_t> sendQueue_;
  double allowance_ = 0;
  uint32_t allowanceAtMs_ = 0;
  std::deque<Due> sentLately_;  // rows sent within inFlightMs, in send order
  size_t rowsInFlight_ = 0;
  std::deque<Due> deadlines_;  // in send order, which is the order they fall due
  // Each name once, in the order of its first row.
  std::vector<std::string> names_;
  std::unordered_map<std::string, std::vector<size_t>> rowsOfName_;
  size_t nextName_ = 0;
  std::vector<Lookup> lookups_;
  size_t partialBytes_ = 0;
  std::vector<Send> sends_;
  std::vector<std::string> lookupsToStart_, lookupsToDrop_;
  std::vector<RowChange> changes_;
  std::vector<size_t> endpointRows_;
  // Who may become a row in a round of StartHeard, and who did.
  struct Hearing {
    std::vector<Subnet> networks;
    size_t maxRows = 0;
    uint32_t askedAtMs = 0;
  } hearing_;
  std::unordered_set<uint64_t> heard_;
};
