#include "common/win/net_layer.h"

#include <iterator>
#include <memory>
#include <unordered_map>
#include <vector>

#include "common/win/datagram_reader.h"
#include "common/win/host_lookup.h"
#include "common/win/wait.h"
#include "common/win/window_class.h"

namespace {

constexpr const char* kLayerClass = "KestrunNetLayer";
constexpr UINT kLookupDoneMessage = WM_APP + 1;
constexpr UINT kPostedMessage = WM_APP + 2;
// Each socket gets a notice message of its own, so that the notices of a
// closed socket still queued are never taken for those of a new socket that
// got the same handle value. The numbers go round the rest of the range.
constexpr UINT kFirstSocketMessage = WM_APP + 0x100;
constexpr UINT kSocketMessages = 0xC000 - kFirstSocketMessage;
// A timer's id holds its owner's slot and generation: ticks of a restarted
// owner are known by it. The read timers of sockets have the top bit.
constexpr uint32_t kMaxOwners = 1u << 12;
constexpr uint16_t kGenerationMask = 0x7FFF;
constexpr UINT_PTR kReadTimerBit = 0x80000000u;
// A turn hands on everything read, but a flood does not hold the window
// thread for more than this many datagrams or milliseconds at a time.
constexpr int kMaxReadsPerTurn = 256;
constexpr uint32_t kReadSliceMs = 30;
constexpr uint32_t kYieldEveryMs = 30;

struct Owner {
  NetOwner* owner = nullptr;
  uint16_t generation = 1;
  uint16_t timersSet = 0;  // a bit per timer number
};

struct AdoptedSocket {
  SOCKET socket = INVALID_SOCKET;
  uint32_t slot = 0;
  uint32_t serial = 0;  // tells a socket from a later one with the same message
  // A datagram socket opened for FD_READ is read by a thread of its own.
  std::unique_ptr<DatagramReader> reader;
  bool readsDeferred = false;  // its notices wait for the read timer
  bool delivering = false;  // a turn is handing its datagrams on
};

struct PendingLookup {
  uint32_t slot = 0;
  uint16_t generation = 0;
};

struct Layer {
  HWND window = nullptr;
  std::vector<Owner> owners;
  std::vector<uint32_t> freeSlots;
  std::unordered_map<UINT, AdoptedSocket> sockets;  // by notice message
  UINT nextSocketMessage = 0;
  uint32_t lastSerial = 0;
  std::unordered_map<uintptr_t, PendingLookup> lookups;
  uint32_t lastYieldMs = 0;  // when a turn last left the window its painting and timers
};

Layer& TheLayer();

NetOwner* CurrentOwner(uint32_t slot, uint16_t generation) {
  const Layer& layer = TheLayer();
  if (slot >= layer.owners.size() || layer.owners[slot].generation != generation) return nullptr;
  return layer.owners[slot].owner;
}

UINT_PTR TimerId(uint32_t slot, uint16_t generation, int timer) {
  return (UINT_PTR{generation} << 16) | (slot << 4) | static_cast<UINT_PTR>(timer);
}

bool StillOpen(UINT msg, uint32_t serial) {
  const auto& sockets = TheLayer().sockets;
  const auto found = sockets.find(msg);
  return found != sockets.end() && found->second.serial == serial;
}

// Input waiting goes before the next turn at once; painting and timers at
// least every kYieldEveryMs. Waiting for them after every turn would hold each
// reply that comes meanwhile back by a timer's tick.
bool YieldsToWindow() {
  const DWORD waiting = HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER));
  Layer& layer = TheLayer();
  const uint32_t nowMs = MillisecondClock();
  if (!(waiting & QS_INPUT) && (!waiting || nowMs - layer.lastYieldMs < kYieldEveryMs)) return false;
  layer.lastYieldMs = nowMs;
  return true;
}

// A turn hands on what the socket's reader has read, at most kMaxReadsPerTurn
// datagrams and for about kReadSliceMs. Posted notices come before input,
// painting and timers, so a flood that raised one after every turn would keep
// them from ever coming: when datagrams are left, or input, painting or
// timers wait, the next turn comes on a timer, which comes after them, and
// the reader's notices are ignored until then. The batch is the turn's own:
// an owner that closes the socket while it holds a datagram still holds
// valid bytes. A turn asked for while one is handing on (an owner that lets
// messages run) waits for the timer too, keeping the datagrams in order.
void TakeReadTurn(UINT msg) {
  Layer& layer = TheLayer();
  const auto found = layer.sockets.find(msg);
  if (found == layer.sockets.end()) return;
  AdoptedSocket& socket = found->second;
  if (socket.delivering) {
    socket.readsDeferred = true;
    SetTimer(layer.window, kReadTimerBit | msg, USER_TIMER_MINIMUM, nullptr);
    return;
  }
  const SOCKET handle = socket.socket;
  const uint32_t serial = socket.serial;
  NetOwner* owner = layer.owners[socket.slot].owner;
  DatagramBatch batch;
  socket.reader->Take(batch);
  socket.delivering = true;
  const uint32_t startMs = MillisecondClock();
  size_t handed = 0;
  while (handed < batch.entries.size()) {
    if (handed == kMaxReadsPerTurn || (handed % 32 == 31 && MillisecondClock() - startMs > kReadSliceMs)) break;
    const DatagramBatch::Entry& entry = batch.entries[handed++];
    owner->OnDatagram(handle, {entry.address, entry.port, batch.BytesOf(entry), entry.atMs});
    if (!StillOpen(msg, serial)) return;
  }
  AdoptedSocket& after = layer.sockets[msg];
  after.delivering = false;
  after.reader->PutBack(batch, handed);
  after.readsDeferred = after.readsDeferred || handed < batch.entries.size() || YieldsToWindow();
  if (after.readsDeferred) SetTimer(layer.window, kReadTimerBit | msg, USER_TIMER_MINIMUM, nullptr);
  owner->OnReadTurnEnd(handle);
}

void OnReadTimer(HWND hwnd, UINT_PTR id) {
  KillTimer(hwnd, id);
  const auto msg = static_cast<UINT>(id & ~kReadTimerBit);
  const auto found = TheLayer().sockets.find(msg);
  if (found == TheLayer().sockets.end() || !found->second.readsDeferred) return;
  found->second.readsDeferred = false;
  TakeReadTurn(msg);
}

void RouteSocketNotice(UINT msg, WPARAM wParam, LPARAM lParam) {
  const Layer& layer = TheLayer();
  const auto found = layer.sockets.find(msg);
  if (found == layer.sockets.end() || found->second.socket != static_cast<SOCKET>(wParam)) return;
  const AdoptedSocket& adopted = found->second;
  // A reader's notice while a turn waits for the read timer is answered by that turn.
  if (adopted.reader && WSAGETSELECTEVENT(lParam) == FD_READ) {
    if (!adopted.readsDeferred) TakeReadTurn(msg);
    return;
  }
  NetOwner* owner = layer.owners[adopted.slot].owner;
  owner->OnSocketNotice(adopted.socket, WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
}

// The socket goes, and with it a turn of reading it still had to come.
void Forget(std::unordered_map<UINT, AdoptedSocket>::iterator adopted) {
  if (adopted->second.readsDeferred) KillTimer(TheLayer().window, kReadTimerBit | adopted->first);
  adopted->second.reader.reset();  // its thread ends before the socket is closed under it
  closesocket(adopted->second.socket);
  TheLayer().sockets.erase(adopted);
}

void RouteLookupAnswer(const host_lookup::Answer& answer) {
  auto& lookups = TheLayer().lookups;
  const auto found = lookups.find(answer.id);
  if (found == lookups.end()) return;  // dropped
  const PendingLookup pending = found->second;
  lookups.erase(found);
  if (NetOwner* owner = CurrentOwner(pending.slot, pending.generation)) owner->OnLookupDone(answer.id, answer.address);
}

void RouteTimer(HWND hwnd, UINT_PTR id) {
  if (id & kReadTimerBit) {
    OnReadTimer(hwnd, id);
    return;
  }
  const auto slot = static_cast<uint32_t>((id >> 4) & (kMaxOwners - 1));
  const auto generation = static_cast<uint16_t>((id >> 16) & kGenerationMask);
  const int timer = static_cast<int>(id & 0xF);
  NetOwner* owner = CurrentOwner(slot, generation);
  if (!owner || !(TheLayer().owners[slot].timersSet & (1u << timer))) {
    KillTimer(hwnd, id);
    return;
  }
  owner->OnTimer(timer);
}

LRESULT CALLBACK LayerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg >= kFirstSocketMessage && msg < kFirstSocketMessage + kSocketMessages) {
    RouteSocketNotice(msg, wParam, lParam);
    return 0;
  }
  switch (msg) {
    case kLookupDoneMessage:
      RouteLookupAnswer(host_lookup::Finish(wParam, lParam));
      return 0;
    case kPostedMessage:
      if (NetOwner* owner = CurrentOwner(static_cast<uint32_t>(wParam), static_cast<uint16_t>(lParam))) {
        owner->OnPosted();
      }
      return 0;
    case WM_TIMER:
      RouteTimer(hwnd, wParam);
      return 0;
    case WM_NCDESTROY:
      // Should the window ever go, nothing more is routed; lookup buffers still out are kept for good.
      TheLayer().window = nullptr;
      break;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Never destroyed, and Winsock never cleaned up: lookups may still write into
// their buffers at the program's end, and owners come and go all along.
Layer& TheLayer() {
  static Layer* layer = [] {
    auto* made = new Layer;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) == 0) {
      RegisterWindowClass(kLayerClass, LayerProc);
      made->window = CreateWindowExA(0, kLayerClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
    }
    return made;
  }();
  return *layer;
}

UINT FreeSocketMessage() {
  Layer& layer = TheLayer();
  for (UINT tries = 0; tries < kSocketMessages; ++tries) {
    const UINT msg = kFirstSocketMessage + layer.nextSocketMessage;
    layer.nextSocketMessage = (layer.nextSocketMessage + 1) % kSocketMessages;
    if (!layer.sockets.count(msg)) return msg;
  }
  return 0;
}

}  // namespace

HWND NetNoticeWindow() { return TheLayer().window; }

namespace {

sockaddr_in IPv4Endpoint(uint32_t address, int port) {
  sockaddr_in endpoint{};
  endpoint.sin_family = AF_INET;
  endpoint.sin_addr.s_addr = htonl(address);
  endpoint.sin_port = htons(static_cast<u_short>(port));
  return endpoint;
}

}  // namespace

bool StartConnect(SOCKET socket, uint32_t address, int port) {
  const sockaddr_in to = IPv4Endpoint(address, port);
  return connect(socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 ||
         WSAGetLastError() == WSAEWOULDBLOCK;
}

bool SendDatagram(SOCKET socket, uint32_t address, int port, std::string_view bytes) {
  const sockaddr_in to = IPv4Endpoint(address, port);
  return sendto(socket, bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                sizeof to) == static_cast<int>(bytes.size());
}

int LocalPortOf(SOCKET socket) {
  sockaddr_in local{};
  int size = sizeof local;
  if (socket == INVALID_SOCKET || getsockname(socket, reinterpret_cast<sockaddr*>(&local), &size) != 0) return 0;
  return ntohs(local.sin_port);
}

NetHandle::NetHandle(NetOwner& owner) {
  Layer& layer = TheLayer();
  if (!layer.freeSlots.empty()) {
    slot_ = layer.freeSlots.back();
    layer.freeSlots.pop_back();
  } else {
    slot_ = static_cast<uint32_t>(layer.owners.size());
    layer.owners.emplace_back();
  }
  layer.owners[slot_].owner = &owner;
}

NetHandle::~NetHandle() {
  Restart();
  Layer& layer = TheLayer();
  layer.owners[slot_].owner = nullptr;
  layer.freeSlots.push_back(slot_);
}

bool NetHandle::Ready() const { return TheLayer().window != nullptr && slot_ < kMaxOwners; }

SOCKET NetHandle::Open(int type, long events, int localPort, int receiveBuffer) {
  if (!Ready()) return INVALID_SOCKET;
  const SOCKET made = socket(AF_INET, type, type == SOCK_DGRAM ? IPPROTO_UDP : IPPROTO_TCP);
  if (made == INVALID_SOCKET) return INVALID_SOCKET;
  // Without the buffer asked for the socket still works, on a smaller one.
  if (receiveBuffer > 0) {
    setsockopt(made, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer), sizeof receiveBuffer);
  }
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<u_short>(localPort));
  u_long nonBlocking = 1;
  if (bind(made, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      ioctlsocket(made, FIONBIO, &nonBlocking) != 0) {
    closesocket(made);
    return INVALID_SOCKET;
  }
  if (type == SOCK_DGRAM && (events & FD_READ)) return AdoptForReading(made) ? made : INVALID_SOCKET;
  return Adopt(made, events) ? made : INVALID_SOCKET;
}

bool NetHandle::AdoptForReading(SOCKET socket) {
  if (!Adopt(socket, 0)) return false;
  const UINT msg = NoticeMessageOf(socket);
  auto reader = std::make_unique<DatagramReader>();
  if (!reader->Start(socket, TheLayer().window, msg)) {
    reader.reset();
    Close(socket);
    return false;
  }
  TheLayer().sockets[msg].reader = std::move(reader);
  return true;
}

bool NetHandle::Adopt(SOCKET socket, long events) {
  Layer& layer = TheLayer();
  const UINT msg = Ready() ? FreeSocketMessage() : 0;
  if (msg == 0 || (events != 0 && WSAAsyncSelect(socket, layer.window, msg, events) != 0)) {
    closesocket(socket);
    return false;
  }
  AdoptedSocket& adopted = layer.sockets[msg];
  adopted.socket = socket;
  adopted.slot = slot_;
  adopted.serial = ++layer.lastSerial;
  return true;
}

void NetHandle::Close(SOCKET socket) {
  auto& sockets = TheLayer().sockets;
  for (auto it = sockets.begin(); it != sockets.end(); ++it) {
    if (it->second.socket != socket || it->second.slot != slot_) continue;
    Forget(it);
    return;
  }
}

UINT NetHandle::NoticeMessageOf(SOCKET socket) const {
  for (const auto& [msg, adopted] : TheLayer().sockets) {
    if (adopted.socket == socket && adopted.slot == slot_) return msg;
  }
  return 0;
}

uintptr_t NetHandle::LookUp(const std::string& host) {
  Layer& layer = TheLayer();
  if (!Ready()) return 0;
  const uintptr_t id = host_lookup::Start(host, layer.window, kLookupDoneMessage);
  if (id) layer.lookups[id] = {slot_, layer.owners[slot_].generation};
  return id;
}

// Left to run: its buffer stays with host_lookup until Windows is done with it.
void NetHandle::DropLookup(uintptr_t lookup) { TheLayer().lookups.erase(lookup); }

void NetHandle::SetTimer(int timer, UINT ms) {
  Layer& layer = TheLayer();
  if (!Ready() || timer < 0 || timer >= kMaxTimers) return;
  Owner& owner = layer.owners[slot_];
  if (::SetTimer(layer.window, TimerId(slot_, owner.generation, timer), ms, nullptr)) {
    owner.timersSet = static_cast<uint16_t>(owner.timersSet | (1u << timer));
  }
}

void NetHandle::KillTimer(int timer) {
  Layer& layer = TheLayer();
  if (timer < 0 || timer >= kMaxTimers) return;
  Owner& owner = layer.owners[slot_];
  if (!(owner.timersSet & (1u << timer))) return;
  ::KillTimer(layer.window, TimerId(slot_, owner.generation, timer));
  owner.timersSet = static_cast<uint16_t>(owner.timersSet & ~(1u << timer));
}

void NetHandle::Post() {
  const Layer& layer = TheLayer();
  if (Ready()) PostMessageA(layer.window, kPostedMessage, slot_, layer.owners[slot_].generation);
}

void NetHandle::Restart() {
  Layer& layer = TheLayer();
  for (auto it = layer.sockets.begin(); it != layer.sockets.end();) {
    const auto next = std::next(it);
    if (it->second.slot == slot_) Forget(it);
    it = next;
  }
  for (int timer = 0; timer < kMaxTimers; ++timer) KillTimer(timer);
  for (auto it = layer.lookups.begin(); it != layer.lookups.end();) {
    it = it->second.slot == slot_ ? layer.lookups.erase(it) : std::next(it);
  }
  Owner& owner = layer.owners[slot_];
  owner.generation = static_cast<uint16_t>((owner.generation + 1) & kGenerationMask);
  if (owner.generation == 0) owner.generation = 1;  // a timer's id is never 0
}
