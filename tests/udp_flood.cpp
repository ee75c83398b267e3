#include "tests/udp_flood.h"

#include <winsock2.h>

#include "common/win/wait.h"

UdpFlood::UdpFlood(int toPort, std::string datagram, int perSecond, int threadCount) {
  const uint32_t startMs = MillisecondClock();
  for (int i = 0; i < threadCount; ++i) {
    threads_.emplace_back([=, this] {
      WSADATA data;
      WSAStartup(MAKEWORD(2, 2), &data);
      SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
      sockaddr_in to{};
      to.sin_family = AF_INET;
      to.sin_port = htons(static_cast<u_short>(toPort));
      to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      for (int64_t mine = 0; !stop; Sleep(1)) {
        const int64_t due = int64_t{MillisecondClock() - startMs} * perSecond / threadCount / 1000;
        for (; !stop && mine < due; ++mine, ++sent) {
          sendto(s, datagram.data(), static_cast<int>(datagram.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        }
      }
      closesocket(s);
      WSACleanup();
    });
  }
}

UdpFlood::~UdpFlood() {
  stop = true;
  for (std::thread& thread : threads_) thread.join();
}
