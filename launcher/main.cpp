// Kestrun: the game launcher.
#include <windows.h>
#include <commctrl.h>

#include "common/win/message_box.h"
#include "launcher/win/file_io.h"
#include "launcher/win/main_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
  SetAppTitle("Kestrun");
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  MainWindow main(ProgramFolder());
  if (!main.Create()) return 1;
  main.StartUp();
  main.Show(show);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    // Tab, Space and Enter move between and press the window's controls.
    if (main.Handle() && IsDialogMessageA(main.Handle(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
