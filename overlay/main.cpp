// corvel2: the overlay remote for the Tavrin inspection server.
#include <windows.h>
#include <commctrl.h>

#include "common/win/message_box.h"
#include "overlay/win/overlay_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  SetAppTitle("corvel2");
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  OverlayWindow overlay;
  if (!overlay.Open()) return 1;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
