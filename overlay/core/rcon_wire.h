#pragma once
// The game server's remote console on the wire: the request datagram, built
// only from checked command text, the reply datagrams read back, and the
// server's family told from its status reply. The UDP socket sends and takes
// these bytes as they stand.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The Allied Assault family (1.11, its community patch, OpenMoHAA) puts a
// direction byte after the four 0xFF bytes. The Quake III family (ioquake3,
// OpenArena) must never get one: it would read the byte as a blank and run
// the password as the command, echoing it back in clear.
enum class ServerFamily { AlliedAssault, QuakeThree };

constexpr int kDefaultRconPort = 12203;
// The longest request datagram a server runs whole, prefix included.
constexpr size_t kMaxRequestBytes = 1023;

// A console command whose every part was checked. Only the builders below
// make one, so text that could run a second command, or hide a line end or a
// quote, never reaches a request.
class ConsoleCommand {
 public:
  const std::string& Text() const { return text_; }

  // "status", "cmdlist".
  static std::optional<ConsoleCommand> Plain(std::string_view verb);
  // "clientkick 3": client numbers run from 0 to 999.
  static std::optional<ConsoleCommand> ForClient(std::string_view verb, int client);
  // "forceteam 3 spectator": the word of letters only.
  static std::optional<ConsoleCommand> ForClientAndWord(std::string_view verb, int client, std::string_view word);
  // "gamemap dm/mohdm6": letters, digits, "_", "-", "." and "/" only.
  static std::optional<ConsoleCommand> ForMap(std::string_view verb, std::string_view map);
  // "bandel 10.0.0.5": an IPv4 or IPv6 address without port.
  static std::optional<ConsoleCommand> ForAddress(std::string_view verb, std::string_view address);

 private:
  explicit ConsoleCommand(std::string text) : text_(std::move(text)) {}
  std::string text_;
};

// True for a map name a command may carry.
bool IsCheckedMapName(std::string_view map);
// True for an IPv4 or IPv6 address text (digits, hex letters, "." and ":").
bool IsCheckedAddress(std::string_view address);

// True when the password can travel as one word of a request: printable
// ASCII without blank, quote, ";" or "%", and no "//" or "/*", which the
// server's reader would take for a comment.
bool RconPasswordFits(std::string_view password);

// The request datagram for the family; none when the password does not fit
// or the datagram would pass kMaxRequestBytes.
std::optional<std::string> RconRequest(ServerFamily family, std::string_view password, const ConsoleCommand& command);

// The status query both families answer: with the direction byte, which a
// Quake III family server reads as a blank before "getstatus".
std::string StatusQueryDatagram();

enum class DatagramKind { Print, StatusResponse, Other };

// A datagram from the server taken apart: what it is, which family's form it
// came in, and its text after the "print" or "statusResponse" line.
struct ServerDatagram {
  DatagramKind kind = DatagramKind::Other;
  ServerFamily form = ServerFamily::QuakeThree;
  std::string_view text;  // into the datagram given
};
ServerDatagram ReadServerDatagram(std::string_view datagram);

// The family of the server that sent a status reply; none for anything else.
std::optional<ServerFamily> FamilyOfStatusReply(std::string_view datagram);

// Where the console is: the "Rcon Server" field ("host[:port]", port 12203
// when missing), or the launcher's server field when that one is empty.
struct RconEndpoint {
  std::string host;
  int port = kDefaultRconPort;
};
std::optional<RconEndpoint> ParseRconServer(std::string_view field, std::string_view launcherServer);

// What the status line says of a server field ParseRconServer refuses; ""
// for one it takes. The UDP link reaches IPv4 addresses only.
std::string RconServerProblem(std::string_view field);
