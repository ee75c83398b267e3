#include "overlay/win/rcon_console.h"

#include <ctime>

#include "common/win/wait.h"

namespace {

constexpr uint32_t kBanRetryMs = 2000;
constexpr DWORD kMaxBanFile = 4u << 20;

std::string BanPath(const std::string& folder) { return folder + "\\" + kBanFileName; }

int64_t UtcNow() { return static_cast<int64_t>(std::time(nullptr)); }

}  // namespace

std::optional<std::vector<DayBan>> ReadBanFile(const std::string& folder) {
  const std::string path = BanPath(folder);
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string text(kMaxBanFile, '\0');
  DWORD read = 0;
  const bool ok = ReadFile(file, text.data(), kMaxBanFile, &read, nullptr);
  CloseHandle(file);
  if (!ok) return std::nullopt;
  text.resize(read);
  return ReadDayBans(text);
}

// Written beside and moved over the old file, so that a failed write leaves the old list whole.
bool WriteBanFile(const std::string& folder, const std::string& text) {
  const std::string path = BanPath(folder);
  const std::string fresh = path + ".new";
  CreateDirectoryA(folder.c_str(), nullptr);  // the fallback folder may not exist yet
  HANDLE file = CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size() && FlushFileBuffers(file);
  CloseHandle(file);
  if (ok && MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
  DeleteFileA(fresh.c_str());
  return false;
}

void RconConsole::Start(const RconLinkSettings& settings, std::vector<std::string> banFolders) {
  banFolders_ = std::move(banFolders);
  std::vector<DayBan> bans;
  for (const std::string& folder : banFolders_) {
    if (auto read = ReadBanFile(folder)) {
      bans = std::move(*read);
      banPath_ = BanPath(folder);
      break;
    }
  }
  session_.emplace(settings.password, DayBanList(std::move(bans)));
  session_->Start(MillisecondClock());
  if (settings.server) {
    link_.Open(settings.server->host, settings.server->port);
  } else {
    link_.Close();
  }
}

void RconConsole::Stop() {
  link_.Close();
  if (session_ && bansUnsaved_) SaveBans();
  session_.reset();
}

void RconConsole::Pump() {
  if (!session_) return;
  const uint32_t now = MillisecondClock();
  for (const std::string& datagram : link_.TakeReplies()) session_->TakeDatagram(datagram, now);
  session_->Tick(now, UtcNow());
  SendDue();
}

void RconConsole::SendDue() {
  // Nothing goes out before the console's address is known: the session
  // counts the silence as missed polls meanwhile.
  if (link_.State() != RconLinkState::Ready) return;
  const uint32_t now = MillisecondClock();
  for (int i = 0; i < 8; ++i) {
    std::optional<std::string> datagram = session_->NextDatagram(now);
    if (!datagram) break;
    link_.Send(*datagram);
  }
}

BanFileWrite RconConsole::SaveBans() {
  if (!session_) return BanFileWrite::Unchanged;
  if (session_->TakeBansChanged()) {
    bansUnsaved_ = true;
  } else if (!bansUnsaved_ || MillisecondClock() - lastBanTry_ < kBanRetryMs) {
    return BanFileWrite::Unchanged;
  }
  lastBanTry_ = MillisecondClock();
  const std::string text = WriteDayBans(session_->Bans().Bans());
  for (const std::string& folder : banFolders_) {
    if (!WriteBanFile(folder, text)) continue;
    banPath_ = BanPath(folder);
    bansUnsaved_ = false;
    return BanFileWrite::Written;
  }
  return BanFileWrite::Failed;
}

RoutedCommand RconConsole::RouteAction(char key, int client) {
  if (!session_) return {};
  RoutedCommand outcome = session_->RouteAction(key, client);
  // Commands go before polls, and at once.
  SendDue();
  return outcome;
}

RoutedCommand RconConsole::RouteMap(const std::string& map) {
  if (!session_) return {};
  RoutedCommand outcome = session_->RouteMap(map);
  SendDue();
  return outcome;
}
