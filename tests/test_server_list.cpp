#include <gtest/gtest.h>

#include <memory>

#include "launcher/core/server_list.h"
#include "launcher/core/server_status.h"

using namespace std::string_literals;

namespace {

constexpr uint32_t kLocal = 0x7F000001;  // 127.0.0.1
const std::string kHeader = "\xFF\xFF\xFF\xFFstatusResponse\n";

std::string Reply(const std::string& info, const std::string& players) { return kHeader + info + "\n" + players; }

std::vector<std::string> Column(const ServerList& list, ServerColumn column) {
  std::vector<std::string> cells;
  for (size_t i = 0; i < list.Size(); ++i) cells.push_back(list.CellText(i, column));
  return cells;
}

// Kept apart from the list, so that its rows stay where they are when the list moves.
struct OwnPipeline {
  std::unique_ptr<QueryPipeline> pipeline = std::make_unique<QueryPipeline>(
      kStatusWaitMs, kServerNameLimitMs, QueryPace{.burst = 2000, .maxInFlight = 2000});
};

// A list over a pipeline of its own, as the window asks it: every request
// out at once, the list told of each row that changed.
class AskedList : private OwnPipeline, public ServerList {
 public:
  AskedList() : ServerList(pipeline->Rows()) {}
  // A new round of the servers, asked at nowMs.
  void SetServers(const std::vector<std::string>& servers, uint32_t nowMs = 1000) {
    Ask(SavedServerTargets(servers), nowMs);
  }
  void SetListedServers(const std::vector<ListedServer>& servers, uint32_t nowMs = 1000) {
    Ask(ListedServerTargets(servers), nowMs);
  }
  void Resolve(const std::string& name, uint32_t address, uint32_t nowMs) {
    pipeline->TakeLookupAnswer(name, address, nowMs);
    TakeChanges();
  }
  void AskHeard(const Subnet& network, uint32_t nowMs) {
    pipeline->StartHeard({network}, {12300}, kMaxServerRows, nowMs);
    StartRound();
    TakeChanges();
  }
  // The places of the rows the datagram filled.
  std::vector<size_t> TakeReply(uint32_t address, int port, std::string_view bytes, uint32_t nowMs) {
    pipeline->TakeDatagram({address, port}, bytes, nowMs);
    return TakeChanges();
  }
  // Every wait and name limit over.
  void EndRound() {
    pipeline->Tick(60000);
    TakeChanges();
  }

 private:
  void Ask(std::vector<QueryTarget> targets, uint32_t nowMs) {
    pipeline->Start(std::move(targets), "getstatus", nowMs);
    StartRound();
    TakeChanges();
  }
  std::vector<size_t> TakeChanges() {
    std::vector<size_t> filled;
    for (const RowChange& change : pipeline->TakeChanges()) {
      const size_t place = RowChanged(change.row);
      if (change.stage == QueryStage::Answered) filled.push_back(place);
    }
    return filled;
  }
};

// Servers 127.0.0.1:27001.. in order, all sent at tick 1000.
AskedList SentList(int count) {
  std::vector<std::string> entries;
  for (int i = 0; i < count; ++i) entries.push_back("127.0.0.1:" + std::to_string(27001 + i));
  AskedList list;
  list.SetServers(entries);
  return list;
}

}  // namespace

TEST(ServerListEntries, SavedInOrderThenTheFieldWhenNotAmongThem) {
  struct Case {
    std::vector<std::string> saved;
    std::string field;
    std::vector<std::string> rows;
  } cases[] = {
      {{"b:1", "a:2"}, "", {"b:1", "a:2"}},
      {{"b:1", "a:2"}, "a:2", {"b:1", "a:2"}},
      {{"b:1", "", "a:2"}, "c", {"b:1", "a:2", "c"}},
      {{}, "10.0.0.1", {"10.0.0.1"}},
      {{"A:1"}, "a:1", {"A:1", "a:1"}},  // the text as typed, not the address it names
      {{}, "", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ServerListEntries(c.saved, c.field), c.rows) << c.field;
}

TEST(ServerList, AddressesAndPortsDecideWhetherARowIsQueried) {
  struct Case {
    std::string server;
    QueryStage state;
    int port;
  } cases[] = {
      {"127.0.0.1", QueryStage::Waiting, 12203},     {"127.0.0.1:27960", QueryStage::Waiting, 27960},
      {"game.example:1", QueryStage::Resolving, 1},  {"127.0.0.1:", QueryStage::BadAddress, 0},
      {"127.0.0.1:0", QueryStage::BadAddress, 0},    {"127.0.0.1:65536", QueryStage::BadAddress, 0},
      {"127.0.0.1:x1", QueryStage::BadAddress, 0},   {":27960", QueryStage::BadAddress, 27960},
      {"  :27960", QueryStage::BadAddress, 27960},
  };
  for (const Case& c : cases) {
    AskedList list;
    list.SetServers({c.server});
    ASSERT_EQ(list.Size(), 1u);
    EXPECT_EQ(list.At(0).stage, c.state) << c.server;
    EXPECT_EQ(list.At(0).target.port, c.port) << c.server;
  }
  AskedList many;
  many.SetServers(std::vector<std::string>(kMaxServerRows + 5, "127.0.0.1"));
  EXPECT_EQ(many.Size(), kMaxServerRows);
}

TEST(ServerList, DottedAddresses) {
  struct Case {
    const char* text;
    bool ok;
    uint32_t address;
  } cases[] = {
      {"127.0.0.1", true, kLocal},   {"10.1.2.255", true, 0x0A0102FF}, {"0.0.0.0", false, 0},
      {"256.0.0.1", false, 0},       {"1.2.3", false, 0},              {"1.2.3.4.5", false, 0},
      {"1.2.3.4 ", false, 0},        {" 1.2.3.4", false, 0},           {"1..3.4", false, 0},
      {"0001.2.3.4", false, 0},      {"localhost", false, 0},          {"", false, 0},
  };
  for (const Case& c : cases) {
    uint32_t address = 0;
    EXPECT_EQ(ParseDottedIPv4(c.text, address), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(address, c.address) << c.text;
    }
  }
}

TEST(ServerList, ReplyFillsTheRowOfItsSourceAddressAndPortOnly) {
  AskedList list = SentList(3);
  const std::string reply = Reply("\\sv_hostname\\Fragland\\mapname\\obj/obj_team2\\sv_maxclients\\20",
                                  "12 48 \"Sgt Baker\"\n\n7 65 \"Cpl Dawes\"\n");
  // Strangers: another port, another address, a row not sent to yet.
  EXPECT_TRUE(list.TakeReply(kLocal, 27999, reply, 1010).empty());
  EXPECT_TRUE(list.TakeReply(0x7F000002, 27002, reply, 1010).empty());
  EXPECT_EQ(list.TakeReply(kLocal, 27002, reply, 1042), std::vector<size_t>{1});
  // A second datagram from the same server changes nothing.
  EXPECT_TRUE(list.TakeReply(kLocal, 27002, Reply("\\mapname\\other", ""), 1500).empty());
  EXPECT_EQ(Column(list, ServerColumn::Name), (std::vector<std::string>{"", "Fragland", ""}));
  EXPECT_EQ(Column(list, ServerColumn::Map), (std::vector<std::string>{"", "obj/obj_team2", ""}));
  EXPECT_EQ(Column(list, ServerColumn::Players), (std::vector<std::string>{"", "2/20", ""}))
      << "empty player lines do not count";
  EXPECT_EQ(Column(list, ServerColumn::Ping), (std::vector<std::string>{"", "42", ""}));

  EXPECT_EQ(list.At(2).stage, QueryStage::Waiting);
  list.EndRound();
  EXPECT_EQ(Column(list, ServerColumn::Ping), (std::vector<std::string>{"no reply", "42", "no reply"}));
  EXPECT_TRUE(list.TakeReply(kLocal, 27001, reply, 2600).empty()) << "a reply after the round is dropped";
}

TEST(ServerList, RowsOfTheSameServerAreFilledTogetherAndANewRoundForgetsReplies) {
  AskedList list;
  const std::vector<std::string> servers{"127.0.0.1:27001", "localhost:27001", "bad:port"};
  list.SetServers(servers, 0);
  list.Resolve("localhost", kLocal, 5);
  EXPECT_EQ(list.TakeReply(kLocal, 27001, Reply("\\mapname\\dm/mohdm1", ""), 20), (std::vector<size_t>{0, 1}));
  EXPECT_EQ(Column(list, ServerColumn::Ping), (std::vector<std::string>{"20", "15", "bad address"}));
  list.SetServers(servers, 25);
  EXPECT_EQ(Column(list, ServerColumn::Map), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(list.At(1).stage, QueryStage::Resolving);
  EXPECT_EQ(list.At(2).stage, QueryStage::BadAddress);
  EXPECT_EQ(list.TakeReply(kLocal, 27001, Reply("\\mapname\\x", ""), 30), std::vector<size_t>{0})
      << "the row by name is not sent in this round before its name resolves";
}

TEST(ServerList, HostileRepliesKeepValuesWithinTheirLimits) {
  const std::string longName(5000, 'n');
  struct Case {
    std::string reply;
    std::string name, map, players;
  } cases[] = {
      {"", "", "", "0/"},
      {std::string(65536, '\n'), "", "", "0/"},
      {std::string(65536, '\\'), "", "", "0/"},
      {Reply("\\sv_hostname\\" + longName + "\\mapname\\" + std::string(100, 'm'), "p\n"), std::string(64, 'n'),
       std::string(25, 'm'), "1/"},
      {Reply("\\SV_HOSTNAME\\A\0B\\sv_maxclients\\99999999"s, "\0\n"s), "A\0B"s, "", "1/99999"},
  };
  for (const Case& c : cases) {
    AskedList list = SentList(1);
    ASSERT_EQ(list.TakeReply(kLocal, 27001, c.reply, 1000).size(), 1u);
    EXPECT_EQ(list.CellText(0, ServerColumn::Name), c.name);
    EXPECT_EQ(list.CellText(0, ServerColumn::Map), c.map);
    EXPECT_EQ(list.CellText(0, ServerColumn::Players), c.players);
  }
}

TEST(ServerList, SortsByColumnNumbersAsNumbersAndReversesOnTheSecondClick) {
  AskedList list = SentList(4);
  list.TakeReply(kLocal, 27001, Reply("\\sv_hostname\\bravo\\sv_maxclients\\8", "a\nb\nc\n"), 1120);
  list.TakeReply(kLocal, 27002, Reply("\\sv_hostname\\Alpha\\sv_maxclients\\20", std::string(10, 'p') + "\n"), 1009);
  std::string elevenPlayers;
  for (int i = 0; i < 11; ++i) elevenPlayers += "p\n";
  list.TakeReply(kLocal, 27003, Reply("\\sv_hostname\\charlie\\sv_maxclients\\16", elevenPlayers), 1080);
  list.EndRound();  // 27004 stays silent
  using Cells = std::vector<std::string>;
  EXPECT_EQ(list.SortBy(ServerColumn::Players), (std::vector<size_t>{1, 0, 2, 3})) << "where each row was";
  EXPECT_EQ(Column(list, ServerColumn::Players), (Cells{"1/20", "3/8", "11/16", ""}));
  list.SortBy(ServerColumn::Players);
  EXPECT_EQ(Column(list, ServerColumn::Players), (Cells{"11/16", "3/8", "1/20", ""}));
  list.SortBy(ServerColumn::Ping);
  EXPECT_EQ(Column(list, ServerColumn::Ping), (Cells{"9", "80", "120", "no reply"}));
  list.SortBy(ServerColumn::Name);
  EXPECT_EQ(Column(list, ServerColumn::Name), (Cells{"", "Alpha", "bravo", "charlie"})) << "case does not count";
  list.SortBy(ServerColumn::Name);
  EXPECT_EQ(Column(list, ServerColumn::Name), (Cells{"charlie", "bravo", "Alpha", ""}));
  list.SortBy(ServerColumn::Server);
  EXPECT_EQ(Column(list, ServerColumn::Server),
            (Cells{"127.0.0.1:27001", "127.0.0.1:27002", "127.0.0.1:27003", "127.0.0.1:27004"}));
  // The rows move whole: a late reply still finds its server, a round its row.
  EXPECT_EQ(list.At(1).name, "Alpha");
  EXPECT_EQ(list.PlaceOf(0), 0u);
  list.SortBy(ServerColumn::Server);
  EXPECT_EQ(list.At(list.PlaceOf(1)).name, "Alpha");
  EXPECT_EQ(list.PlaceOf(1), 2u);
}

TEST(ServerList, RowsWithoutANumberStayLastWhicheverWayPlayersOrPingSort) {
  AskedList list;
  list.SetServers({"127.0.0.1:", "127.0.0.1:27004", "127.0.0.1:27001", "127.0.0.1:27002", "127.0.0.1:27003"});
  list.TakeReply(kLocal, 27001, Reply("\\sv_maxclients\\8", "a\nb\nc\n"), 1120);
  list.TakeReply(kLocal, 27002, Reply("\\sv_maxclients\\20", "p\n"), 1009);
  std::string elevenPlayers;
  for (int i = 0; i < 11; ++i) elevenPlayers += "p\n";
  list.TakeReply(kLocal, 27003, Reply("\\sv_maxclients\\16", elevenPlayers), 1080);
  list.EndRound();  // 27004 stays silent
  struct Case {
    ServerColumn column;
    int clicks;
    std::vector<std::string> cells;  // "players|ping"
  } cases[] = {
      {ServerColumn::Players, 1, {"1/20|9", "3/8|120", "11/16|80", "|no reply", "|bad address"}},
      {ServerColumn::Players, 2, {"11/16|80", "3/8|120", "1/20|9", "|no reply", "|bad address"}},
      {ServerColumn::Ping, 1, {"1/20|9", "11/16|80", "3/8|120", "|no reply", "|bad address"}},
      {ServerColumn::Ping, 2, {"3/8|120", "11/16|80", "1/20|9", "|no reply", "|bad address"}},
  };
  for (const Case& c : cases) {
    ServerList sorted = list;
    for (int i = 0; i < c.clicks; ++i) sorted.SortBy(c.column);
    std::vector<std::string> cells;
    for (size_t i = 0; i < sorted.Size(); ++i) {
      cells.push_back(sorted.CellText(i, ServerColumn::Players) + "|" + sorted.CellText(i, ServerColumn::Ping));
    }
    EXPECT_EQ(cells, c.cells) << ServerColumnCaption(c.column) << " clicked " << c.clicks << " times";
  }
}

TEST(ServerListEntries, TheTypedServerKeepsItsRowPastTheRowLimit) {
  std::vector<std::string> saved;
  for (int i = 0; i < 3000; ++i) saved.push_back("10.0.0.1:" + std::to_string(1 + i));
  const std::string beyond = saved[2000];
  struct Case {
    size_t savedCount;
    std::string field;
    std::string lastRow;
  } cases[] = {
      {kMaxServerRows - 1, "typed.example", "typed.example"},
      {kMaxServerRows, "typed.example", "typed.example"},
      {3000, "typed.example", "typed.example"},
      {3000, beyond, beyond},             // saved, but past the limit
      {3000, saved[5], saved[kMaxServerRows - 1]},  // saved within the limit: no second row
      {3000, "", saved[kMaxServerRows - 1]},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> entries =
        ServerListEntries(std::vector<std::string>(saved.begin(), saved.begin() + c.savedCount), c.field);
    AskedList list;
    list.SetServers(entries);
    ASSERT_EQ(list.Size(), std::min<size_t>(kMaxServerRows, c.savedCount + (c.field == "typed.example")))
        << c.savedCount << " " << c.field;
    EXPECT_EQ(list.At(list.Size() - 1).server, c.lastRow) << c.savedCount << " " << c.field;
    EXPECT_EQ(list.At(0).server, saved[0]);
  }
}

namespace {

// Listed servers 127.0.0.1:12300.. in order, all sent at tick 1000.
AskedList SentListedServers(int count) {
  std::vector<ListedServer> listed;
  for (int i = 0; i < count; ++i) listed.push_back({kLocal, static_cast<uint16_t>(12300 + i)});
  AskedList list;
  list.SetListedServers(listed);
  return list;
}

const std::string kQueryReplyPairs =
    "\\hostname\\Omaha\\mapname\\obj/obj_team3\\hostport\\12203\\numplayers\\2\\maxplayers\\8\\password\\1"
    "\\player_0\\Baker\\frags_0\\7\\ping_0\\40\\player_1\\Dawes\\frags_1\\-2\\ping_1\\95";

}  // namespace

TEST(ServerList, ListedServersAreFilledWhenEveryPartOfTheirReplyIsIn) {
  const std::string part1 = "\\hostname\\Omaha\\mapname\\obj/obj_team3\\queryid\\7.1";
  const std::string part2 = "\\hostport\\12203\\numplayers\\1\\maxplayers\\8\\password\\1\\queryid\\7.2";
  const std::string part3 = "\\player_0\\Baker\\frags_0\\7\\ping_0\\40\\final\\\\queryid\\7.3";
  struct Case {
    const char* what;
    std::vector<std::pair<int, std::string>> datagrams;  // query port, bytes
    std::string server, players, ping;
  } cases[] = {
      {"in order", {{12300, part1}, {12300, part2}, {12300, part3}}, "127.0.0.1:12203", "1/8", "30"},
      {"last first, one repeated", {{12300, part3}, {12300, part2}, {12300, part2}, {12300, part1}}, "127.0.0.1:12203",
       "1/8", "30"},
      {"a part missing", {{12300, part1}, {12300, part3}}, "127.0.0.1:12300", "", "no reply"},
      {"a part from another port", {{12300, part1}, {12301, part2}, {12300, part3}}, "127.0.0.1:12300", "", "no reply"},
      {"no final part", {{12300, part1}, {12300, part2}}, "127.0.0.1:12300", "", "no reply"},
      {"one datagram without a query id", {{12300, kQueryReplyPairs}}, "127.0.0.1:12203", "2/8", "30"},
  };
  for (const Case& c : cases) {
    AskedList list = SentListedServers(2);
    for (const auto& [port, bytes] : c.datagrams) list.TakeReply(kLocal, port, bytes, 1030);
    list.EndRound();
    EXPECT_EQ(list.CellText(0, ServerColumn::Server), c.server) << c.what;
    EXPECT_EQ(list.CellText(0, ServerColumn::Players), c.players) << c.what;
    EXPECT_EQ(list.CellText(0, ServerColumn::Ping), c.ping) << c.what;
    EXPECT_EQ(list.At(1).stage, QueryStage::NoReply) << c.what << ": the other row";
  }
  AskedList list = SentListedServers(1);
  ASSERT_EQ(list.TakeReply(kLocal, 12300, kQueryReplyPairs, 1040), std::vector<size_t>{0});
  EXPECT_TRUE(list.At(0).password);
  EXPECT_EQ(list.At(0).players, (std::vector<ServerPlayer>{{"Baker", 7, 40}, {"Dawes", -2, 95}}));
}

TEST(ServerList, PartsBeyondTheBudgetOfAllRowsAreDroppedButWholeRepliesStillFill) {
  const int rows = static_cast<int>(kMaxPartialReplyBytes / kMaxReplyBytes) + 8;
  AskedList list = SentListedServers(rows + 1);
  const std::string bulk = "\\x\\" + std::string(2000, 'y');  // 31 parts: nearly a whole reply
  for (int row = 0; row < rows; ++row) {
    for (int part = 1; part <= kMaxReplyParts - 1; ++part) {
      list.TakeReply(kLocal, 12300 + row, bulk + "\\queryid\\1." + std::to_string(part), 1010);
    }
  }
  EXPECT_EQ(list.TakeReply(kLocal, 12300 + rows, kQueryReplyPairs, 1020), std::vector<size_t>{static_cast<size_t>(rows)});
  // The first rows kept their parts: their last part completes them.
  EXPECT_EQ(list.TakeReply(kLocal, 12300, "\\final\\\\queryid\\1.32", 1030), std::vector<size_t>{0});
  EXPECT_TRUE(list.TakeReply(kLocal, 12300 + rows - 1, "\\final\\\\queryid\\1.32", 1030).empty())
      << "the last rows' parts went beyond the budget";
}

TEST(ServerList, FiltersAndSearchKeepTheRowsAPlayerLooksFor) {
  AskedList list;
  list.SetServers({"127.0.0.1:27001", "127.0.0.1:27002", "127.0.0.1:27003", "127.0.0.1:27004", "127.0.0.1:"});
  list.TakeReply(kLocal, 27001, Reply("\\sv_hostname\\Empty Fields\\mapname\\dm/mohdm1\\sv_maxclients\\8", ""), 1010);
  list.TakeReply(kLocal, 27002, Reply("\\sv_hostname\\Full House\\mapname\\obj/obj_team2\\sv_maxclients\\2",
                                      "1 20 \"Sgt Baker\"\n3 40 \"Cpl DAWES\"\n"), 1020);
  list.TakeReply(kLocal, 27003, Reply("\\sv_hostname\\Half\\mapname\\dm/mohdm6\\sv_maxclients\\8", "0 9 \"dawes2\"\n"),
                 1030);
  list.EndRound();  // 27004 silent, 27005 no port
  struct Case {
    ServerFilter filter;
    std::vector<size_t> shown;
  } cases[] = {
      {{}, {0, 1, 2, 3, 4}},
      {{.hideEmpty = true}, {1, 2, 3, 4}},
      {{.hideFull = true}, {0, 2, 3, 4}},
      {{.hideNoReply = true}, {0, 1, 2}},
      {{.hideEmpty = true, .hideFull = true, .hideNoReply = true}, {2}},
      {{.search = "dawes"}, {1, 2}},  // a player's name, in any case
      {{.search = " HOUSE "}, {1}},
      {{.search = "mohdm"}, {0, 2}},  // the map
      {{.search = "127.0.0.1"}, {}},
      {{.hideFull = true, .search = "dawes"}, {2}},
  };
  for (const Case& c : cases) {
    list.SetFilter(c.filter);
    EXPECT_EQ(list.Shown(), c.shown) << c.filter.search;
  }
  list.SetFilter({.hideEmpty = true});
  EXPECT_EQ(list.ShownPositionOf(0), -1);
  EXPECT_EQ(list.ShownPositionOf(2), 1);
  list.SortBy(ServerColumn::Players, true);
  EXPECT_EQ(list.At(list.Shown()[0]).name, "Full House") << "sorting keeps the filter";
  EXPECT_EQ(list.Shown().size(), 4u);
}

TEST(ServerList, PlayersPingBandsAndTheSummaryLine) {
  EXPECT_EQ(PlayersOfStatusLines({"12 48 \"Sgt \"Ace\" Baker\"", "", "x y", "-3 999 \"\""}),
            (std::vector<ServerPlayer>{{"Sgt \"Ace\" Baker", 12, 48}, {"", 0, 0}, {"", -3, 999}}));
  const std::pair<int, PingBand> bands[] = {
      {0, PingBand::Good}, {99, PingBand::Good}, {100, PingBand::Fair}, {199, PingBand::Fair}, {200, PingBand::Poor}};
  for (const auto& [ping, band] : bands) EXPECT_EQ(PingBandOf(ping), band) << ping;
  EXPECT_EQ(ServerListSummary(4, 5, 213, 388), "4 of 5 masters answered \xB7 213 servers \xB7 388 players");
  EXPECT_EQ(ServerListSummary(0, 1, 1, 1), "0 of 1 masters answered \xB7 1 server \xB7 1 player");
  EXPECT_EQ(ServerListSummary(-1, -1, 3, 0), "3 servers \xB7 0 players");
}

// Refresh finds the selected server again in the new list, wherever the list
// puts it and whatever its reply made of the text shown.
TEST(ServerList, AServersKeyFindsItInALaterListOfTheSameSource) {
  AskedList listed = SentListedServers(3);
  listed.TakeReply(kLocal, 12301, kQueryReplyPairs, 1030);  // shows game port 12203 from now on
  AskedList listedAgain;
  listedAgain.SetListedServers({{kLocal, 12302}, {kLocal, 12301}});
  const AskedList saved = SentList(2);
  AskedList savedAgain;
  savedAgain.SetServers({"127.0.0.1:27002", "localhost:27001", "127.0.0.1:27001"});
  savedAgain.SortBy(ServerColumn::Server, true);
  struct Case {
    const char* what;
    std::string key;
    const ServerList& again;
    size_t number;
  } cases[] = {
      {"a listed server that named its game port", listed.KeyOf(1), listedAgain, 1},
      {"a listed server no longer listed", listed.KeyOf(0), listedAgain, SIZE_MAX},
      {"a saved server, moved and sorted", saved.KeyOf(0), savedAgain, 2},
  };
  for (const Case& c : cases) EXPECT_EQ(c.again.NumberOfKey(c.key), c.number) << c.what;
}

TEST(ServerList, CountsAndPlayersFromAServerStayWithinWhatTheGameAllows) {
  std::string queryPlayers, statusLines;
  for (int n = 0; n < kMaxQueryReplyPlayers; ++n) queryPlayers += "\\player_" + std::to_string(n) + "\\" + std::string(64, 'p');
  for (int n = 0; n < 900; ++n) statusLines += "1 2 \"" + std::string(64, 'p') + "\"\n";
  struct Case {
    const char* what;
    ReplyForm form;
    std::string reply;
    std::string players;  // the Players cell of each of two rows that sent it
    size_t playersKept;
    int64_t total;
  } cases[] = {
      {"numplayers at the int limit", ReplyForm::Query, "\\numplayers\\2147483647\\maxplayers\\20", "64/20", 0, 128},
      {"maxplayers at the int limit", ReplyForm::Query, "\\numplayers\\3\\maxplayers\\2147483647", "3/64", 0, 6},
      {"64 players with long names", ReplyForm::Query, "\\numplayers\\64\\maxplayers\\64" + queryPlayers, "64/64",
       kMaxRowPlayers, 128},
      {"900 player lines", ReplyForm::Status, Reply("\\sv_maxclients\\64", statusLines), "64/64", kMaxRowPlayers, 128},
  };
  for (const Case& c : cases) {
    const bool spy = c.form == ReplyForm::Query;
    AskedList list = spy ? SentListedServers(2) : SentList(2);
    for (int port : {spy ? 12300 : 27001, spy ? 12301 : 27002}) list.TakeReply(kLocal, port, c.reply, 1010);
    EXPECT_EQ(list.CellText(1, ServerColumn::Players), c.players) << c.what;
    EXPECT_EQ(list.At(1).players.size(), c.playersKept) << c.what;
    for (const ServerPlayer& player : list.At(1).players) EXPECT_EQ(player.name.size(), kMaxPlayerNameText) << c.what;
    EXPECT_EQ(list.PlayersTotal(), c.total) << c.what;
  }
}

TEST(ServerList, ServersHeardOnTheLocalNetworkBecomeRowsShownAndSorted) {
  AskedList list;
  list.SetListedServers({});
  list.SortBy(ServerColumn::Name);
  list.AskHeard({0x0A4D0001, 0xFFFFFF00}, 1000);  // 10.77.0.1/24
  list.TakeReply(0x0A4D0007, 12300, "\\hostname\\Beta\\hostport\\12204\\numplayers\\1\\maxplayers\\8", 1040);
  list.TakeReply(0x0A4D0005, 12300, "\\hostname\\Alpha\\hostport\\12203", 1050);
  EXPECT_EQ(Column(list, ServerColumn::Server), (std::vector<std::string>{"10.77.0.7:12204", "10.77.0.5:12203"}));
  EXPECT_EQ(list.Shown(), (std::vector<size_t>{0, 1}));
  EXPECT_EQ(list.CellText(0, ServerColumn::Players), "1/8");
  EXPECT_EQ(list.CellText(1, ServerColumn::Ping), "50");
  list.SortAgain();
  EXPECT_EQ(Column(list, ServerColumn::Name), (std::vector<std::string>{"Alpha", "Beta"}));
  EXPECT_EQ(list.KeyOf(0), "10.77.0.5:12300") << "found again by where it was heard";
}
