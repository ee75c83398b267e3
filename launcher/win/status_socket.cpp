#include "launcher/win/status_socket.h"

#include <vector>

#include "common/win/net_address.h"
#include "common/win/window_class.h"

namespace {

constexpr const char* kSocketClass = "KestrunStatusSocket";
constexpr int kMaxDatagram = 65536;
// Datagrams read per notice; more waiting raise the notice again.
constexpr int kReadsPerNotice = 32;

}  // namespace

StatusSocket::StatusSocket() {
  WSADATA data;
  winsockReady_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

StatusSocket::~StatusSocket() {
  Close();
  if (hwnd_) DestroyWindow(hwnd_);
  if (winsockReady_) WSACleanup();
}

bool StatusSocket::EnsureWindow() {
  if (hwnd_) return true;
  RegisterWindowClass(kSocketClass, ObjectWindowProc<StatusSocket>);
  hwnd_ = CreateWindowExA(0, kSocketClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), this);
  return hwnd_ != nullptr;
}

bool StatusSocket::Send(const std::string& host, int port, const std::string& bytes) {
  Close();
  if (!winsockReady_ || !EnsureWindow()) return false;
  socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (socket_ == INVALID_SOCKET) return false;
  // Bound before the send so that a reply can never come before the notices are set up.
  sockaddr_in local{};
  local.sin_family = AF_INET;
  if (bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return false;
  if (WSAAsyncSelect(socket_, hwnd_, kSocketMessage, FD_READ) != 0) return false;
  if (!ResolveIPv4(host, port, SOCK_DGRAM, remote_)) return false;
  const int sent = sendto(socket_, bytes.data(), static_cast<int>(bytes.size()), 0,
                          reinterpret_cast<const sockaddr*>(&remote_), sizeof remote_);
  return sent == static_cast<int>(bytes.size());
}

void StatusSocket::Close() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
  socket_ = INVALID_SOCKET;
  remote_ = {};
}

int StatusSocket::LocalPort() const {
  if (socket_ == INVALID_SOCKET) return 0;
  sockaddr_in local{};
  int size = sizeof local;
  if (getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &size) != 0) return 0;
  return ntohs(local.sin_port);
}

void StatusSocket::ReadWaiting() {
  std::vector<char> buffer(kMaxDatagram);
  for (int i = 0; i < kReadsPerNotice && socket_ != INVALID_SOCKET; ++i) {
    sockaddr_in from{};
    int fromSize = sizeof from;
    const int got = recvfrom(socket_, buffer.data(), kMaxDatagram, 0, reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (got < 0) {
      // A refused earlier datagram shows up as a reset; anything else ends the reading.
      if (WSAGetLastError() == WSAECONNRESET) continue;
      return;
    }
    const bool fromRemote = from.sin_addr.s_addr == remote_.sin_addr.s_addr && from.sin_port == remote_.sin_port;
    if (fromRemote && onDatagram) onDatagram(std::string(buffer.data(), static_cast<size_t>(got)));
  }
}

LRESULT StatusSocket::OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kSocketMessage) {
    // Notices of a socket closed meanwhile are stale.
    if (static_cast<SOCKET>(wParam) == socket_ && WSAGETSELECTEVENT(lParam) == FD_READ) ReadWaiting();
    return 0;
  }
  if (msg == WM_NCDESTROY) hwnd_ = nullptr;
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}
