// The master list reader: the first byte picks the size of the pieces the
// answer arrives in, the list form asked for and whether the master closes at
// the end, the second the
// greeting's length, the rest is the greeting, over once quiet, then the
// answer, each piece followed by a tick of the clock. Whatever the
// bytes, the challenge is answered at most once with a request of the one
// right length, at most the limit of servers is kept, nothing more is taken
// once done, and an answered greeting's list reads the same in any pieces.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "launcher/core/master_exchange.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

const GameSpyGame& kGame = kGameSpyGames[0];

struct Result {
  bool answered = false;
  MasterOutcome outcome = MasterOutcome::Pending;
  std::vector<ListedServer> servers;
};

Result Run(std::string_view greeting, std::string_view answer, size_t piece, bool close, ListForm form) {
  MasterExchange exchange(kGame, form);
  Result result;
  const std::string sent = exchange.Take(greeting, 0) + exchange.Tick(kGreetingQuietMs);
  result.answered = !sent.empty();
  if (result.answered) FUZZ_CHECK(sent.size() == MasterListRequest(kGame, "ABCDEF", form).size());
  for (size_t at = 0; at < answer.size(); at += piece) {
    const bool wasDone = exchange.Done();
    const uint32_t nowMs = 2 * kGreetingQuietMs + static_cast<uint32_t>(at);
    const std::string again = exchange.Take(answer.substr(at, piece), nowMs) + exchange.Tick(nowMs + kGreetingQuietMs);
    FUZZ_CHECK(again.empty() || !result.answered);
    result.answered = result.answered || !again.empty();
    if (wasDone) FUZZ_CHECK(exchange.Outcome() != MasterOutcome::Pending);
    FUZZ_CHECK(exchange.Servers().size() <= kMaxListedServers);
    FUZZ_CHECK(exchange.EntriesRead() >= exchange.Servers().size());
  }
  const MasterOutcome before = exchange.Outcome();
  if (close) exchange.Closed();
  if (before != MasterOutcome::Pending) FUZZ_CHECK(exchange.Outcome() == before);
  if (close) FUZZ_CHECK(exchange.Done());
  if (exchange.Outcome() == MasterOutcome::List) FUZZ_CHECK(result.answered);
  result.outcome = exchange.Outcome();
  result.servers = exchange.Servers();
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t piece = 1 + data[0] % 16;
  const bool close = data[0] & 0x80;
  const ListForm form = data[0] & 0x40 ? ListForm::Text : ListForm::Compact;
  const std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
  const std::string_view greeting = rest.substr(0, std::min<size_t>(data[1], rest.size()));
  const std::string_view answer = rest.substr(greeting.size());

  const Result inPieces = Run(greeting, answer, piece, close, form);
  const Result whole = Run(greeting, answer, answer.size() + 1, close, form);
  MasterExchange probe(kGame, form);
  if (!(probe.Take(greeting, 0) + probe.Tick(kGreetingQuietMs)).empty()) {
    FUZZ_CHECK(inPieces.outcome == whole.outcome);
    FUZZ_CHECK(inPieces.servers == whole.servers);
  }
  return 0;
}
