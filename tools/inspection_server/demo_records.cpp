#include "tools/inspection_server/demo_records.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <string_view>

#include "overlay/core/inspection_record.h"

namespace {

using Settings = std::vector<std::pair<std::string, std::string>>;

const char kWindowsVersion[] = "Medal of Honor Allied Assault 1.11 win-x86 Mar  5 2002";
// Characters 36 to 40 read "MacOS", which is how the overlay spots a Mac client.
const char kMacVersion[] = "Medal of Honor Allied Assault 1.11 MacOS-ppc Jun 10 2002";

// Every value here is allowed, and there are more than twenty-one of them, so
// a dump of just these earns the clean-dump label.
Settings CleanSettings() {
  return {
      {"r_light_nolight", "0"}, {"r_lockpvs", "0"},        {"r_showSmp", "0"},
      {"r_farplane", "0"},      {"r_farplane_nocull", "0"}, {"r_farplane_nofog", "0"},
      {"r_novis", "0"},         {"r_lightmap", "0"},       {"cg_te_dietouch", "0"},
      {"r_fullbright", "0"},    {"cg_acidtrip", "0"},      {"cg_3rd_person", "0"},
      {"cg_lagometer", "0"},    {"cg_forcemodel", "0"},    {"g_showbullettrace", "0"},
      {"cheats", "0"},          {"r_vertexlight", "0"},    {"r_nocull", "0"},
      {"r_useglfog", "1"},      {"r_mapOverBrightBits", "1"}, {"r_intensity", "1"},
      {"developers", "0"},      {"r_picmip", "1"},         {"cg_rain", "1"},
      {"r_fastsky", "0"},       {"r_znear", "3"},          {"r_flaresize", "40"},
      {"r_flarefade", "7"},     {"r_drawworld", "1"},      {"r_ambientScale", "0.5"},
      {"r_directedScale", "1"},
  };
}

// A short clean dump: too few settings for the clean-dump label.
Settings FewCleanSettings() {
  return {{"r_fullbright", "0"}, {"r_picmip", "2"}, {"cg_3rd_person", "0"}, {"cheats", "0"}};
}

DemoPlayer Player(int client, int score, int ping, std::string name, std::string address,
                  Settings settings) {
  DemoPlayer p;
  p.client = client;
  p.score = score;
  p.ping = ping;
  p.name = std::move(name);
  p.address = std::move(address);
  p.settings = std::move(settings);
  p.alliedModel = "american_army";
  p.axisModel = "german_wehrmacht_soldier";
  return p;
}

template <typename... Args>
std::string Format(const char* format, Args... args) {
  int size = std::snprintf(nullptr, 0, format, args...);
  if (size <= 0) return {};
  std::string out(static_cast<size_t>(size) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, args...);
  out.resize(static_cast<size_t>(size));
  return out;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += '\n';
    out += lines[i];
  }
  return out;
}

std::string Dashes(int count) { return std::string(static_cast<size_t>(count), '-'); }

std::string SettingLine(const std::string& name, const std::string& value) {
  return Format("%-21s %s", name.c_str(), value.c_str());
}

// The overlay writes client numbers as plain decimals: an optional minus, no
// plus, no leading zeros.
bool ParsePlainInt(std::string_view s, int& n) {
  std::string_view digits = s.substr(s.starts_with('-') ? 1 : 0);
  if (digits.empty() || (digits.size() > 1 && digits[0] == '0')) return false;
  if (digits[0] < '0' || digits[0] > '9') return false;
  auto [end, err] = std::from_chars(s.data(), s.data() + s.size(), n);
  return err == std::errc() && end == s.data() + s.size();
}

// What a command does to the game, beside its meaning.
enum class Effect { None, Remove, Team };

struct CommandForm {
  const char* prefix;
  const char* suffix;
  const char* before;  // meaning up to the client number
  const char* after;   // meaning after it
  Effect effect;
  const char* team;
};

const CommandForm kCommandForms[] = {
    {"K", "KO4", "kick client ", "", Effect::Remove, ""},
    {"K", "KB4", "ban client ", "", Effect::Remove, ""},
    {"K", "DB4", "ban client ", " for a day", Effect::Remove, ""},
    {"Mcon\\s\\qkill\\q\\s", "", "make client ", " commit suicide", Effect::None, ""},
    {"Mscreenshot_action\\s", "", "action screenshot of client ", "", Effect::None, ""},
    {"Mscreenshot_all\\s", "", "full screenshot of client ", "", Effect::None, ""},
    {"Mswitch_allies\\s", "", "move client ", " to Allied", Effect::Team, "Allied"},
    {"Mswitch_axis\\s", "", "move client ", " to Axis", Effect::Team, "Axis"},
    {"Mswitch_spectator\\s", "", "move client ", " to Spectator", Effect::Team, "Spectator"},
    {"Mtimeout\\s", "", "time out client ", "", Effect::None, ""},
    {"Mrelease\\s", "", "release client ", "", Effect::None, ""},
    {"Mclient_forceskin\\s", "", "force skins on client ", "", Effect::None, ""},
    {"J", "", "taunts off for client ", "", Effect::None, ""},
    {"L", "", "chat off for client ", "", Effect::None, ""},
    {"Mclient_disconnect\\s", "", "disconnect client ", "", Effect::Remove, ""},
    {"Mclient_quit\\s", "", "force client ", " to quit", Effect::Remove, ""},
};

struct Command {
  const CommandForm* form = nullptr;  // null for a map change
  int client = 0;
  std::string map;
};

bool MatchForm(std::string_view text, const CommandForm& form, Command& out) {
  std::string_view prefix = form.prefix, suffix = form.suffix;
  if (text.size() <= prefix.size() + suffix.size()) return false;
  if (!text.starts_with(prefix) || !text.ends_with(suffix)) return false;
  std::string_view middle = text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
  if (!ParsePlainInt(middle, out.client)) return false;
  out.form = &form;
  return true;
}

// "X" followed by a map-list line, "B - dm/mohdm6". Map lines carry the
// letters A to T; anything else (the cancel line, an empty text) is no map.
bool MatchMapChange(std::string_view text, Command& out) {
  if (!text.starts_with('X')) return false;
  std::string_view line = text.substr(1);
  if (line.size() <= 4 || line[0] < 'A' || line[0] > 'T' || line.substr(1, 3) != " - ") {
    return false;
  }
  out.map = std::string(line.substr(4));
  return true;
}

bool ParseCommand(const std::string& text, Command& out) {
  for (const CommandForm& form : kCommandForms) {
    if (MatchForm(text, form, out)) return true;
  }
  return MatchMapChange(text, out);
}

}  // namespace

std::vector<DemoPlayer> DemoPlayers() {
  std::vector<DemoPlayer> players;

  players.push_back(Player(0, 12, 50, "Alice", "10.0.0.5:12203", CleanSettings()));

  Settings thirdPerson = FewCleanSettings();
  thirdPerson.push_back({"scanned", "1"});
  thirdPerson.push_back({"cg_3rd_person", "1"});
  players.push_back(Player(2, 7, 85, "Lt.Wolfgang_von_Richthofen", "192.168.100.200:12203",
                           thirdPerson));

  Settings bright = FewCleanSettings();
  bright.push_back({"r_fullbright", "1"});
  bright.push_back({"r_picmip", "5"});
  players.push_back(Player(4, 3, 120, "Bobby", "172.16.4.20:28960", bright));

  // Client 26 has the key character "0". "r_fullbrigxt" is a look-alike name.
  Settings tampered = FewCleanSettings();
  tampered.push_back({"r_lightmap", "hacked"});
  tampered.push_back({"r_fullbrigxt", "1"});
  players.push_back(Player(26, 0, 999, "Zed", "81.2.69.160:1024", tampered));

  Settings mac = FewCleanSettings();
  mac.insert(mac.begin(), {"version", kMacVersion});
  players.push_back(Player(7, 21, 64, "Mac Kim", "10.0.0.9:12203", mac));

  // Clean, scanned, and carrying the three values of the Tolvane marker.
  Settings marked = CleanSettings();
  marked.push_back({"scanned", "1"});
  marked.push_back({"t", "1"});
  marked.push_back({"t1", "2"});
  marked.push_back({"ui_roundsdrop", "20000"});
  DemoPlayer nora = Player(13, 9, 33, "Nora", "10.0.0.13:12203", marked);
  nora.alliedModel = "american_ranger";
  nora.axisModel = "german_elite_sentry";
  players.push_back(nora);

  return players;
}

std::string PlayerLine(const DemoPlayer& p) {
  return FormatPlayerLine({.client = p.client,
                           .score = p.score,
                           .ping = p.ping,
                           .name = p.name,
                           .lastMessage = p.client % 3 * 50,
                           .address = p.address,
                           .qport = 1000 + p.client * 37});
}

std::string InspectionRecord(const std::vector<DemoPlayer>& players, const std::string& map) {
  using namespace player_line;
  std::vector<std::string> lines = {
      "hostname: Kestrun demo server",
      "map: " + map,
      Format("%*s %*s %*s %-*s %*s %-*s %*s %*s", kClientWidth, "num", kScoreWidth, "score", kPingWidth, "ping",
             kNameWidth, "name", kLastMessageWidth, "lastmsg", kAddressWidth, "address", kQportWidth, "qport",
             kRateWidth, "rate"),
      Dashes(kClientWidth) + ' ' + Dashes(kScoreWidth) + ' ' + Dashes(kPingWidth) + ' ' + Dashes(kNameWidth) + ' ' +
          Dashes(kLastMessageWidth) + ' ' + Dashes(kAddressWidth) + ' ' + Dashes(kQportWidth) + ' ' +
          Dashes(kRateWidth),
  };
  for (const DemoPlayer& p : players) lines.push_back(PlayerLine(p));
  return "SD" + JoinLines(lines);
}

std::string DumpRecord(const DemoPlayer& p) {
  std::string version = kWindowsVersion;
  for (const auto& [name, value] : p.settings) {
    if (name == "version") version = value;
  }
  std::vector<std::string> lines = {
      SettingLine("name", p.name),
      SettingLine("dm_playermodel", p.alliedModel),
      SettingLine("dm_playergermanmodel", p.axisModel),
      SettingLine("version", version),
  };
  for (const auto& [name, value] : p.settings) {
    if (name != "version") lines.push_back(SettingLine(name, value));
  }
  return "DU" + JoinLines(lines);
}

std::string DescribeCommand(const std::string& text) {
  Command c;
  if (!ParseCommand(text, c)) return "unknown command";
  if (!c.form) return "change map to " + c.map;
  return c.form->before + std::to_string(c.client) + c.form->after;
}

std::string ApplyCommand(DemoGame& game, const std::string& text) {
  Command c;
  if (!ParseCommand(text, c)) return {};
  if (!c.form) {
    game.map = c.map;
    return "map is now " + c.map;
  }
  if (c.form->effect == Effect::None) return {};
  auto it = std::find_if(game.players.begin(), game.players.end(),
                         [&](const DemoPlayer& p) { return p.client == c.client; });
  if (it == game.players.end()) return "no client " + std::to_string(c.client) + " on the server";
  if (c.form->effect == Effect::Remove) {
    const std::string name = it->name;
    game.players.erase(it);
    return name + " has left the server";
  }
  it->team = c.form->team;
  return it->name + " is now on " + it->team;
}
