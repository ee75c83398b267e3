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

enum class ChallengeSearch { Wait, Found, Bad };

// Walks the greeting's key/value pairs for "secure". The last value may still
// be arriving: a six-byte one is taken at once, since the master says no more
// until it is answered.
ChallengeSearch FindChallenge(std::string_view greeting, std::string& challenge) {
  if (greeting.empty()) return ChallengeSearch::Wait;
  if (greeting.front() != '\\') return ChallengeSearch::Bad;
  size_t at = 1;
  bool isKey = true;
  bool valueIsChallenge = false;
  for (;;) {
    const size_t end = greeting.find('\\', at);
    const bool whole = end != std::string_view::npos;
    const std::string_view token = greeting.substr(at, whole ? end - at : std::string_view::npos);
    if (!isKey && valueIsChallenge) {
      if (token.size() == kChallengeSize) {
        challenge = std::string(token);
        return ChallengeSearch::Found;
      }
      return whole || token.size() > kChallengeSize ? ChallengeSearch::Bad : ChallengeSearch::Wait;
    }
    if (!whole) return ChallengeSearch::Wait;
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

std::string MasterExchange::Take(std::string_view bytes) {
  if (Done() || bytes.empty()) return {};
  switch (phase_) {
    case Phase::Greeting:
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

void MasterExchange::Closed() {
  if (Done()) return;
  const bool answered = phase_ != Phase::Greeting;
  Finish(answered && !answerBytesSeen_ ? MasterOutcome::Refused : MasterOutcome::ClosedEarly);
}

std::string MasterExchange::TakeGreeting(std::string_view bytes) {
  buffer_.append(bytes.substr(0, kMaxGreeting + 1 - buffer_.size()));
  std::string challenge;
  switch (FindChallenge(buffer_, challenge)) {
    case ChallengeSearch::Found:
      // What followed the challenge in the greeting are more of its keys: the
      // master sends nothing of the list before it has our answer.
      buffer_.clear();
      phase_ = form_ == ListForm::Compact ? Phase::Records : Phase::Addresses;
      return MasterListRequest(game_, challenge, form_);
    case ChallengeSearch::Bad:
      Finish(MasterOutcome::NotAList);
      return {};
    case ChallengeSearch::Wait:
      if (buffer_.size() > kMaxGreeting) Finish(MasterOutcome::NotAList);
      return {};
  }
  return {};
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
