#include "overlay/core/rcon_wire.h"

#include <algorithm>

#include "common/core/text.h"

namespace {

constexpr std::string_view kOobPrefix{"\xFF\xFF\xFF\xFF", 4};
constexpr char kToServer = '\x02';
constexpr char kToClient = '\x01';
constexpr int kMaxClientNumber = 999;
constexpr size_t kMaxAddressLength = 45;  // the longest IPv6 text

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool AllOf(std::string_view text, bool (*fits)(char)) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!fits(c)) return false;
  }
  return true;
}

bool IsVerbCharacter(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }
bool IsMapCharacter(char c) { return IsLetter(c) || IsDigit(c) || c == '_' || c == '-' || c == '.' || c == '/'; }
bool IsAddressCharacter(char c) { return IsHexDigit(c) || c == '.' || c == ':'; }

// Bytes above 0x7F are blanks to the server's reader, like those below 0x21.
bool IsPasswordCharacter(char c) { return c > ' ' && c < 0x7F && c != '"' && c != ';' && c != '%'; }

bool HoldsCommentStart(std::string_view text) {
  return text.find("//") != std::string_view::npos || text.find("/*") != std::string_view::npos;
}

bool IsCheckedVerb(std::string_view verb) { return AllOf(verb, IsVerbCharacter); }
bool IsCheckedClient(int client) { return client >= 0 && client <= kMaxClientNumber; }

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The family form of a datagram from the server and its bytes after the prefix.
std::optional<std::pair<ServerFamily, std::string_view>> SplitServerPrefix(std::string_view datagram) {
  if (!StartsWith(datagram, kOobPrefix)) return std::nullopt;
  datagram.remove_prefix(kOobPrefix.size());
  if (!datagram.empty() && datagram.front() == kToClient) {
    return std::make_pair(ServerFamily::AlliedAssault, datagram.substr(1));
  }
  return std::make_pair(ServerFamily::QuakeThree, datagram);
}

// "[::1]:12203", "[::1]", "::1": brackets around a colon, or two colons.
bool IsIpv6Server(std::string_view text) {
  if (!text.empty() && text.front() == '[') {
    return text.substr(1, text.find(']')).find(':') != std::string_view::npos;
  }
  return std::count(text.begin(), text.end(), ':') >= 2;
}

}  // namespace

std::optional<ConsoleCommand> ConsoleCommand::Plain(std::string_view verb) {
  if (!IsCheckedVerb(verb)) return std::nullopt;
  return ConsoleCommand(std::string(verb));
}

std::optional<ConsoleCommand> ConsoleCommand::ForClient(std::string_view verb, int client) {
  if (!IsCheckedVerb(verb) || !IsCheckedClient(client)) return std::nullopt;
  return ConsoleCommand(std::string(verb) + ' ' + std::to_string(client));
}

std::optional<ConsoleCommand> ConsoleCommand::ForClientAndWord(std::string_view verb, int client,
                                                               std::string_view word) {
  if (!IsCheckedVerb(verb) || !IsCheckedClient(client) || !AllOf(word, IsLetter)) return std::nullopt;
  return ConsoleCommand(std::string(verb) + ' ' + std::to_string(client) + ' ' + std::string(word));
}

std::optional<ConsoleCommand> ConsoleCommand::ForMap(std::string_view verb, std::string_view map) {
  if (!IsCheckedVerb(verb) || !IsCheckedMapName(map)) return std::nullopt;
  return ConsoleCommand(std::string(verb) + ' ' + std::string(map));
}

std::optional<ConsoleCommand> ConsoleCommand::ForAddress(std::string_view verb, std::string_view address) {
  if (!IsCheckedVerb(verb) || !IsCheckedAddress(address)) return std::nullopt;
  return ConsoleCommand(std::string(verb) + ' ' + std::string(address));
}

bool IsCheckedMapName(std::string_view map) { return AllOf(map, IsMapCharacter) && !HoldsCommentStart(map); }

bool IsCheckedAddress(std::string_view address) {
  return address.size() <= kMaxAddressLength && AllOf(address, IsAddressCharacter);
}

bool RconPasswordFits(std::string_view password) {
  return AllOf(password, IsPasswordCharacter) && !HoldsCommentStart(password);
}

std::optional<std::string> RconRequest(ServerFamily family, std::string_view password, const ConsoleCommand& command) {
  if (!RconPasswordFits(password)) return std::nullopt;
  std::string request(kOobPrefix);
  if (family == ServerFamily::AlliedAssault) request += kToServer;
  request += "rcon ";
  request += password;
  request += ' ';
  request += command.Text();
  if (request.size() > kMaxRequestBytes) return std::nullopt;
  return request;
}

std::string StatusQueryDatagram() { return std::string(kOobPrefix) + kToServer + " getstatus"; }

ServerDatagram ReadServerDatagram(std::string_view datagram) {
  ServerDatagram read;
  const auto split = SplitServerPrefix(datagram);
  if (!split) return read;
  read.form = split->first;
  const std::string_view body = split->second;
  for (const auto& [kind, head] : {std::pair{DatagramKind::Print, std::string_view("print\n")},
                                   std::pair{DatagramKind::StatusResponse, std::string_view("statusResponse\n")}}) {
    if (StartsWith(body, head)) {
      read.kind = kind;
      read.text = body.substr(head.size());
    }
  }
  return read;
}

std::optional<ServerFamily> FamilyOfStatusReply(std::string_view datagram) {
  const ServerDatagram read = ReadServerDatagram(datagram);
  if (read.kind != DatagramKind::StatusResponse) return std::nullopt;
  return read.form;
}

std::optional<RconEndpoint> ParseRconServer(std::string_view field, std::string_view launcherServer) {
  std::string_view text = TrimBlanksView(field);
  if (text.empty()) text = TrimBlanksView(launcherServer);
  if (IsIpv6Server(text)) return std::nullopt;
  RconEndpoint endpoint;
  const size_t colon = text.find(':');
  endpoint.host = std::string(TrimBlanksView(text.substr(0, colon)));
  if (endpoint.host.empty() || endpoint.host.find_first_of(" []") != std::string::npos) return std::nullopt;
  if (colon == std::string_view::npos) return endpoint;
  int port = 0;
  if (!ParseInt32(TrimBlanksView(text.substr(colon + 1)), port) || port < 1 || port > 65535) return std::nullopt;
  endpoint.port = port;
  return endpoint;
}

std::string RconServerProblem(std::string_view field) {
  if (ParseRconServer(field, "")) return {};
  const std::string_view text = TrimBlanksView(field);
  return (IsIpv6Server(text) ? "IPv6 not supported - Rcon Server: " : "Rcon Server not valid: ") + std::string(text);
}
