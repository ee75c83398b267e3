#pragma once
// The overlay square in remote-console mode: green while the console
// answers, red after three polls in a row without an answer or when it
// refuses the password, green again at its next plain answer. Fed with every
// request the exchange finishes.
#include <string>
#include <string_view>

#include "overlay/core/rcon_exchange.h"

constexpr const char* kBadPasswordMessage = "Bad rcon password";
constexpr const char* kNoPasswordMessage = "No rcon password set on the server";
constexpr const char* kNoAnswerMessage = "No answer from the rcon server";
constexpr const char* kUnusablePasswordMessage = "Rcon Password not usable: see Corvel Setup";

enum class LinkHealth {
  Waiting,      // nothing has come yet
  Answering,    // green
  Silent,       // red: kMissedPolls polls in a row without an answer
  BadPassword,  // red
  NoPassword,   // red: the server has none set
  UnusablePassword,  // red: ours is empty or holds what a request cannot carry
};

class RconHealth {
 public:
  static constexpr int kMissedPolls = 3;

  void Finished(const FinishedRequest& finished);
  // The server's answers cannot make the square green: no command can go.
  void PasswordUnusable() { state_ = LinkHealth::UnusablePassword; }

  LinkHealth State() const { return state_; }
  bool Green() const { return state_ == LinkHealth::Answering; }
  bool Red() const { return state_ != LinkHealth::Answering && state_ != LinkHealth::Waiting; }
  // The status line for a red square; empty otherwise.
  std::string StatusText() const;

 private:
  LinkHealth state_ = LinkHealth::Waiting;
  int missed_ = 0;
};
