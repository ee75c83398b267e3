#include <gtest/gtest.h>

#include "overlay/core/rcon_session.h"

namespace {

constexpr int64_t kUtc = 1714598043;  // 2024-05-01 21:14:03

const std::string kQ3Status =
    "map: oa_dm1\n"
    "cl score ping name            address                                 rate \n"
    "-- ----- ---- --------------- --------------------------------------- -----\n"
    " 0     0    0 Gargoyle        ^7bot                                     16384\n"
    " 3     2   40 Dora            ^7127.0.0.9                               25000\n"
    " 5     1   60 Emil            ^7127.0.0.5                               25000\n";

// A console that runs what the wire facts say: its family's framing, a
// password, "status", "cmdlist", "dumpuser" and silence for the rest.
struct FakeConsole {
  bool alliedAssault = false;
  bool answering = true;
  std::string password = "secret";
  std::string status = kQ3Status;
  std::string commandList = "cmdlist\nclientkick\nmap\nstatus\ndumpuser\nbanaddr\nbandel\n7 commands\n";
  std::vector<std::string> received;  // "getstatus" or the command run

  std::vector<std::string> Answer(const std::string& datagram) {
    const std::string oob("\xFF\xFF\xFF\xFF", 4);
    const std::string reply = oob + (alliedAssault ? "\x01" : "");
    if (datagram == oob + "\x02 getstatus") {
      received.push_back("getstatus");
      return {reply + "statusResponse\n\\mapname\\oa_dm1\n"};
    }
    const std::string rcon = oob + (alliedAssault ? "\x02" : "") + "rcon ";
    if (datagram.rfind(rcon, 0) != 0) {
      received.push_back("unreadable");
      return {};
    }
    const std::string rest = datagram.substr(rcon.size());
    if (rest.rfind(password + " ", 0) != 0) return {reply + "print\nBad rconpassword.\n"};
    const std::string command = rest.substr(password.size() + 1);
    received.push_back(command);
    if (command == "status") return {reply + "print\n" + status.substr(0, 150), reply + "print\n" + status.substr(150)};
    if (command == "cmdlist") return {reply + "print\n" + commandList};
    if (command.rfind("dumpuser ", 0) == 0) return {reply + "print\nuserinfo\n--------\nname Dora\n"};
    return {reply + "print\n"};
  }
};

struct Link {
  RconSession session;
  FakeConsole console;
  uint32_t now = 1000;
  int64_t utcShift = 0;  // seconds the wall clock is ahead of the tick count
  int64_t Utc() const { return kUtc + utcShift + now / 1000; }

  explicit Link(std::string password = "secret", DayBanList bans = {}) : session(std::move(password), std::move(bans)) {
    session.Start(now);
  }

  void Run(uint32_t ms) {
    for (uint32_t end = now + ms; now != end; now += 10) {
      session.Tick(now, Utc());
      const auto datagram = session.NextDatagram(now);
      if (!datagram || !console.answering) continue;
      for (const std::string& reply : console.Answer(*datagram)) session.TakeDatagram(reply, now);
    }
  }
};

}  // namespace

TEST(RconSession, FamilyFirstThenItsFramingOnly) {
  for (bool alliedAssault : {false, true}) {
    Link link;
    link.console.alliedAssault = alliedAssault;
    link.Run(3000);
    ASSERT_GE(link.console.received.size(), 3u);
    EXPECT_EQ(link.console.received[0], "getstatus");
    EXPECT_EQ(link.console.received[1], "cmdlist");
    EXPECT_EQ(link.console.received[2], "status");
    EXPECT_EQ(std::count(link.console.received.begin(), link.console.received.end(), "unreadable"), 0);
    EXPECT_EQ(link.session.Family(), alliedAssault ? ServerFamily::AlliedAssault : ServerFamily::QuakeThree);
    EXPECT_TRUE(link.session.Health().Green());
  }
}

TEST(RconSession, PlayersStatusEveryTwoSecondsAndNewPlayersSettingsOnce) {
  Link link;
  link.Run(10000);
  const auto status = link.session.TakeStatus();
  ASSERT_TRUE(status);
  EXPECT_EQ(status->players.size(), 3u);
  EXPECT_FALSE(link.session.TakeStatus()) << "taken once";
  const auto& r = link.console.received;
  EXPECT_EQ(std::count(r.begin(), r.end(), "status"), 5);
  EXPECT_EQ(std::count(r.begin(), r.end(), "dumpuser 3"), 1);
  EXPECT_EQ(std::count(r.begin(), r.end(), "dumpuser 0"), 1);
  const auto models = link.session.TakeModels();
  ASSERT_EQ(models.size(), 3u);

  link.console.status.replace(link.console.status.find("Dora   "), 7, "Ernst  ");
  link.Run(2000);
  EXPECT_EQ(std::count(r.begin(), r.end(), "dumpuser 3"), 2) << "another player in the slot";
}

TEST(RconSession, ActionsByWhatTheServerHasAndBeforeThePolls) {
  Link link;
  EXPECT_EQ(link.session.RouteAction('K', 3).outcome, RouteOutcome::ServerNotKnown);
  EXPECT_EQ(link.session.RouteMap("oa_dm2").outcome, RouteOutcome::ServerNotKnown);
  link.Run(2500);
  const RoutedCommand spectator = link.session.RouteAction('P', 3);
  EXPECT_EQ(spectator.outcome, RouteOutcome::Sent);
  EXPECT_EQ(spectator.command, "forceteam 3 spectator");
  EXPECT_EQ(link.session.RouteAction('J', 3).outcome, RouteOutcome::NotAvailable);
  EXPECT_EQ(link.session.RouteAction('S', 3).outcome, RouteOutcome::NotAvailable);
  EXPECT_EQ(link.session.RouteMap("oa;quit").outcome, RouteOutcome::NotAvailable);
  EXPECT_EQ(link.session.RouteMap("oa_dm2").command, "map oa_dm2");
  link.console.received.clear();
  link.Run(2500);
  ASSERT_GE(link.console.received.size(), 2u);
  EXPECT_EQ(link.console.received[0], "forceteam 3 spectator");
  EXPECT_EQ(link.console.received[1], "map oa_dm2");
}

TEST(RconSession, DayBanKicksAgainUntilItsEndThenLiftsTheServerBan) {
  Link link;
  link.Run(2500);
  EXPECT_EQ(link.session.RouteAction('D', 3).command, "banaddr 3; clientkick 3");
  EXPECT_TRUE(link.session.TakeBansChanged());
  ASSERT_EQ(link.session.Bans().Size(), 1u);
  EXPECT_EQ(link.session.Bans().Bans()[0].address, "127.0.0.9");
  link.console.received.clear();
  link.Run(4000);  // Dora still shows in the status
  const auto& r = link.console.received;
  EXPECT_GE(std::count(r.begin(), r.end(), "clientkick 3"), 2);

  link.utcShift += kDayBanSeconds;
  link.session.Tick(link.now, link.Utc());
  EXPECT_TRUE(link.session.TakeBansChanged());
  EXPECT_EQ(link.session.Bans().Size(), 0u);
  link.console.received.clear();
  link.Run(3000);
  EXPECT_EQ(std::count(r.begin(), r.end(), "bandel 127.0.0.9"), 1);
  link.console.received.clear();
  link.Run(4000);
  EXPECT_EQ(std::count(r.begin(), r.end(), "clientkick 3"), 0) << "the day is over";

  // A ban whose day ended while corvel2 was closed is lifted once the
  // server's commands are known.
  DayBanList kept;
  kept.Add("127.0.0.7", "Fritz", kUtc - kDayBanSeconds, true);
  Link restarted("secret", kept);
  restarted.Run(3000);
  const auto& after = restarted.console.received;
  EXPECT_EQ(std::count(after.begin(), after.end(), "bandel 127.0.0.7"), 1);
}

TEST(RconSession, SquareRedWhenSilentOrRefusedAndWithinTheRate) {
  struct Case {
    const char* what;
    bool answering;
    std::string password;
    LinkHealth health;
  };
  const Case cases[] = {
      {"silent", false, "secret", LinkHealth::Silent},
      {"wrong password", true, "wrong", LinkHealth::BadPassword},
      {"answering", true, "secret", LinkHealth::Answering},
      {"a password that cannot be sent", true, "two words", LinkHealth::UnusablePassword},
  };
  for (const Case& c : cases) {
    Link link(c.password);
    link.console.answering = c.answering;
    int sent = 0;
    for (int second = 0; second < 60; ++second) {
      link.session.RouteAction('K', second % 4);
      const size_t before = link.console.received.size();
      link.Run(1000);
      sent += static_cast<int>(link.console.received.size() - before);
    }
    EXPECT_EQ(link.session.Health().State(), c.health) << c.what;
    EXPECT_LE(sent, 5 + 60) << c.what;
  }
}

TEST(RconSession, CommandsThatDoNotAllFitTheQueueGoNotAtAll) {
  Link link;
  link.Run(2500);
  for (int client = 10; link.session.RouteAction('K', client).outcome == RouteOutcome::Sent; ++client) {
  }
  const auto& r = link.console.received;
  while (std::count(r.begin(), r.end(), "clientkick 10") == 0) link.Run(10);  // one place free
  const RoutedCommand dayBan = link.session.RouteAction('D', 3);
  EXPECT_EQ(dayBan.outcome, RouteOutcome::NotSent);
  EXPECT_EQ(link.session.Bans().Size(), 0u);
  link.Run(30000);
  EXPECT_EQ(std::count(r.begin(), r.end(), "banaddr 3"), 0) << "half of a command that was reported not sent";
}

TEST(RconSession, ManyNewPlayersDelayNoStatus) {
  Link link;
  for (int client = 6; client < 40; ++client) {
    char row[96];
    std::snprintf(row, sizeof row, "%2d     0   50 Guest %-9d ^7127.0.0.%-29d 25000\n", client, client, client);
    link.console.status += row;
  }
  link.Run(20000);
  const auto& r = link.console.received;
  EXPECT_GE(std::count(r.begin(), r.end(), "status"), 9);
}
