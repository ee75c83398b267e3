#pragma once
// Reads one datagram socket on a thread of its own, so that the window thread
// never waits on a read. Under Wine every read is a round trip to the Wine
// server; done beside the window thread, those trips overlap with the window
// thread's own sends and painting instead of adding to them.
//
// The thread reads whatever waits into a batch and posts one notice to the
// window when the socket has nothing more for now, or once kNoticeBatch
// datagrams are in while more keep coming; the window thread takes the batch
// whole. Under Wine every notice and every turn it starts costs the window
// thread a few calls to the Wine server, as a read does: a notice for every
// datagram or two would cost it what the thread saves. What waits is bounded: once kMaxQueuedBytes are read and not taken,
// the thread stops reading until they are, and the socket's own buffer holds
// (or drops) the rest, as it would without the thread.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

struct DatagramBatch {
  struct Entry {
    uint32_t address;  // the sender's IPv4, host byte order
    int port;
    uint32_t atMs;  // MillisecondClock when it was read
    size_t offset, size;  // where its bytes are in bytes
  };
  std::vector<Entry> entries;
  std::vector<char> bytes;

  std::string_view BytesOf(const Entry& entry) const { return {bytes.data() + entry.offset, entry.size}; }
  void Clear() {
    entries.clear();
    bytes.clear();
  }
};

class DatagramReader {
 public:
  static constexpr size_t kMaxQueuedBytes = 4 * 1024 * 1024;
  static constexpr size_t kNoticeBatch = 32;

  DatagramReader() = default;
  // Stops the thread and waits for it; the socket is still the caller's to close.
  ~DatagramReader();
  DatagramReader(const DatagramReader&) = delete;
  DatagramReader& operator=(const DatagramReader&) = delete;

  // Starts reading socket, which must be non-blocking and have no
  // WSAAsyncSelect of its own. The notice is message msg posted to window
  // with the socket as wParam and an FD_READ select reply as lParam. False
  // when the thread could not start.
  bool Start(SOCKET socket, HWND window, UINT msg);

  // Moves what was read, in the order it came, into batch (which is cleared
  // first). Until more comes after this, no notice is posted.
  void Take(DatagramBatch& batch);
  // Puts back datagrams taken and not handed on, before anything read since.
  void PutBack(const DatagramBatch& batch, size_t from);

 private:
  static DWORD WINAPI Run(void* self);
  void ReadUntilStopped();
  // Reads what the socket holds; false when the thread is to stop.
  bool ReadWaiting(std::vector<char>& room);
  void Queue(const sockaddr_in& from, const char* bytes, size_t size);
  // Posts the notice for what waits, unless one is owed already.
  void PostIfOwed();
  void Post();

  SOCKET socket_ = INVALID_SOCKET;
  HWND window_ = nullptr;
  UINT msg_ = 0;
  HANDLE thread_ = nullptr;
  WSAEVENT readable_ = WSA_INVALID_EVENT;
  HANDLE stop_ = nullptr;
  std::atomic<bool> stopping_{false};  // stop_ set, read without a call to the system
  HANDLE room_ = nullptr;  // set when a Take made room again
  SRWLOCK lock_ = SRWLOCK_INIT;
  DatagramBatch queued_;  // under lock_
  bool noticeOwed_ = false;  // under lock_: a notice went, and no Take emptied the queue since
};
