#include "common/win/window_class.h"

namespace {

// The program's application icon at the size of a system metric; nullptr in
// a program without one (the tests), whose windows then show the system's.
HICON ProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(kProgramIconId), IMAGE_ICON,
                                       GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), LR_SHARED));
}

}  // namespace

void RegisterWindowClass(const char* name, WNDPROC proc, HBRUSH background) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  if (GetClassInfoExA(instance, name, &wc)) return;
  wc = WNDCLASSEXA{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = ProgramIcon(instance, SM_CXICON, SM_CYICON);
  wc.hIconSm = ProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  RegisterClassExA(&wc);
}
