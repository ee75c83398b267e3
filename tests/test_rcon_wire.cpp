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
  EXPECT_EQ(Text(ConsoleCommand::ForClient("clientkick", 999)), "clientkick 999");
  EXPECT_EQ(Text(ConsoleCommand::ForMap("gamemap", "dm/mohdm6-v2.x_1")), "gamemap dm/mohdm6-v2.x_1");
  EXPECT_EQ(Text(ConsoleCommand::ForClientAndWord("forceteam", 0, "spectator")), "forceteam 0 spectator");
  EXPECT_EQ(Text(ConsoleCommand::ForAddress("bandel", "fe80::1:ab")), "bandel fe80::1:ab");
  EXPECT_EQ(Text(ConsoleCommand::Plain("cmdlist")), "cmdlist");
  const std::optional<ConsoleCommand> unchecked[] = {
      ConsoleCommand::ForClient("clientkick", -1),
      ConsoleCommand::ForClient("clientkick", 1000),
      ConsoleCommand::ForClient("kick;quit", 1),
      ConsoleCommand::Plain(""),
      ConsoleCommand::Plain("status quit"),
      ConsoleCommand::ForClientAndWord("forceteam", 2, "red blue"),
      ConsoleCommand::ForClientAndWord("forceteam", 2, ""),
      ConsoleCommand::ForAddress("bandel", "10.0.0.5;quit"),
      ConsoleCommand::ForAddress("bandel", std::string(46, '1')),
  };
  for (const auto& command : unchecked) EXPECT_EQ(Text(command), "<none>");
  for (const char* map : {"", "oa;quit", "oa dm1", "oa\"dm1", "oa%dm1", "oa\nquit", "oa\r", "oa\tdm1", "oa\x7F",
                          "\xE9t\xE9", "dm//x"}) {
    EXPECT_FALSE(ConsoleCommand::ForMap("map", map)) << map;
  }
}

TEST(RconWire, PasswordAndLengthLimitTheRequest) {
  const auto status = ConsoleCommand::Plain("status");
  ASSERT_TRUE(status);
  EXPECT_TRUE(RconRequest(ServerFamily::QuakeThree, "S3cr:t!#$&'()*+,-./\\", *status));
  for (const char* password : {"", "two words", "quo\"te", "semi;colon", "per%cent", "line\nend", "tab\t", "high\xA0",
                               "a//b", "a/*b"}) {
    EXPECT_FALSE(RconRequest(ServerFamily::QuakeThree, password, *status)) << password;
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

// The field, or the launcher's server in its place, gives the endpoint; what is
// wrong with the field alone is said. The link reaches IPv4 only: an IPv6
// server is said as such rather than "not valid", and never looked up as a
// host name.
TEST(RconWire, ServerFieldWithItsDefaultsOrItsProblemSaid) {
  const std::string notValid = "Rcon Server not valid: ", ipv6 = "IPv6 not supported - Rcon Server: ";
  struct Case {
    std::string field, launcherServer;
    std::string host;
    int port;          // 0: no endpoint
    std::string said;  // "": the field alone gives an endpoint
  };
  const Case cases[] = {
      {"127.0.0.1:27960", "127.0.0.2:1", "127.0.0.1", 27960, ""},
      {" 127.0.0.1 ", "", "127.0.0.1", 12203, ""},
      {"", "127.0.0.2:12300", "127.0.0.2", 12300, notValid},
      {"  ", "localhost", "localhost", 12203, notValid},
      {"", "", "", 0, notValid},
      {"127.0.0.1:0", "", "", 0, notValid + "127.0.0.1:0"},
      {"127.0.0.1:65536", "", "", 0, notValid + "127.0.0.1:65536"},
      {"127.0.0.1:x", "", "", 0, notValid + "127.0.0.1:x"},
      {":27960", "", "", 0, notValid + ":27960"},
      {"local host", "", "", 0, notValid + "local host"},
      {"localhost", "", "localhost", 12203, ""},
      {"[::1]:12203", "", "", 0, ipv6 + "[::1]:12203"},
      {"[::1]", "", "", 0, ipv6 + "[::1]"},
      {"::1", "", "", 0, ipv6 + "::1"},
      {"fe80::1", "", "", 0, ipv6 + "fe80::1"},
      {"[127.0.0.1]:5", "", "", 0, notValid + "[127.0.0.1]:5"},
  };
  for (const Case& c : cases) {
    const auto endpoint = ParseRconServer(c.field, c.launcherServer);
    EXPECT_EQ(endpoint ? endpoint->host : "", c.host) << c.field;
    EXPECT_EQ(endpoint ? endpoint->port : 0, c.port) << c.field;
    EXPECT_EQ(RconServerProblem(c.field), c.said) << c.field;
    if (!c.said.empty()) EXPECT_FALSE(ParseRconServer(c.field, "")) << c.field;
  }
}
