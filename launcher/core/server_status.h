#pragma once
// A game server's status: the request, the server field's address and the
// reply taken apart into what the launcher shows. Platform-free.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

constexpr const char* kDefaultStatusPort = "12203";

// Four bytes 0xFF and one 0x02: what every request to a game server starts with.
inline constexpr std::string_view kStatusPrefix{"\xFF\xFF\xFF\xFF\x02", 5};
// How long a status request waits for its reply.
constexpr int32_t kStatusWaitMs = 1500;

// The request datagram: the status prefix followed by " getstatus", nothing else.
std::string StatusRequest(std::string_view statusPrefix = kStatusPrefix);

struct ServerAddress {
  std::string host;
  std::string port;
};

// Splits at the first ":" only; no blanks are trimmed. Without ":" the port is
// the default one.
ServerAddress SplitServerAddress(std::string_view text);

// The port text as a port number (blanks around it allowed); false when it is
// not a number from 1 to 65535.
bool ParsePort(std::string_view text, int& port);

struct ServerStatus {
  std::string maxPlayers, privateSlots, timeLimit, fragLimit, gameTypeName, mapName, mapList;
  std::string hostName;              // "sv_hostname", shown by the server list only
  std::string gameType;              // what the key "g_gametype" puts into the Type field
  std::vector<std::string> playerLines;  // the reply's lines after the information line
  std::vector<std::string> infoPairs;    // the information line's pairs, "key value"

  // The Type field: the game type name when there is one.
  const std::string& TypeShown() const { return gameTypeName.empty() ? gameType : gameTypeName; }
};

// The information line's pairs, each as key, one blank and value. The first
// character (the leading backslash) is skipped; a backslash ends a key and the
// next one its value; the pair left at the end counts too.
std::vector<std::string> InfoPairs(std::string_view line);

// Takes one pair into status when its key starts with a key of the table
// (compared in lower case), keeping at most the table's number of characters.
void MatchPair(std::string_view entry, ServerStatus& status);

// The whole reply: line 1 a header, line 2 the information line, the rest
// player lines. Any bytes are safe; missing lines leave the values empty.
ServerStatus ParseStatusReply(std::string_view reply);
