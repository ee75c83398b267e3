#include <gtest/gtest.h>

#include "overlay/core/rcon_wire.h"

namespace {

using std::string_literals::operator""s;

std::string Text(const std::optional<ConsoleCommand>& command) { return command ? command->Text() : "<none>"; }

}  // namespace

TEST(RconWire, RequestCarriesTheDirectionByteOnlyToTheAlliedAssaultFamily) {
  const auto kick = ConsoleCommand::ForClient("clientkick", 3);
  ASSERT_TRUE(kick);
  EXPECT_EQ(RconRequest(ServerFamily::AlliedAssault, "secret", *kick), "\xFF\xFF\xFF\xFF\x02rcon secret clientkick 3"s);
  EXPECT_EQ(RconRequest(ServerFamily::QuakeThree, "secret", *kick), "\xFF\xFF\xFF\xFFrcon secret clientkick 3"s);
  EXPECT_EQ(StatusQueryDatagram(), "\xFF\xFF\xFF\xFF\x02 getstatus"s);
}

TEST(RconWire, UncheckedValuesBuildNoCommand) {
  struct Case {
    std::optional<ConsoleCommand> built;
    std::string expected;
  };
  const Case cases[] = {
      {ConsoleCommand::ForClient("clientkick", 0), "clientkick 0"},
      {ConsoleCommand::ForClient("clientkick", 999), "clientkick 999"},
      {ConsoleCommand::ForClient("clientkick", -1), "<none>"},
      {ConsoleCommand::ForClient("clientkick", 1000), "<none>"},
      {ConsoleCommand::ForClient("kick;quit", 1), "<none>"},
      {ConsoleCommand::ForClient("", 1), "<none>"},
      {ConsoleCommand::ForMap("gamemap", "dm/mohdm6"), "gamemap dm/mohdm6"},
      {ConsoleCommand::ForMap("map", "oa_dm1-v2.x"), "map oa_dm1-v2.x"},
      {ConsoleCommand::ForMap("map", "oa_dm1;quit"), "<none>"},
      {ConsoleCommand::ForMap("map", "oa dm1"), "<none>"},
      {ConsoleCommand::ForMap("map", "oa\"dm1"), "<none>"},
      {ConsoleCommand::ForMap("map", "oa%dm1"), "<none>"},
      {ConsoleCommand::ForMap("map", "oa_dm1\nquit"), "<none>"},
      {ConsoleCommand::ForMap("map", "oa_dm1\r"), "<none>"},
      {ConsoleCommand::ForMap("map", "oa\tdm1"), "<none>"},
      {ConsoleCommand::ForMap("map", "oa_dm1\x7F"), "<none>"},
      {ConsoleCommand::ForMap("map", "\xE9t\xE9"), "<none>"},
      {ConsoleCommand::ForMap("map", "dm//x"), "<none>"},
      {ConsoleCommand::ForMap("map", ""), "<none>"},
      {ConsoleCommand::ForClientAndWord("forceteam", 2, "spectator"), "forceteam 2 spectator"},
      {ConsoleCommand::ForClientAndWord("forceteam", 2, "red blue"), "<none>"},
      {ConsoleCommand::ForClientAndWord("forceteam", 2, ""), "<none>"},
      {ConsoleCommand::ForAddress("bandel", "10.0.0.5"), "bandel 10.0.0.5"},
      {ConsoleCommand::ForAddress("bandel", "fe80::1:ab"), "bandel fe80::1:ab"},
      {ConsoleCommand::ForAddress("bandel", "10.0.0.5;quit"), "<none>"},
      {ConsoleCommand::ForAddress("bandel", "bot"), "<none>"},
      {ConsoleCommand::ForAddress("bandel", std::string(46, '1')), "<none>"},
      {ConsoleCommand::Plain("cmdlist"), "cmdlist"},
      {ConsoleCommand::Plain("status quit"), "<none>"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(c.built), c.expected);
}

TEST(RconWire, PasswordAndLengthLimitTheRequest) {
  const auto status = ConsoleCommand::Plain("status");
  ASSERT_TRUE(status);
  struct Case {
    std::string password;
    bool built;
  };
  const Case cases[] = {
      {"secret", true},        {"S3cr:t!#$&'()*+,-./\\", true},
      {"", false},             {"two words", false},
      {"quo\"te", false},      {"semi;colon", false},
      {"per%cent", false},     {"line\nend", false},
      {"tab\t", false},        {"high\xA0", false},
      {"a//b", false},         {"a/*b", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RconRequest(ServerFamily::QuakeThree, c.password, *status).has_value(), c.built) << c.password;
  }
  // Four 0xFF, the direction byte, "rcon ", the password, a blank, "status".
  const size_t around = 5 + 5 + 1 + 6;
  const std::string longest(kMaxRequestBytes - around, 'p');
  EXPECT_EQ(RconRequest(ServerFamily::AlliedAssault, longest, *status)->size(), kMaxRequestBytes);
  EXPECT_FALSE(RconRequest(ServerFamily::AlliedAssault, longest + "p", *status));
}

TEST(RconWire, ServerDatagramsInBothForms) {
  struct Case {
    std::string datagram;
    DatagramKind kind;
    ServerFamily form;
    std::string text;
  };
  const Case cases[] = {
      {"\xFF\xFF\xFF\xFFprint\nmap: oa_dm1\n", DatagramKind::Print, ServerFamily::QuakeThree, "map: oa_dm1\n"},
      {"\xFF\xFF\xFF\xFF\x01print\nBad rconpassword.\n", DatagramKind::Print, ServerFamily::AlliedAssault,
       "Bad rconpassword.\n"},
      {"\xFF\xFF\xFF\xFF\x01print\n", DatagramKind::Print, ServerFamily::AlliedAssault, ""},
      {"\xFF\xFF\xFF\xFFstatusResponse\n\\sv_hostname\\x", DatagramKind::StatusResponse, ServerFamily::QuakeThree,
       "\\sv_hostname\\x"},
      {"\xFF\xFF\xFF\xFF\x01statusResponse\n\\x\\y", DatagramKind::StatusResponse, ServerFamily::AlliedAssault,
       "\\x\\y"},
      {"\xFF\xFF\xFFprint\nx", DatagramKind::Other, ServerFamily::QuakeThree, ""},
      {"\xFF\xFF\xFF\xFFprint x", DatagramKind::Other, ServerFamily::QuakeThree, ""},
      {"\xFF\xFF\xFF\xFF\x02print\nx", DatagramKind::Other, ServerFamily::QuakeThree, ""},
      {"\xFF\xFF\xFF\xFF\x01", DatagramKind::Other, ServerFamily::AlliedAssault, ""},
      {"", DatagramKind::Other, ServerFamily::QuakeThree, ""},
  };
  for (const Case& c : cases) {
    const ServerDatagram read = ReadServerDatagram(c.datagram);
    EXPECT_EQ(read.kind, c.kind) << c.datagram;
    EXPECT_EQ(read.form, c.form) << c.datagram;
    EXPECT_EQ(read.text, c.text) << c.datagram;
  }
  EXPECT_EQ(FamilyOfStatusReply("\xFF\xFF\xFF\xFF\x01statusResponse\n"), ServerFamily::AlliedAssault);
  EXPECT_EQ(FamilyOfStatusReply("\xFF\xFF\xFF\xFFstatusResponse\n"), ServerFamily::QuakeThree);
  EXPECT_EQ(FamilyOfStatusReply("\xFF\xFF\xFF\xFFprint\nstatusResponse\n"), std::nullopt);
}

TEST(RconWire, ServerFieldWithItsDefaults) {
  struct Case {
    std::string field, launcherServer;
    std::string host;
    int port;  // 0: no endpoint
  };
  const Case cases[] = {
      {"127.0.0.1:27960", "127.0.0.2:1", "127.0.0.1", 27960},
      {" 127.0.0.1 ", "", "127.0.0.1", 12203},
      {"", "127.0.0.2:12300", "127.0.0.2", 12300},
      {"  ", "localhost", "localhost", 12203},
      {"", "", "", 0},
      {"127.0.0.1:0", "", "", 0},
      {"127.0.0.1:65536", "", "", 0},
      {"127.0.0.1:x", "", "", 0},
      {":27960", "", "", 0},
      {"local host", "", "", 0},
  };
  for (const Case& c : cases) {
    const auto endpoint = ParseRconServer(c.field, c.launcherServer);
    EXPECT_EQ(endpoint ? endpoint->host : "", c.host) << c.field;
    EXPECT_EQ(endpoint ? endpoint->port : 0, c.port) << c.field;
  }
}
