#include "overlay/core/rcon_session.h"

#include "common/core/text.h"

namespace {

std::string_view VerbOf(const ConsoleCommand& command) {
  const std::string& text = command.Text();
  return std::string_view(text).substr(0, text.find(' '));
}

// The client of "dumpuser N".
std::optional<int> ClientOf(const ConsoleCommand& command) {
  const std::string& text = command.Text();
  const size_t blank = text.find(' ');
  int client = 0;
  if (blank == std::string::npos || !ParseInt32(std::string_view(text).substr(blank + 1), client)) return std::nullopt;
  return client;
}

std::string JoinedText(const std::vector<ConsoleCommand>& commands) {
  std::string joined;
  for (const ConsoleCommand& command : commands) joined += (joined.empty() ? "" : "; ") + command.Text();
  return joined;
}

}  // namespace

RconSession::RconSession(std::string password, DayBanList bans)
    : password_(std::move(password)), bans_(std::move(bans)) {}

void RconSession::Start(uint32_t now) {
  exchange_.Reset();
  health_ = RconHealth();
  if (!RconPasswordFits(password_)) health_.PasswordUnusable();
  server_.reset();
  commandListRead_ = false;
  polledOnce_ = false;
  listAskedOnce_ = false;
  lastStatus_.reset();
  statusNew_ = false;
  askedPlayers_.clear();
  models_.clear();
  exchange_.QueueStatusQuery();
  lastStatusPoll_ = now;
}

std::optional<ServerFamily> RconSession::Family() const {
  if (!server_) return std::nullopt;
  return server_->Family();
}

void RconSession::Tick(uint32_t now, int64_t utcNow) {
  utcNow_ = utcNow;
  if (auto finished = exchange_.Poll(now)) Finish(*finished, utcNow);
  QueuePolls(now);
  // Bans end once the server's commands are known, so that its own ban can be lifted with them.
  if (!server_ || !commandListRead_) return;
  const std::vector<DayBan> due = bans_.TakeDue(utcNow);
  if (!due.empty()) bansChanged_ = true;
  for (const DayBan& ban : due) {
    if (!ban.serverBan) continue;
    if (auto lift = RconLiftBan(ban.address, *server_)) exchange_.QueueCommand(*lift);
  }
}

// The family first; then the command list until it is read, and the status
// every kStatusEveryMs.
void RconSession::QueuePolls(uint32_t now) {
  const bool due = now - lastStatusPoll_ >= kStatusEveryMs;
  if (!server_) {
    if (due && !exchange_.Open() && exchange_.Waiting() == 0) {
      exchange_.QueueStatusQuery();
      lastStatusPoll_ = now;
    }
    return;
  }
  if (!RconPasswordFits(password_)) return;
  if (!commandListRead_ && (!listAskedOnce_ || now - lastCommandList_ >= kStatusEveryMs)) {
    exchange_.QueuePoll(*ConsoleCommand::Plain("cmdlist"));
    lastCommandList_ = now;
    listAskedOnce_ = true;
  }
  if (!polledOnce_ || due) {
    exchange_.QueuePoll(*ConsoleCommand::Plain("status"));
    lastStatusPoll_ = now;
    polledOnce_ = true;
  }
}

std::optional<std::string> RconSession::NextDatagram(uint32_t now) {
  const std::optional<RconRequestItem> item = exchange_.NextToSend(now);
  if (!item) return std::nullopt;
  if (item->kind == RequestKind::StatusQuery) return StatusQueryDatagram();
  // Left open without a datagram, the request ends unanswered.
  if (!server_ || !item->command) return std::nullopt;
  return RconRequest(server_->Family(), password_, *item->command);
}

void RconSession::TakeDatagram(std::string_view datagram, uint32_t now) { exchange_.TakeDatagram(datagram, now); }

void RconSession::Finish(const FinishedRequest& finished, int64_t utcNow) {
  health_.Finished(finished);
  if (!finished.answered) return;
  if (finished.request.kind == RequestKind::StatusQuery) {
    if (!server_ && finished.family) server_.emplace(*finished.family);
    return;
  }
  if (!server_ || !finished.request.command) return;
  const ConsoleCommand& sent = *finished.request.command;
  const std::string& reply = finished.reply.text;
  if (server_->ReadCommandReply(sent, reply)) return;
  const std::string_view verb = VerbOf(sent);
  if (verb == "status") {
    if (auto status = ReadRconStatus(reply)) OnStatus(std::move(*status), utcNow);
  } else if (verb == "cmdlist") {
    commandListRead_ = server_->ReadCommandList(reply) || commandListRead_;
  } else if (verb == "dumpuser") {
    OnDumpUser(sent, reply);
  }
}

// New players' settings are asked one a status, so that a full server's
// arrivals never hold the next status back; the day's bans are kicked again.
void RconSession::OnStatus(RconStatus status, int64_t utcNow) {
  std::map<int, std::string> asked;
  bool askedOne = false;
  for (const RconPlayer& p : status.players) {
    const auto known = askedPlayers_.find(p.client);
    if (known != askedPlayers_.end() && known->second == p.name) {
      asked.insert(*known);
      continue;
    }
    if (askedOne || !server_->Has("dumpuser")) continue;
    const auto dumpUser = ConsoleCommand::ForClient("dumpuser", p.client);
    askedOne = dumpUser && exchange_.QueuePoll(*dumpUser);
    if (askedOne) asked[p.client] = p.name;
  }
  askedPlayers_ = std::move(asked);
  if (server_->Has("clientkick")) {
    for (int client : bans_.ToKickAgain(status, utcNow)) {
      if (auto kick = ConsoleCommand::ForClient("clientkick", client)) exchange_.QueueCommand(*kick);
    }
  }
  lastStatus_ = std::move(status);
  statusNew_ = true;
}

void RconSession::OnDumpUser(const ConsoleCommand& sent, std::string_view reply) {
  const std::optional<int> client = ClientOf(sent);
  std::optional<PlayerModels> models = ReadDumpUser(reply);
  if (client && models) models_.emplace_back(*client, std::move(*models));
}

RoutedCommand RconSession::RouteAction(char key, int client) {
  const std::optional<RconAction> action = RconActionOfKey(key);
  if (!action) return {};
  if (const std::optional<RouteOutcome> early = BeforeAnyCommand()) return {*early, ""};
  std::vector<ConsoleCommand> commands = RconActionCommands(*action, client, *server_);
  if (commands.empty()) return {};
  if (commands.size() > exchange_.Room()) return {RouteOutcome::NotSent, JoinedText(commands)};
  if (*action == RconAction::DayBan && lastStatus_) {
    for (const RconPlayer& p : lastStatus_->players) {
      if (p.client == client && bans_.Add(p.host, p.name, utcNow_, DayBanUsesServerBan(*server_))) bansChanged_ = true;
    }
  }
  return QueueCommands(std::move(commands));
}

RoutedCommand RconSession::RouteMap(const std::string& map) {
  if (const std::optional<RouteOutcome> early = BeforeAnyCommand()) return {*early, ""};
  std::optional<ConsoleCommand> command = RconMapCommand(map, *server_);
  if (!command) return {};
  return QueueCommands({std::move(*command)});
}

// Until the server has told its family nothing can be said of a command;
// a password no request can carry sends none.
std::optional<RouteOutcome> RconSession::BeforeAnyCommand() const {
  if (!server_) return RouteOutcome::ServerNotKnown;
  if (!RconPasswordFits(password_)) return RouteOutcome::NotSent;
  return std::nullopt;
}

// All or none: half of a ban or kick must not go out under "Command Not Sent".
RoutedCommand RconSession::QueueCommands(std::vector<ConsoleCommand> commands) {
  RoutedCommand routed{commands.size() <= exchange_.Room() ? RouteOutcome::Sent : RouteOutcome::NotSent,
                       JoinedText(commands)};
  if (routed.outcome != RouteOutcome::Sent) return routed;
  for (ConsoleCommand& command : commands) exchange_.QueueCommand(std::move(command));
  return routed;
}

std::optional<RconStatus> RconSession::TakeStatus() {
  if (!statusNew_) return std::nullopt;
  statusNew_ = false;
  return lastStatus_;
}

std::vector<std::pair<int, PlayerModels>> RconSession::TakeModels() { return std::exchange(models_, {}); }

bool RconSession::TakeBansChanged() { return std::exchange(bansChanged_, false); }
