#pragma once
// The "Server List" window's rows: every saved server, the status each one
// sent back, and the matching of reply datagrams to their rows. Platform-free:
// addresses are IPv4 in host byte order (the first part in the top byte),
// times are millisecond tick counts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class ServerColumn { Server, Name, Map, Players, Ping };
constexpr int kServerColumnCount = 5;
const char* ServerColumnCaption(ServerColumn column);

enum class RowState {
  Resolving,   // the host name is being looked up
  Waiting,     // the request went out, no reply yet
  Answered,
  NoReply,     // nothing came within the row's wait
  BadAddress,  // no host, a port that is no number, or a name that does not resolve in time
};

// A hostile sip.txt can hold millions of lines; the window queries at most this many.
constexpr size_t kMaxServerRows = 1024;
// How long a host name may take to resolve before its rows show "bad address";
// the reply wait starts only when the request has gone out.
constexpr int32_t kServerNameLimitMs = 5000;

struct ServerRow {
  std::string server;  // the text as saved, put back into the server field on a pick
  size_t entry = 0;    // where it stood among the entries given; sorting keeps it
  std::string host;
  int port = 0;
  uint32_t address = 0;  // known once Waiting
  RowState state = RowState::Resolving;
  uint32_t sentAtMs = 0;
  std::string name, map, maxPlayers;
  int playerCount = 0;
  int pingMs = 0;
};

// The saved servers in their order, then the server field's text when it is
// not among them; empty entries are left out. At most kMaxServerRows: the
// field's text keeps its place, saved entries past the limit are dropped.
std::vector<std::string> ServerListEntries(const std::vector<std::string>& saved, const std::string& fieldText);

// A dotted IPv4 address ("a.b.c.d", each part 0 to 255); 0.0.0.0 is none.
bool ParseDottedIPv4(std::string_view text, uint32_t& address);

class ServerList {
 public:
  // One row per entry, at most kMaxServerRows.
  void SetServers(const std::vector<std::string>& entries);
  // A new round: every row forgets its reply; addresses that cannot be used
  // are BadAddress at once, the others Resolving.
  void StartRound();

  const std::vector<ServerRow>& Rows() const { return rows_; }
  size_t Size() const { return rows_.size(); }
  // The row that shows the given entry now, wherever sorting took it.
  size_t RowOf(size_t entry) const { return entry < rowOfEntry_.size() ? rowOfEntry_[entry] : rows_.size(); }

  void MarkSent(size_t row, uint32_t address, uint32_t nowMs);
  void MarkBadAddress(size_t row);
  // The row's wait ended without a reply.
  void MarkNoReply(size_t row);
  // Takes a datagram from address:port. It fills every row still waiting for
  // that address and port and returns their indexes; anything else is dropped.
  std::vector<size_t> TakeReply(uint32_t address, int port, std::string_view bytes, uint32_t nowMs);
  // Rows without a reply show "no reply" from now on.
  void EndRound();
  bool Waiting() const;

  // Sorts by column; the same column again reverses the order. Rows without
  // a reply stay last by "Players" and "Ping" either way. Returns where each
  // row was: row i now held row result[i] before.
  std::vector<size_t> SortBy(ServerColumn column);
  std::string CellText(size_t row, ServerColumn column) const;

 private:
  std::vector<ServerRow> rows_;
  std::vector<size_t> rowOfEntry_;
  ServerColumn sortColumn_ = ServerColumn::Server;
  bool sorted_ = false;
  bool descending_ = false;
};
