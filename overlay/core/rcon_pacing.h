#pragma once
// How many requests may go to the remote console. The servers drop requests
// over their rate without a word, and count the status queries from the same
// address with the rcon ones, so every datagram to the server spends from
// this one budget: at most five at once, then one a second on average.
#include <cstdint>

class RequestBudget {
 public:
  static constexpr uint32_t kBurst = 5;
  static constexpr uint32_t kRefillMs = 1000;  // one request's worth

  // True when a request may go at tick count now.
  bool Available(uint32_t now);
  // Records a request that went at now; call only after Available.
  void Spend(uint32_t now);

 private:
  void Refill(uint32_t now);

  // Milliseconds of refill held, one request per kRefillMs; it starts full.
  uint32_t creditMs_ = kBurst * kRefillMs;
  uint32_t last_ = 0;
  bool started_ = false;
};
