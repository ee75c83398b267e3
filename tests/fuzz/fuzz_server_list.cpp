// The server list's rows asked by a query pipeline: the first two bytes pick
// saved or listed rows and the datagram's source address and port, the rest
// is the datagram.
// Whatever the bytes, only a row waiting for that address and port is filled,
// and only once (a saved row by any datagram, a listed one by a whole reply);
// its cells and players keep their limits, and so does the players total;
// sorting keeps every row, and rows without a reply last by "Players" and "Ping".
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/core/server_list.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

constexpr uint32_t kSources[] = {0x7F000001, 0x0A000001, 0x7F000002};

// Takes the pipeline's changes as the window does; returns the places filled.
std::vector<size_t> TakeChanges(QueryPipeline& pipeline, ServerList& list) {
  std::vector<size_t> filled;
  for (const RowChange& change : pipeline.TakeChanges()) {
    const size_t place = list.RowChanged(change.row);
    if (change.stage == QueryStage::Answered) filled.push_back(place);
  }
  return filled;
}

// Every row with an address asked at tick 100; the name "localhost" never resolves.
void SendRows(ReplyForm form, QueryPipeline& pipeline, ServerList& list) {
  if (form == ReplyForm::Query) {
    pipeline.Start(ListedServerTargets({{0x7F000001, 27960}, {0x7F000001, 27961}, {0x0A000001, 27960},
                                        {0x7F000001, 27962}, {0x7F000001, 27960}}),
                   "getstatus", 100);
  } else {
    pipeline.Start(SavedServerTargets({"127.0.0.1:27960", "127.0.0.1:27961", "10.0.0.1:27960", "localhost:27960",
                                       "127.0.0.1:27960", "127.0.0.1:x"}),
                   "getstatus", 100);
  }
  list.StartRound();
  TakeChanges(pipeline, list);
}

void CheckFilledRow(const ServerList& list, size_t i, std::string_view reply) {
  const ServerRow& row = list.At(i);
  const ReplyForm form = row.target.form;
  FUZZ_CHECK(row.stage == QueryStage::Answered);
  FUZZ_CHECK(row.name.size() <= 64 && row.map.size() <= 64 && row.maxPlayers.size() <= 5);
  FUZZ_CHECK(form == ReplyForm::Query || row.map.size() <= 25);
  FUZZ_CHECK(row.playerCount >= 0 && row.playerCount <= kMaxServerPlayers);
  FUZZ_CHECK(form == ReplyForm::Query || static_cast<size_t>(row.playerCount) <= reply.size());
  FUZZ_CHECK(row.players.size() <= kMaxRowPlayers);
  for (const ServerPlayer& player : row.players) FUZZ_CHECK(player.name.size() <= kMaxPlayerNameText);
  FUZZ_CHECK(list.CellText(i, ServerColumn::Players) == std::to_string(row.playerCount) + "/" + row.maxPlayers);
  FUZZ_CHECK(list.CellText(i, ServerColumn::Ping) == "7");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint32_t address = kSources[data[0] % 3];
  const ReplyForm form = (data[0] / 3) % 2 ? ReplyForm::Query : ReplyForm::Status;
  const int port = 27959 + data[1] % 4;
  const std::string_view reply(reinterpret_cast<const char*>(data + 2), size - 2);

  QueryPipeline pipeline(1500, 5000);
  ServerList list(pipeline.Rows());
  SendRows(form, pipeline, list);
  const std::vector<ServerRow> before = pipeline.Rows();
  pipeline.TakeDatagram({address, port}, reply, 107);
  const std::vector<size_t> filled = TakeChanges(pipeline, list);
  int64_t total = 0;
  for (size_t i = 0; i < list.Size(); ++i) {
    const ServerRow& was = before[i];
    const bool waitedForIt = was.stage == QueryStage::Waiting && was.address == address && was.target.port == port;
    const bool isFilled = std::find(filled.begin(), filled.end(), i) != filled.end();
    FUZZ_CHECK(form == ReplyForm::Query ? !isFilled || waitedForIt : waitedForIt == isFilled);
    if (isFilled) {
      CheckFilledRow(list, i, reply);
      total += list.At(i).playerCount;
    } else {
      FUZZ_CHECK(list.At(i).stage == before[i].stage && list.At(i).name.empty());
    }
  }
  FUZZ_CHECK(list.PlayersTotal() == total);
  pipeline.TakeDatagram({address, port}, reply, 200);
  FUZZ_CHECK(TakeChanges(pipeline, list).empty());

  pipeline.Tick(100000);  // every wait over
  TakeChanges(pipeline, list);
  list.SortBy(static_cast<ServerColumn>(data[0] % kServerColumnCount));
  // Every row once, each still showing its own server (a listed one may have learnt its game port).
  std::vector<size_t> rowNumbers;
  for (size_t i = 0; i < list.Size(); ++i) {
    const ServerRow& row = list.At(i);
    rowNumbers.push_back(row.number);
    FUZZ_CHECK(list.PlaceOf(row.number) == i);
    FUZZ_CHECK(row.server == before[row.number].server || row.target.form == ReplyForm::Query);
  }
  std::sort(rowNumbers.begin(), rowNumbers.end());
  for (size_t i = 0; i < rowNumbers.size(); ++i) FUZZ_CHECK(rowNumbers[i] == i);

  // By a column of numbers the rows without one stay last, whichever the direction.
  const ServerColumn numbers = data[1] % 2 ? ServerColumn::Players : ServerColumn::Ping;
  for (int click = 0; click < 2; ++click) {
    list.SortBy(numbers);
    std::vector<bool> answered;
    for (size_t i = 0; i < list.Size(); ++i) answered.push_back(list.At(i).stage == QueryStage::Answered);
    FUZZ_CHECK(std::is_partitioned(answered.begin(), answered.end(), [](bool a) { return a; }));
  }
  return 0;
}
