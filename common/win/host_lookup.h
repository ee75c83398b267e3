#pragma once
// Host names looked up beside the window thread (WSAAsyncGetHostByName).
// Windows writes the answer into a buffer it is handed and then posts a
// message; a cancel does not reliably stop either (Wine's does nothing and its
// worker writes the answer all the same). So every buffer stays here, with a
// window of its own that lasts as long as the program, and is freed only when
// its message has come, whatever became of the caller.
#include <winsock2.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace host_lookup {

// Looks host up. When it ends, message is posted to window with wParam the
// lookup's id and lParam the IPv4 address found, in host byte order, or 0
// when the name did not resolve. Returns the id; 0 when no lookup started.
uintptr_t Start(const std::string& host, HWND window, UINT message);

// No message will come for the lookup. It is left to run rather than
// cancelled: only its message tells that its buffer is free again.
void Drop(uintptr_t id);

// The buffers Windows may still write into.
size_t Held();

}  // namespace host_lookup
