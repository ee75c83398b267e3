// Prints the heap a full list of hostile rows holds: as many listed servers as
// the masters may give, each answering with the largest reply a row takes in
// (64 players with long names, long texts), and as many saved servers each
// answering nearly 64 KiB of player lines. Every allocation is counted here,
// so the figure is the bytes asked for plus a typical 16-byte block overhead.
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "launcher/core/server_list.h"

namespace {

size_t liveBytes = 0;
size_t liveBlocks = 0;
constexpr size_t kBlockOverhead = 16;

std::string HostileReply() {
  const std::string text(64, 'x');
  std::string reply = "\\hostname\\" + text + "\\mapname\\" + text + "\\gametype\\" + text + "\\gamever\\" + text +
                      "\\hostport\\12203\\numplayers\\2147483647\\maxplayers\\2147483647\\password\\1";
  for (int n = 0; n < kMaxQueryReplyPlayers; ++n) {
    const std::string number = std::to_string(n);
    reply += "\\player_" + number + "\\" + text + "\\frags_" + number + "\\-999\\ping_" + number + "\\999";
  }
  return reply;
}

double MiB(size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

}  // namespace

void* operator new(size_t size) {
  void* block = std::malloc(size + sizeof(size_t));
  if (!block) throw std::bad_alloc();
  *static_cast<size_t*>(block) = size;
  liveBytes += size;
  ++liveBlocks;
  return static_cast<size_t*>(block) + 1;
}

void operator delete(void* memory) noexcept {
  if (!memory) return;
  size_t* block = static_cast<size_t*>(memory) - 1;
  liveBytes -= *block;
  --liveBlocks;
  std::free(block);
}

void operator delete(void* memory, size_t) noexcept { operator delete(memory); }

namespace {

struct Held {
  size_t rows = 0, bytes = 0, blocks = 0;
  int64_t players = 0;
};

void Print(const char* what, size_t replyBytes, const Held& held) {
  const size_t withOverhead = held.bytes + held.blocks * kBlockOverhead;
  std::printf("%s: %zu rows answered with %zu-byte replies hold %.1f MiB in %zu blocks (%.1f MiB with block "
              "overhead), %zu bytes a row\n",
              what, held.rows, replyBytes, MiB(held.bytes), held.blocks, MiB(withOverhead),
              withOverhead / (held.rows ? held.rows : 1));
}

// The rows of a round's pipeline and the list over them, every row asked at
// tick 0 (none held back by the pace) and answered with the reply, the round then over.
Held HeldByRows(const char* what, std::vector<QueryTarget> targets, const std::vector<Endpoint>& senders,
                const std::string& reply) {
  const size_t bytes0 = liveBytes, blocks0 = liveBlocks;
  QueryPipeline pipeline(1500, 5000, {.burst = 1e9, .maxInFlight = SIZE_MAX});
  ServerList list(pipeline.Rows());
  pipeline.Start(std::move(targets), "getstatus", 0);
  Held held;
  for (const Endpoint& sender : senders) {
    pipeline.TakeDatagram(sender, reply, 50);
    for (const RowChange& change : pipeline.TakeChanges()) {
      list.RowChanged(change.row);
      if (change.stage == QueryStage::Answered) ++held.rows;
    }
  }
  pipeline.Tick(60000);
  pipeline.TakeChanges();
  held.bytes = liveBytes - bytes0;
  held.blocks = liveBlocks - blocks0;
  Print(what, reply.size(), held);
  held.players = list.PlayersTotal();
  return held;
}

// Every listed server answers one hostile query reply.
Held ListedRows() {
  std::vector<ListedServer> listed;
  std::vector<Endpoint> senders;
  for (size_t i = 0; i < kMaxListedServers; ++i) {
    listed.push_back({0x7F000000u + static_cast<uint32_t>(i / 1000 + 1), static_cast<uint16_t>(20000 + i % 1000)});
    senders.push_back({listed.back().address, listed.back().queryPort});
  }
  return HeldByRows("listed", ListedServerTargets(listed), senders, HostileReply());
}

// Every saved server answers a status reply of nearly 64 KiB of player lines.
Held SavedRows() {
  std::string reply = "\xFF\xFF\xFF\xFFstatusResponse\n\\sv_hostname\\" + std::string(64, 'x') + "\n";
  while (reply.size() < 65000) reply += "-999 999 \"" + std::string(64, 'p') + "\"\n";
  std::vector<std::string> saved;
  std::vector<Endpoint> senders;
  for (size_t i = 0; i < kMaxServerRows; ++i) {
    saved.push_back("127.0.0.1:" + std::to_string(20000 + i));
    senders.push_back({0x7F000001, 20000 + static_cast<int>(i)});
  }
  return HeldByRows("saved", SavedServerTargets(saved), senders, reply);
}

}  // namespace

int main() {
  const Held listed = ListedRows();
  std::printf("players total of the listed rows: %lld\n", static_cast<long long>(listed.players));
  const Held saved = SavedRows();
  std::printf("players total of the saved rows: %lld\n", static_cast<long long>(saved.players));
  return listed.rows == kMaxListedServers && saved.rows == kMaxServerRows ? 0 : 1;
}
