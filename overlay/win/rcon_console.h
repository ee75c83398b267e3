#pragma once
// The remote console as the overlay runs it: the session, its UDP link and
// the day's bans on disk ("corvel2-bans.txt" beside the command log). The
// window's timer calls Pump; the key steps are routed here and sent at once.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "overlay/core/player_actions.h"
#include "overlay/core/rcon_session.h"
#include "overlay/win/link_settings.h"
#include "overlay/win/rcon_link.h"

constexpr const char* kBanFileName = "corvel2-bans.txt";
// Shown when the bans changed and no folder took the file, and over each
// status's line for as long as no folder takes it.
constexpr const char* kNoBanFileMessage = "Bans kept - no ban file";

enum class BanFileWrite { Unchanged, Written, Failed };

class RconConsole : public CommandRouter {
 public:
  // The bans are read from the first folder holding the file.
  void Start(const RconLinkSettings& settings, std::vector<std::string> banFolders);
  void Stop();
  bool Running() const { return session_.has_value(); }

  // Takes what came, lets the session's clock run and sends what is due.
  void Pump();
  // Writes the ban file when the bans changed, and again while it fails.
  BanFileWrite SaveBans();
  bool BansUnsaved() const { return bansUnsaved_; }

  RoutedCommand RouteAction(char key, int client) override;
  RoutedCommand RouteMap(const std::string& map) override;

  RconSession& Session() { return *session_; }
  RconLink& Link() { return link_; }
  const std::string& BanFilePath() const { return banPath_; }

 private:
  void SendDue();

  std::optional<RconSession> session_;
  RconLink link_;
  std::vector<std::string> banFolders_;
  std::string banPath_;  // where the bans were last read or written
  bool bansUnsaved_ = false;
  uint32_t lastBanTry_ = 0;
};

// The bans in folder's file; none when there is no such file.
std::optional<std::vector<DayBan>> ReadBanFile(const std::string& folder);
// Replaces the file whole; false when it could not be written.
bool WriteBanFile(const std::string& folder, const std::string& text);
