// Presses keys system-wide the way an administrator would, for the demo: each
// key is held for a few of the overlay's refresh ticks, then let go.
// Usage: press_keys KEY...   KEY is a letter or digit, or one of PrintScreen,
// ScrollLock, Space, Right; "wait:MS" pauses between keys.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <string>

namespace {

constexpr DWORD kHoldMs = 80;
constexpr DWORD kGapMs = 150;

int KeyCode(const std::string& name) {
  if (name == "PrintScreen") return VK_SNAPSHOT;
  if (name == "ScrollLock") return VK_SCROLL;
  if (name == "Space") return VK_SPACE;
  if (name == "Right") return VK_RIGHT;
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    return std::toupper(static_cast<unsigned char>(name[0]));
  }
  return 0;
}

void SendKey(WORD vk, bool down) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  SendInput(1, &in, sizeof in);
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("wait:", 0) == 0) {
      Sleep(static_cast<DWORD>(std::strtoul(arg.c_str() + 5, nullptr, 10)));
      continue;
    }
    const int vk = KeyCode(arg);
    if (!vk) {
      std::fprintf(stderr, "press_keys: unknown key %s\n", arg.c_str());
      return 2;
    }
    SendKey(static_cast<WORD>(vk), true);
    Sleep(kHoldMs);
    SendKey(static_cast<WORD>(vk), false);
    Sleep(kGapMs);
    std::printf("pressed %s\n", arg.c_str());
  }
  return 0;
}
