#pragma once
// Datagrams at a loopback port at a steady rate, from threads and sockets of
// its own (one thread under Wine sends too slowly), until it goes.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

struct UdpFlood {
  UdpFlood(int toPort, std::string datagram, int perSecond, int threadCount);
  ~UdpFlood();
  std::atomic<bool> stop{false};
  std::atomic<int> sent{0};

 private:
  std::vector<std::thread> threads_;
};
