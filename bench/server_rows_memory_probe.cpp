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

// Every row asked at tick 0, none held back by the pace.
void AskAtOnce(QueryPipeline& pipeline, ServerList& list) {
  pipeline.Start(list.Targets(), "getstatus", 0);
  for (const RowChange& change : pipeline.TakeChanges()) list.TakeChange(change);
}

// The rows the pipeline's changes filled.
size_t TakeAnswers(QueryPipeline& pipeline, ServerList& list) {
  size_t filled = 0;
  for (const RowChange& change : pipeline.TakeChanges()) {
    if (list.TakeChange(change) != SIZE_MAX && change.stage == QueryStage::Answered) ++filled;
  }
  return filled;
}

// Every listed server answers one hostile query reply.
Held ListedRows() {
  const std::string reply = HostileReply();
  std::vector<ListedServer> listed;
  for (size_t i = 0; i < kMaxListedServers; ++i) {
    listed.push_back({0x7F000000u + static_cast<uint32_t>(i / 1000 + 1), static_cast<uint16_t>(20000 + i % 1000)});
  }
  const size_t bytes0 = liveBytes, blocks0 = liveBlocks;
  ServerList list;
  list.SetListedServers(listed);
  Held held;
  {
    QueryPipeline pipeline(1500, 5000, {.burst = 1e9, .maxInFlight = SIZE_MAX});
    AskAtOnce(pipeline, list);
    for (const ListedServer& server : listed) {
      pipeline.TakeDatagram({server.address, server.queryPort}, reply, 50);
      held.rows += TakeAnswers(pipeline, list);
    }
  }
  list.EndRound();
  held.bytes = liveBytes - bytes0;
  held.blocks = liveBlocks - blocks0;
  Print("listed", reply.size(), held);
  held.players = list.PlayersTotal();
  return held;
}

// Every saved server answers a status reply of nearly 64 KiB of player lines.
Held SavedRows() {
  std::string reply = "\xFF\xFF\xFF\xFFstatusResponse\n\\sv_hostname\\" + std::string(64, 'x') + "\n";
  while (reply.size() < 65000) reply += "-999 999 \"" + std::string(64, 'p') + "\"\n";
  std::vector<std::string> saved;
  for (size_t i = 0; i < kMaxServerRows; ++i) saved.push_back("127.0.0.1:" + std::to_string(20000 + i));
  const size_t bytes0 = liveBytes, blocks0 = liveBlocks;
  ServerList list;
  list.SetServers(saved);
  Held held;
  {
    QueryPipeline pipeline(1500, 5000, {.burst = 1e9, .maxInFlight = SIZE_MAX});
    AskAtOnce(pipeline, list);
    for (size_t i = 0; i < saved.size(); ++i) {
      pipeline.TakeDatagram({0x7F000001, 20000 + int(i)}, reply, 50);
      held.rows += TakeAnswers(pipeline, list);
    }
  }
  list.EndRound();
  held.bytes = liveBytes - bytes0;
  held.blocks = liveBlocks - blocks0;
  Print("saved", reply.size(), held);
  held.players = list.PlayersTotal();
  return held;
}

}  // namespace

int main() {
  const Held listed = ListedRows();
  std::printf("players total of the listed rows: %lld\n", static_cast<long long>(listed.players));
  const Held saved = SavedRows();
  std::printf("players total of the saved rows: %lld\n", static_cast<long long>(saved.players));
  return listed.rows == kMaxListedServers && saved.rows == kMaxServerRows ? 0 : 1;
}
