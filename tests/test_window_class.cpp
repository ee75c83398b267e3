// The window classes of both programs carry the program's application icon,
// loaded at the sizes the title bar and the taskbar ask for. This test program
// carries an icon resource of the same id, as the two programs do.
#include <gtest/gtest.h>

#include "common/win/window_class.h"

namespace {

int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

}  // namespace

TEST(WindowClass, ClassesCarryTheProgramIconAtTheSystemSizes) {
  RegisterWindowClass("WindowClassTest", DefWindowProcA);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), "WindowClassTest", &wc));
  EXPECT_EQ(IconWidth(wc.hIcon), GetSystemMetrics(SM_CXICON)) << "Alt+Tab and the taskbar";
  EXPECT_EQ(IconWidth(wc.hIconSm), GetSystemMetrics(SM_CXSMICON)) << "the title bar";

  // A window of the class shows them (the title bar draws the small one).
  HWND window = CreateWindowExA(0, "WindowClassTest", "icon", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(window);
  EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM)), wc.hIconSm);
  DestroyWindow(window);
}
