#pragma once
// The status query's socket: one datagram out, replies in through
// window messages on the window thread. Only datagrams from the address and
// port last sent to are taken; the socket stays open until Close.
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <string>

class StatusSocket {
 public:
  // Every message of the socket's own message-only window.
  LRESULT OnMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  StatusSocket();
  ~StatusSocket();
  StatusSocket(const StatusSocket&) = delete;
  StatusSocket& operator=(const StatusSocket&) = delete;

  // Called with each datagram from the remote host and port, whole.
  std::function<void(const std::string&)> onDatagram;

  // Opens a new socket and sends bytes to host:port. False when nothing was
  // sent (unknown host, no socket, failed send); the socket may stay open.
  bool Send(const std::string& host, int port, const std::string& bytes);
  void Close();
  bool IsOpen() const { return socket_ != INVALID_SOCKET; }
  // Local port of the open socket, 0 when none.
  int LocalPort() const;

 private:
  static constexpr UINT kSocketMessage = WM_APP + 7;
  bool EnsureWindow();
  void ReadWaiting();

  HWND hwnd_ = nullptr;
  SOCKET socket_ = INVALID_SOCKET;
  sockaddr_in remote_{};
  bool winsockReady_ = false;
};
