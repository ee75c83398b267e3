#pragma once
// The overlay's one TCP socket, on the window thread through the network
// layer. It connects out from a fixed local port, and after the peer has
// closed it listens on that port for the peer to connect back.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "common/win/net_layer.h"

enum class LinkState { Closed, Listening, Connecting, Connected, Error };

enum class LinkEvent { None, Connected, Data, Closed, Accepted, Refused };

struct LinkNotice {
  LinkEvent event = LinkEvent::None;
  std::string data;  // the bytes of a Data event, all that was waiting
};

class TcpLink : private NetOwner {
 public:
  TcpLink() = default;
  ~TcpLink() = default;
  TcpLink(const TcpLink&) = delete;
  TcpLink& operator=(const TcpLink&) = delete;

  // What happened on the link; the handler may close the link or start it again.
  std::function<void(const LinkNotice&)> onNotice;

  void SetLocalPort(int port) { localPort_ = port; }
  void SetRemote(const std::string& host, int port);

  LinkState State() const { return state_; }

  // Starts a connection to the remote host; completion comes as a Connected
  // notice. A host name is looked up first without blocking the window thread;
  // the connection starts when its answer brings the address.
  void Connect();
  // Closes the socket and drops a lookup in progress.
  void Close();
  // Listens on the local port; connections from the remote host's address are
  // taken (Accepted notice), others are closed at once (Refused notice).
  void Listen();
  // Queues text for sending, unchanged. False when it cannot go out: the link
  // is not connected, the queue is full or the socket has failed.
  bool Send(const std::string& text);

  bool LookupPending() const { return lookup_ != 0; }

  // Local port of the current socket (0 when none), for tests and diagnostics.
  int BoundLocalPort() const;
  // The message the current socket's notices come as, to NetNoticeWindow(); for tests.
  UINT NoticeMessage() const { return net_.NoticeMessageOf(socket_); }

 private:
  void OnSocketNotice(SOCKET socket, int event, int error) override;
  void OnLookupDone(uintptr_t lookup, uint32_t address) override;
  LinkNotice NoticeOf(int event, int error);

  bool OpenSocket(long events);
  void ConnectTo(uint32_t address);
  bool FlushSend();
  std::string ReadWaiting();
  LinkNotice AcceptPending();

  NetHandle net_{*this};
  SOCKET socket_ = INVALID_SOCKET;
  LinkState state_ = LinkState::Closed;
  int localPort_ = 0;
  std::string remoteHost_;
  int remotePort_ = 0;
  uint32_t allowedPeer_ = 0;  // resolved remote address, host byte order; 0 = none
  uintptr_t lookup_ = 0;      // the host name lookup in progress
  std::string outgoing_;
};
