// Stands in for the user in the demo: presses a button of a running program's
// window (or picks the launcher's menu entry with that caption), or closes
// that window.
// press_button "Window caption" "Button caption" [--wait-ms N]
// press_button "Window caption" --close
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "launcher/win/main_controls.h"

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

// The launcher's menu entries the demos pick: another program's menus cannot
// be read under Wine, so they are known here by caption.
struct MenuEntry {
  const char* caption;
  int id;
};
constexpr MenuEntry kLauncherMenu[] = {{"Server List", menuServerList}};

UINT FindMenuEntry(const std::string& caption) {
  for (const MenuEntry& entry : kLauncherMenu) {
    if (caption == entry.caption) return static_cast<UINT>(entry.id);
  }
  return 0;
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
  // A window just made may not have its controls and menus yet.
  Search search{argv[2], nullptr};
  UINT menuEntry = 0;
  const DWORD start = GetTickCount();
  for (;;) {
    EnumChildWindows(window, MatchChild, reinterpret_cast<LPARAM>(&search));
    if (!search.found && GetMenu(window)) menuEntry = FindMenuEntry(argv[2]);
    if (search.found || menuEntry || static_cast<int>(GetTickCount() - start) > waitMs) break;
    Sleep(100);
  }
  if (!search.found) {
    if (const UINT id = menuEntry) {
      PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
      std::printf("picked \"%s\" in the menus of \"%s\"\n", argv[2], argv[1]);
      return 0;
    }
    std::printf("no button \"%s\" in \"%s\"\n", argv[2], argv[1]);
    return 1;
  }
  PostMessageA(search.found, BM_CLICK, 0, 0);
  std::printf("pressed \"%s\" in \"%s\"\n", argv[2], argv[1]);
  return 0;
}
