#include "launcher/core/master_exchange.h"

#include <algorithm>

#include "launcher/core/server_list.h"
#include "launcher/core/server_status.h"

namespace {

// A master's greeting is a few dozen bytes; anything this long without a
// challenge is something else.
constexpr size_t kMaxGreeting = 2048;
constexpr size_t kChallengeSize = 6;
// Past this many entries a master is streaming garbage, not a list.
constexpr size_t kMaxEntriesRead = size_t{1} << 20;
// "\ip\255.255.255.255:65535" has 21 bytes of value.
constexpr size_t kMaxAddressToken = 32;

constexpr std::string_view kFinal = "\\final\\";
constexpr size_t kRecordSize = 6;

enum class GreetingState { Open, Ended, Bad };

struct Greeting {
  GreetingState state = GreetingState::Open;
  std::string challenge;  // the value of "secure", once it has its six characters
};

// Walks the greeting's key/value pairs. The last token may still be arriving:
// a value of "secure" is wrong at once when longer than six characters, and
// when shorter only once whole.
Greeting ReadGreeting(std::string_view bytes) {
  Greeting greeting;
  if (bytes.empty()) return greeting;
  if (bytes.front() != '\\') return {GreetingState::Bad, {}};
  size_t at = 1;
  bool isKey = true;
  bool valueIsChallenge = false;
  for (;;) {
    const size_t end = bytes.find('\\', at);
    const bool whole = end != std::string_view::npos;
    const std::string_view token = bytes.substr(at, whole ? end - at : std::string_view::npos);
    if (isKey && whole && token == "final") {
      greeting.state = greeting.challenge.empty() ? GreetingState::Bad : GreetingState::Ended;
      return greeting;
    }
    if (!isKey && valueIsChallenge && greeting.challenge.empty()) {
      if (token.size() > kChallengeSize || (whole && token.size() != kChallengeSize)) return {GreetingState::Bad, {}};
      if (token.size() == kChallengeSize) greeting.challenge = std::string(token);
    }
    if (!whole) return greeting;
    if (isKey) valueIsChallenge = token == "secure";
    isKey = !isKey;
    at = end + 1;
  }
}

}  // namespace

std::string MasterListRequest(const GameSpyGame& game, std::string_view challenge, ListForm form) {
  const std::string name = game.gameName;
  return "\\gamename\\" + name + "\\gamever\\1.11\\location\\0\\validate\\" + ChallengeAnswer(game.key, challenge) +
         "\\enctype\\0\\final\\\\queryid\\1.1\\" + "\\list\\" + (form == ListForm::Compact ? "cmp" : "") +
         "\\gamename\\" + name + "\\final\\";
}

std::string MasterExchange::Take(std::string_view bytes, uint32_t nowMs) {
  if (Done() || bytes.empty()) return {};
  switch (phase_) {
    case Phase::Greeting:
      greetingLastMs_ = nowMs;
      return TakeGreeting(bytes);
    case Phase::Records:
      answerBytesSeen_ = true;
      TakeRecords(bytes);
      break;
    case Phase::Addresses:
      answerBytesSeen_ = true;
      TakeAddresses(bytes);
      break;
  }
  return {};
}

std::string MasterExchange::Tick(uint32_t nowMs) {
  if (!GreetingEndsAtMs() || nowMs - greetingLastMs_ < kGreetingQuietMs) return {};
  return EndGreeting(std::move(challenge_));
}

std::optional<uint32_t> MasterExchange::GreetingEndsAtMs() const {
  if (Done() || phase_ != Phase::Greeting || challenge_.empty()) return std::nullopt;
  return greetingLastMs_ + kGreetingQuietMs;
}

void MasterExchange::Closed() {
  if (Done()) return;
  const bool answered = phase_ != Phase::Greeting;
  Finish(answered && !answerBytesSeen_ ? MasterOutcome::Refused : MasterOutcome::ClosedEarly);
}

std::string MasterExchange::TakeGreeting(std::string_view bytes) {
  buffer_.append(bytes.substr(0, kMaxGreeting + 1 - buffer_.size()));
  Greeting greeting = ReadGreeting(buffer_);
  challenge_ = std::move(greeting.challenge);
  switch (greeting.state) {
    case GreetingState::Ended:
      return EndGreeting(std::move(challenge_));
    case GreetingState::Bad:
      Finish(MasterOutcome::NotAList);
      return {};
    case GreetingState::Open:
      if (buffer_.size() > kMaxGreeting) Finish(MasterOutcome::NotAList);
      return {};
  }
  return {};
}

// Nothing of the greeting is kept: what comes next is the list.
std::string MasterExchange::EndGreeting(std::string challenge) {
  std::string request = MasterListRequest(game_, challenge, form_);
  buffer_.clear();
  challenge_.clear();
  phase_ = form_ == ListForm::Compact ? Phase::Records : Phase::Addresses;
  return request;
}

void MasterExchange::TakeRecords(std::string_view bytes) {
  size_t at = 0;
  while (!Done()) {
    const size_t wanted = std::min(kFinal.size() - buffer_.size(), bytes.size() - at);
    buffer_.append(bytes.substr(at, wanted));
    at += wanted;
    if (buffer_.size() == kFinal.size() && buffer_ == kFinal) {
      Finish(MasterOutcome::List);
      return;
    }
    // Six bytes that begin "\final" wait for a seventh to tell the end of
    // the list from a record.
    if (buffer_.size() < kRecordSize || (buffer_.size() == kRecordSize && kFinal.substr(0, kRecordSize) == buffer_)) {
      return;
    }
    const auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(buffer_[i])); };
    Keep(byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3), static_cast<int>(byte(4) << 8 | byte(5)));
    buffer_.erase(0, kRecordSize);
  }
}

// "\ip\a.b.c.d:port" entries until "\final\". Unknown keys are passed over
// with their values; an entry that does not read as an address is skipped.
void MasterExchange::TakeAddresses(std::string_view bytes) {
  for (char c : bytes) {
    if (Done()) return;
    if (c != '\\') {
      if (buffer_.size() == kMaxAddressToken) {
        Finish(MasterOutcome::NotAList);
        return;
      }
      buffer_ += c;
      continue;
    }
    EndAddressToken();
  }
}

// Tokens alternate key, value; the very first backslash only opens the first key.
void MasterExchange::EndAddressToken() {
  const std::string token = std::move(buffer_);
  buffer_.clear();
  switch (textToken_) {
    case TextToken::Opening:
      textToken_ = TextToken::Key;
      return;
    case TextToken::Key:
      if (token == "final") {
        Finish(MasterOutcome::List);
        return;
      }
      textToken_ = token == "ip" ? TextToken::AddressValue : TextToken::OtherValue;
      return;
    case TextToken::AddressValue: {
      const size_t colon = token.find(':');
      uint32_t address = 0;
      int port = 0;
      if (colon != std::string::npos && ParseDottedIPv4(std::string_view(token).substr(0, colon), address) &&
          ParsePort(std::string_view(token).substr(colon + 1), port)) {
        Keep(address, port);
      } else {
        CountEntry();
      }
      break;
    }
    case TextToken::OtherValue:
      CountEntry();
      break;
  }
  textToken_ = TextToken::Key;
}

void MasterExchange::Keep(uint32_t address, int port) {
  if (servers_.size() < kMaxListedServers) servers_.push_back({address, static_cast<uint16_t>(port)});
  CountEntry();
}

void MasterExchange::CountEntry() {
  if (++entriesRead_ > kMaxEntriesRead) Finish(MasterOutcome::NotAList);
}

void MasterExchange::Finish(MasterOutcome outcome) {
  outcome_ = outcome;
  buffer_.clear();
  buffer_.shrink_to_fit();
}
