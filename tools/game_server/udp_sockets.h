#pragma once
// The few UDP calls the game-server stand-in makes, on Winsock or on POSIX
// sockets. Addresses are IPv4 in host byte order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Datagram {
  uint32_t address = 0;
  int port = 0;
  std::string bytes;
};

void UdpStartup();

class UdpSocket {
 public:
  UdpSocket() = default;
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;
  UdpSocket(UdpSocket&& other) noexcept : handle_(other.handle_) { other.handle_ = kNone; }
  UdpSocket& operator=(UdpSocket&& other) noexcept;
  ~UdpSocket();

  // A non-blocking socket on 127.0.0.1:port, or on every address of the
  // machine (which hears broadcasts) when anyAddress.
  bool BindLoopback(int port, bool anyAddress = false);
  void SendTo(uint32_t address, int port, const std::string& bytes);
  // The next waiting datagram; false when none waits.
  bool Receive(Datagram& datagram);

  std::uintptr_t Handle() const { return handle_; }

 private:
  static constexpr std::uintptr_t kNone = ~std::uintptr_t{0};
  std::uintptr_t handle_ = kNone;
};

// The indexes of the sockets with a datagram waiting, after at most timeoutMs.
std::vector<size_t> WaitReadable(const std::vector<UdpSocket*>& sockets, int timeoutMs);
