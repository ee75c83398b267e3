#include "common/win/datagram_reader.h"

#include "common/win/wait.h"

namespace {

constexpr size_t kMaxDatagram = 65536;
// After a read fails for a reason other than an empty socket, the thread
// waits this long before it reads again, so that a lasting fault does not spin.
constexpr DWORD kPauseAfterFaultMs = 50;

class Locked {
 public:
  explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~Locked() { ReleaseSRWLockExclusive(&lock_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  SRWLOCK& lock_;
};

}  // namespace

bool DatagramReader::Start(SOCKET socket, HWND window, UINT msg) {
  socket_ = socket;
  window_ = window;
  msg_ = msg;
  readable_ = WSACreateEvent();
  stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  room_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (readable_ == WSA_INVALID_EVENT || !stop_ || !room_) return false;
  if (WSAEventSelect(socket_, readable_, FD_READ) != 0) return false;
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  return thread_ != nullptr;
}

DatagramReader::~DatagramReader() {
  if (thread_) {
    stopping_ = true;
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  if (socket_ != INVALID_SOCKET && readable_ != WSA_INVALID_EVENT) WSAEventSelect(socket_, nullptr, 0);
  if (readable_ != WSA_INVALID_EVENT) WSACloseEvent(readable_);
  if (stop_) CloseHandle(stop_);
  if (room_) CloseHandle(room_);
}

DWORD WINAPI DatagramReader::Run(void* self) {
  static_cast<DatagramReader*>(self)->ReadUntilStopped();
  return 0;
}

void DatagramReader::ReadUntilStopped() {
  std::vector<char> room(kMaxDatagram);
  for (;;) {
    // Reset before the reads: a datagram that comes after the last of them sets it again.
    WSAResetEvent(readable_);
    if (!ReadWaiting(room)) return;
    bool full = false;
    {
      Locked locked(lock_);
      full = queued_.bytes.size() >= kMaxQueuedBytes;
    }
    // While the queue is full, only a Take wakes the thread to read again.
    const HANDLE wakers[] = {stop_, full ? room_ : readable_};
    if (WaitForMultipleObjects(2, wakers, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
  }
}

bool DatagramReader::ReadWaiting(std::vector<char>& room) {
  for (;;) {
    if (stopping_.load(std::memory_order_relaxed)) return false;
    {
      Locked locked(lock_);
      if (queued_.bytes.size() >= kMaxQueuedBytes) break;
    }
    sockaddr_in from{};
    int fromSize = sizeof from;
    const int got = recvfrom(socket_, room.data(), static_cast<int>(room.size()), 0,
                             reinterpret_cast<sockaddr*>(&from), &fromSize);
    if (got >= 0) {
      Queue(from, room.data(), static_cast<size_t>(got));
      continue;
    }
    const int error = WSAGetLastError();
    // A port nobody listens on answers an earlier request with a reset.
    if (error == WSAECONNRESET) continue;
    if (error == WSAEWOULDBLOCK) {
      PostIfOwed();  // all read for now: what was held back for a fuller batch goes
      return true;
    }
    PostIfOwed();
    return WaitForSingleObject(stop_, kPauseAfterFaultMs) != WAIT_OBJECT_0;
  }
  PostIfOwed();
  return true;
}

void DatagramReader::Queue(const sockaddr_in& from, const char* bytes, size_t size) {
  bool notify = false;
  {
    Locked locked(lock_);
    const size_t offset = queued_.bytes.size();
    queued_.bytes.insert(queued_.bytes.end(), bytes, bytes + size);
    queued_.entries.push_back({ntohl(from.sin_addr.s_addr), ntohs(from.sin_port), MillisecondClock(), offset, size});
    notify = !noticeOwed_ && queued_.entries.size() >= kNoticeBatch;
    if (notify) noticeOwed_ = true;
  }
  if (notify) Post();
}

void DatagramReader::PostIfOwed() {
  bool notify = false;
  {
    Locked locked(lock_);
    notify = !noticeOwed_ && !queued_.entries.empty();
    if (notify) noticeOwed_ = true;
  }
  if (notify) Post();
}

void DatagramReader::Post() { PostMessageA(window_, msg_, static_cast<WPARAM>(socket_), WSAMAKESELECTREPLY(FD_READ, 0)); }

void DatagramReader::Take(DatagramBatch& batch) {
  batch.Clear();
  bool wasFull = false;
  {
    Locked locked(lock_);
    wasFull = queued_.bytes.size() >= kMaxQueuedBytes;
    std::swap(batch, queued_);
    noticeOwed_ = false;
  }
  if (wasFull) SetEvent(room_);
}

void DatagramReader::PutBack(const DatagramBatch& batch, size_t from) {
  if (from >= batch.entries.size()) return;
  DatagramBatch back;
  for (size_t i = from; i < batch.entries.size(); ++i) {
    const DatagramBatch::Entry& entry = batch.entries[i];
    back.entries.push_back({entry.address, entry.port, entry.atMs, back.bytes.size(), entry.size});
    const std::string_view bytes = batch.BytesOf(entry);
    back.bytes.insert(back.bytes.end(), bytes.begin(), bytes.end());
  }
  Locked locked(lock_);
  for (DatagramBatch::Entry entry : queued_.entries) {
    entry.offset += back.bytes.size();
    back.entries.push_back(entry);
  }
  back.bytes.insert(back.bytes.end(), queued_.bytes.begin(), queued_.bytes.end());
  std::swap(queued_, back);
  noticeOwed_ = true;
}
