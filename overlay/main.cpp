// corvel2: the overlay remote for the Tavrin inspection server.
#include <windows.h>
#include <commctrl.h>

#include "message_box.h"
#include "mini_remote.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SetAppTitle("corvel2");
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  MiniRemote overlay;
  if (!overlay.Form_Load()) return 1;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
