#include <gtest/gtest.h>

#include "common/win/list_controls.h"
#include "common/win/registry.h"
#include "launcher/win/main_controls.h"
#include "launcher/win/overlay_starter.h"
#include "overlay/core/overlay_layout.h"
#include "tests/launcher_fixture.h"
#include "tests/wine_test_util.h"

namespace {

using Starter = OverlayStarterWindow;

RegValue Stored(const char* name) {
  return registry::ReadKeyValue(HKEY_CURRENT_USER, registry::kSettingsKey, name);
}

bool Checked(Starter* s, int id) { return SendMessageA(s->Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

// Ends an overlay process by a right-click on its square and waits for it;
// one that does not end is stopped, so that no process outlives the test.
bool EndOverlay(HWND square) {
  DWORD pid = 0;
  GetWindowThreadProcessId(square, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
  PostMessageA(square, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(2, 2));
  bool ended = false;
  if (process) {
    ended = PumpUntil([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }, 10000);
    if (!ended) TerminateProcess(process, 1);
    CloseHandle(process);
  }
  return ended;
}

using OverlayStarterTest = LauncherFixture;

}  // namespace

TEST_F(OverlayStarterTest, OpensWithTheHelpMessageAndTheStoredValues) {
  StoreOverlaySettings("10.1.1.1", "4000", 1);
  auto main = Start();
  Starter* starter = main->LaunchCorvel();
  ASSERT_NE(starter, nullptr);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].title, "Kestrun");
  EXPECT_EQ(messages[0].buttons, static_cast<unsigned>(MB_OK));
  EXPECT_FALSE(messages[0].starterOpen);
  EXPECT_EQ(messages[0].text,
            "To use, enter Tavrin info, then apply. In Game you will have a small green square (connected) "
            "in upper right corner. It will turn red if connection lost.\r\n"
            "To use the remote, hit the Print Screen key to bring up the remote, or the Scroll Lock if you selected "
            "it.\r\n"
            "Only use the KEYBOARD, do not click on the remote with the mouse. Select the letter next to the players "
            "name, then the action.\r\n"
            "For other than player actions, just hit the A key then select your action, such as maps.\r\n");
  EXPECT_EQ(WindowText(starter->Handle()), "Corvel Setup");
  const std::pair<int, const char*> captions[] = {
      {Starter::introLabel, "Corvel is a ingame version of Tavrin remote and requires a password."},
      {Starter::addressLabel, "Tavrin IP"},
      {Starter::portLabel, "Port/Password"},
      {Starter::showAllCheck, "Show All Data vs Name Only"},
      {Starter::scrollLockCheck, "Use Scroll Lock vs PrntScrn"},
      {Starter::applyButton, "Apply"},
      {Starter::cancelButton, "Cancel"},
  };
  for (const auto& [id, caption] : captions) EXPECT_EQ(WindowText(starter->Control(id)), caption) << id;
  EXPECT_EQ(WindowText(starter->Control(Starter::addressField)), "10.1.1.1");
  EXPECT_EQ(WindowText(starter->Control(Starter::portField)), "4000");
  EXPECT_TRUE(Checked(starter, Starter::showAllCheck));
  EXPECT_FALSE(Checked(starter, Starter::scrollLockCheck)) << "a missing value is a clear box";
  EXPECT_EQ(main->LaunchCorvel(), nullptr) << "one starter at a time";
  starter->Close();
  main->Close();
}

TEST_F(OverlayStarterTest, CancelAndTheCloseBoxStoreNothing) {
  StoreOverlaySettings("10.1.1.1", "4000", 0);
  auto main = Start();
  for (UINT how : {0u, static_cast<UINT>(WM_CLOSE)}) {
    Starter* starter = main->LaunchCorvel();
    ASSERT_NE(starter, nullptr);
    SetWindowTextA(starter->Control(Starter::addressField), "9.9.9.9");
    SetWindowTextA(starter->Control(Starter::portField), "1");
    SendMessageA(starter->Control(Starter::showAllCheck), BM_CLICK, 0, 0);
    SendMessageA(starter->Control(Starter::scrollLockCheck), BM_CLICK, 0, 0);
    if (how == WM_CLOSE) {
      SendMessageA(starter->Handle(), WM_CLOSE, 0, 0);
    } else {
      SendMessageA(starter->Control(Starter::cancelButton), BM_CLICK, 0, 0);
    }
    EXPECT_TRUE(starter->Closed());
    EXPECT_TRUE(IsWindowEnabled(main->Handle()));
    EXPECT_EQ(ValueText(Stored("Mini IP")), "10.1.1.1");
    EXPECT_EQ(ValueText(Stored("Mini Port")), "4000");
    EXPECT_EQ(ValueFlag(Stored("Mini ShowAll")), 0);
    EXPECT_TRUE(IsEmptyValue(Stored("Use Scroll Lock")));
  }
  Starter* again = main->LaunchCorvel();  // the stored values again
  EXPECT_EQ(WindowText(again->Control(Starter::addressField)), "10.1.1.1");
  EXPECT_FALSE(Checked(again, Starter::showAllCheck));
  again->Close();
  main->Close();
  EXPECT_EQ(FindWindowA("MiniRemote", nullptr), nullptr) << "nothing started";
}

TEST_F(OverlayStarterTest, ApplyStoresTheValuesAndStartsTheOverlayWhichReadsThem) {
  ASSERT_TRUE(CopyFileA(BuiltOverlay().c_str(), (app / "corvel2.exe").c_str(), FALSE)) << BuiltOverlay();
  ASSERT_EQ(FindWindowA("MiniRemote", nullptr), nullptr) << "an overlay is still running";
  TestServer tavrin;
  auto main = Start();
  Starter* starter = main->LaunchCorvel();
  ASSERT_NE(starter, nullptr);
  SetWindowTextA(starter->Control(Starter::addressField), "127.0.0.1");
  SetWindowTextA(starter->Control(Starter::portField), std::to_string(tavrin.port).c_str());
  SendMessageA(starter->Control(Starter::showAllCheck), BM_CLICK, 0, 0);
  SendMessageA(starter->Control(Starter::scrollLockCheck), BM_CLICK, 0, 0);
  SendMessageA(starter->Control(Starter::applyButton), BM_CLICK, 0, 0);
  EXPECT_TRUE(starter->Closed());
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));

  EXPECT_EQ(ValueText(Stored("Mini IP")), "127.0.0.1");
  EXPECT_EQ(ValueText(Stored("Mini Port")), std::to_string(tavrin.port));
  const RegValue showAll = Stored("Mini ShowAll"), scrollLock = Stored("Use Scroll Lock");
  ASSERT_TRUE(std::holds_alternative<int32_t>(showAll)) << "stored as a number";
  ASSERT_TRUE(std::holds_alternative<int32_t>(scrollLock));
  EXPECT_EQ(std::get<int32_t>(showAll), 1);
  EXPECT_EQ(std::get<int32_t>(scrollLock), 1);

  // The overlay links to the address and port stored, from its local port 930.
  EXPECT_EQ(tavrin.AcceptWhilePumping(30000), 930);
  HWND square = nullptr, actions = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    square = FindWindowA("MiniRemote", nullptr);
    actions = FindWindowA(nullptr, kActionCaption);
    return square && actions;
  }, 20000));
  // "Mini ShowAll" 1: the all-data action window, 10300 twips wide.
  RECT r{};
  GetWindowRect(actions, &r);
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  ReleaseDC(nullptr, dc);
  EXPECT_NEAR(r.right - r.left, TwipsToPixels(10300, dpi), 2);
  EXPECT_TRUE(EndOverlay(square));
  main->Close();
}
