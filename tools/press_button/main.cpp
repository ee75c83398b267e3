// Stands in for the user in the demo: presses a button of a running program's
// window, or closes that window.
// press_button "Window caption" "Button caption" [--wait-ms N]
// press_button "Window caption" --close
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Search {
  const char* caption;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char text[256] = {};
  GetWindowTextA(child, text, sizeof text);
  if (std::string(text) != search->caption) return TRUE;
  search->found = child;
  return FALSE;
}

HWND WaitForWindow(const char* caption, int waitMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = FindWindowA(nullptr, caption)) return window;
    if (static_cast<int>(GetTickCount() - start) > waitMs) return nullptr;
    Sleep(100);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: press_button WINDOW BUTTON [--wait-ms N] | press_button WINDOW --close\n");
    return 2;
  }
  const int waitMs = argc >= 5 && std::string(argv[3]) == "--wait-ms" ? std::atoi(argv[4]) : 10000;
  HWND window = WaitForWindow(argv[1], waitMs);
  if (!window) {
    std::printf("no window \"%s\"\n", argv[1]);
    return 1;
  }
  if (std::string(argv[2]) == "--close") {
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
  }
  Search search{argv[2], nullptr};
  EnumChildWindows(window, MatchChild, reinterpret_cast<LPARAM>(&search));
  if (!search.found) {
    std::printf("no button \"%s\" in \"%s\"\n", argv[2], argv[1]);
    return 1;
  }
  PostMessageA(search.found, BM_CLICK, 0, 0);
  std::printf("pressed \"%s\" in \"%s\"\n", argv[2], argv[1]);
  return 0;
}
