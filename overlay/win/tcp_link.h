#pragma once
// The overlay's one TCP socket, driven by window messages on the window
// thread. It connects out from a fixed local port, and after the peer has
// closed it listens on that port for the peer to connect back.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

enum class LinkState { Closed, Listening, Connecting, Connected, Error };

enum class LinkEvent { None, Connected, Data, Closed, Accepted, Refused };

struct LinkNotice {
  LinkEvent event = LinkEvent::None;
  std::string data;  // the bytes of a Data event, all that was waiting
};

class TcpLink {
 public:
  static constexpr UINT kMessage = WM_APP + 1;
  // A host name's lookup has ended (host_lookup::Start: wParam its id, lParam the address).
  static constexpr UINT kLookupMessage = WM_APP + 2;

  TcpLink();
  ~TcpLink();
  TcpLink(const TcpLink&) = delete;
  TcpLink& operator=(const TcpLink&) = delete;

  // Socket notices go to window as kMessage.
  void Attach(HWND window) { window_ = window; }
  void SetLocalPort(int port) { localPort_ = port; }
  void SetRemote(const std::string& host, int port);

  LinkState State() const { return state_; }

  // Starts a connection to the remote host; completion comes as a Connected
  // notice. A host name is looked up first without blocking the window thread;
  // the connection starts when kLookupMessage brings the address.
  void Connect();
  // Closes the socket and drops a lookup in progress.
  void Close();
  // Listens on the local port; connections from the remote host's address are
  // taken (Accepted notice), others are closed at once (Refused notice).
  void Listen();
  // Queues text for sending, unchanged. False when it cannot go out: the link
  // is not connected, the queue is full or the socket has failed.
  bool Send(const std::string& text);

  // Translates one kMessage into what happened.
  LinkNotice OnMessage(WPARAM wParam, LPARAM lParam);
  // Takes one kLookupMessage: connects to the address found, if any.
  void OnLookupDone(WPARAM wParam, LPARAM lParam);
  bool LookupPending() const { return lookup_ != 0; }

  // Local port of the current socket (0 when none), for tests and diagnostics.
  int BoundLocalPort() const;

 private:
  bool OpenSocket();
  void ConnectTo(uint32_t address);
  void CancelLookup();
  bool FlushSend();
  std::string ReadWaiting();
  LinkNotice AcceptPending();

  HWND window_ = nullptr;
  SOCKET socket_ = INVALID_SOCKET;
  LinkState state_ = LinkState::Closed;
  int localPort_ = 0;
  std::string remoteHost_;
  int remotePort_ = 0;
  uint32_t allowedPeer_ = 0;  // resolved remote address, network order; 0 = none
  uintptr_t lookup_ = 0;      // the host name lookup in progress
  std::string outgoing_;
  bool winsockReady_ = false;
};
