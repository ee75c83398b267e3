#pragma once
// The client's side of asking a master server for one game's server list over
// TCP: fed with the bytes as they arrive, it answers the master's challenge
// once and then reads the list. Memory stays bounded whatever the master
// sends. Platform-free: addresses are IPv4 in host byte order.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/core/gamespy_games.h"

// A server as a master lists it: its address and its query port.
struct ListedServer {
  uint32_t address = 0;
  uint16_t queryPort = 0;
  bool operator==(const ListedServer&) const = default;
};

// A greeting may come in several segments. It ends with "\final\" or, from a
// master that sends no end marker, once the master has been quiet this long:
// it says no more until answered.
constexpr uint32_t kGreetingQuietMs = 100;

// More than any game ever had; a list beyond it keeps its first servers.
constexpr size_t kMaxListedServers = 16384;

enum class MasterOutcome {
  Pending,
  List,         // the list arrived whole
  NotAList,     // what came is no greeting with a challenge, or no list
  ClosedEarly,  // the connection closed before the challenge or before the list ended
  Refused,      // the connection closed after our answer without a byte of a list
};

// The two forms a master sends a list in: 6-byte records, or "\ip\a.b.c.d:port"
// entries. The reader takes only the form it asked for, since a record's bytes
// can read as the start of the text form.
enum class ListForm { Compact, Text };

// What the client sends once it has the challenge: the answer, then the
// request for the game's list in the given form.
std::string MasterListRequest(const GameSpyGame& game, std::string_view challenge,
                              ListForm form = ListForm::Compact);

class MasterExchange {
 public:
  explicit MasterExchange(const GameSpyGame& game, ListForm form = ListForm::Compact) : game_(game), form_(form) {}

  // Takes bytes received at nowMs (any millisecond clock). Returns what to
  // send: the answer and the list request once the greeting is over,
  // otherwise nothing.
  std::string Take(std::string_view bytes, uint32_t nowMs);
  // Time passes with nothing received: a greeting holding its challenge that
  // has been quiet for kGreetingQuietMs is over. Returns what to send then.
  std::string Tick(uint32_t nowMs);
  // The master closed the connection.
  void Closed();

  MasterOutcome Outcome() const { return outcome_; }
  bool Done() const { return outcome_ != MasterOutcome::Pending; }
  // A greeting holding its challenge waits for its end: Tick is due at this time.
  std::optional<uint32_t> GreetingEndsAtMs() const;
  // The servers read so far, in the master's order, at most kMaxListedServers.
  const std::vector<ListedServer>& Servers() const { return servers_; }
  // Every entry read, also those past the limit.
  size_t EntriesRead() const { return entriesRead_; }

 private:
  enum class Phase { Greeting, Records, Addresses };
  enum class TextToken { Opening, Key, AddressValue, OtherValue };

  std::string TakeGreeting(std::string_view bytes);
  std::string EndGreeting(std::string challenge);
  void TakeRecords(std::string_view bytes);
  void TakeAddresses(std::string_view bytes);
  void EndAddressToken();
  void Keep(uint32_t address, int port);
  void CountEntry();
  void Finish(MasterOutcome outcome);

  const GameSpyGame& game_;
  ListForm form_;
  Phase phase_ = Phase::Greeting;
  MasterOutcome outcome_ = MasterOutcome::Pending;
  std::string buffer_;  // the greeting so far, or the bytes of an entry not yet whole
  TextToken textToken_ = TextToken::Opening;  // what the text form's token being read is
  bool answerBytesSeen_ = false;
  uint32_t greetingLastMs_ = 0;  // when the last bytes of the greeting came
  std::string challenge_;  // found in the greeting so far
  std::vector<ListedServer> servers_;
  size_t entriesRead_ = 0;
};
