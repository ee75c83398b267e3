#pragma once
// The one network layer of a program. Winsock is started once and held to
// the program's end; one message-only window on the window thread takes every
// socket notice, name lookup answer and timer of the network code and hands
// each to its owner, or to nobody when the owner has ended or started again.
//
// How an owner uses it: it derives from NetOwner, overrides the notices it
// wants, and keeps a NetHandle made with itself:
//
//   class Query : private NetOwner {
//     NetHandle net_{*this};
//     void OnSocketNotice(SOCKET socket, int event, int error) override;
//     void OnTimer(int timer) override;
//   };
//
// Sockets come from net_.Open (or net_.Adopt for an accepted one) and from
// then on belong to the layer: the owner sends and reads on them but never
// closes them itself (net_.Close). A datagram socket opened for FD_READ is
// read by a thread of the layer's (common/win/datagram_reader.h), and what it
// read is handed on in bounded turns on the window thread: each datagram comes
// to OnDatagram, and OnReadTurnEnd after each turn. Such a socket notices
// nothing else. Lookups answer in OnLookupDone, timers
// (repeating until killed) in OnTimer, net_.Post() in OnPosted; all of it from
// the message loop, never from inside the call that started it.
//
// net_.Restart() drops everything the owner has under way: its sockets are
// closed, its timers killed, its lookups and posts forgotten. Whatever of them
// is still on its way (a notice of a closed socket, even once a new socket has
// the same handle value; a lookup's answer; a timer's tick; a post) reaches
// nobody. The handle's end does the same for good.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct Datagram {
  uint32_t address;  // the sender's IPv4, host byte order
  int port;
  std::string_view bytes;  // valid during the call it is handed to
  uint32_t atMs;  // MillisecondClock when it was read
};

class NetOwner {
 public:
  // event is FD_READ, FD_WRITE, FD_CONNECT, FD_CLOSE or FD_ACCEPT; never
  // FD_READ of a datagram socket, which the layer reads itself.
  virtual void OnSocketNotice(SOCKET /*socket*/, int /*event*/, int /*error*/) {}
  virtual void OnDatagram(SOCKET /*socket*/, const Datagram& /*datagram*/) {}
  // A turn of reading has ended; more may wait for the next.
  virtual void OnReadTurnEnd(SOCKET /*socket*/) {}
  // address: IPv4 in host byte order, 0 when the name did not resolve.
  virtual void OnLookupDone(uintptr_t /*lookup*/, uint32_t /*address*/) {}
  virtual void OnTimer(int /*timer*/) {}
  virtual void OnPosted() {}

 protected:
  ~NetOwner() = default;
};

class NetHandle {
 public:
  // Timers are numbered by their owner from 0 to kMaxTimers - 1.
  static constexpr int kMaxTimers = 16;

  explicit NetHandle(NetOwner& owner);
  ~NetHandle();
  NetHandle(const NetHandle&) = delete;
  NetHandle& operator=(const NetHandle&) = delete;

  // Winsock and the layer's window are there; without them nothing starts.
  bool Ready() const;

  // A new non-blocking socket (SOCK_DGRAM or SOCK_STREAM) with a receive
  // buffer of receiveBuffer bytes (0: the system's), bound to localPort (0:
  // any), whose notices of events come to the owner. INVALID_SOCKET when any
  // of it fails. Bound and selected before it is handed out, so that nothing
  // can arrive before its notice is wanted.
  SOCKET Open(int type, long events, int localPort = 0, int receiveBuffer = 0);
  // Takes a socket made elsewhere (an accepted connection); closes it and
  // returns false when its notices cannot be routed.
  bool Adopt(SOCKET socket, long events);
  void Close(SOCKET socket);

  // Looks host up beside the window thread. Returns the lookup's id for
  // OnLookupDone; 0 when none started.
  uintptr_t LookUp(const std::string& host);
  // No answer will come for the lookup.
  void DropLookup(uintptr_t lookup);

  void SetTimer(int timer, UINT ms);
  void KillTimer(int timer);
  // OnPosted comes once from the message loop.
  void Post();

  void Restart();

  // The message socket's notices come as, to NetNoticeWindow(); 0 for a
  // socket not of this owner. For tests that hold notices back.
  UINT NoticeMessageOf(SOCKET socket) const;

 private:
  bool AdoptForReading(SOCKET socket);

  uint32_t slot_;
};

// The layer's window (null until the first owner came).
HWND NetNoticeWindow();

// Starts connecting a stream socket to address (IPv4, host byte order) and
// port; FD_CONNECT tells how it ended. False when it failed at once.
bool StartConnect(SOCKET socket, uint32_t address, int port);

// Sends bytes as one datagram to address (IPv4, host byte order) and port;
// false when they did not all go.
bool SendDatagram(SOCKET socket, uint32_t address, int port, std::string_view bytes);

// The local port a socket is bound to; 0 for none.
int LocalPortOf(SOCKET socket);
