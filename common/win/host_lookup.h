#pragma once
// The buffers of host name lookups run beside the window thread
// (WSAAsyncGetHostByName). Windows writes the answer into a buffer it is
// handed and then posts a message; a cancel does not reliably stop either
// (Wine's does nothing and its worker writes the answer all the same). So
// every buffer stays here, and is freed only when its message has come,
// whatever became of the caller. The network layer (common/win/net_layer.h)
// is the one caller: it owns the window the messages come to.
#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace host_lookup {

// Looks host up; when it ends, doneMessage is posted to window, to be handed
// to Finish. Returns the lookup's id; 0 when no lookup started.
uintptr_t Start(const std::string& host, HWND window, UINT doneMessage);

struct Answer {
  uintptr_t id = 0;  // 0: the message was not of a lookup held here
  uint32_t address = 0;  // IPv4, host byte order; 0 when the name did not resolve
};

// Takes a done message: its buffer is free again.
Answer Finish(WPARAM wParam, LPARAM lParam);

// The buffers Windows may still write into.
size_t Held();

}  // namespace host_lookup
