#include "common/win/message_box.h"

#include <windows.h>

namespace {
std::string& Title() {
  static std::string title;
  return title;
}
MessageHook& Hook() {
  static MessageHook hook;
  return hook;
}
}  // namespace

const std::string& AppTitle() { return Title(); }
void SetAppTitle(const std::string& title) { Title() = title; }
void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

int ShowMessage(const std::string& text, unsigned buttons) { return ShowMessage(text, buttons, Title()); }

int ShowMessage(const std::string& text, unsigned buttons, const std::string& title) {
  if (Hook()) return Hook()(text, title, buttons);
  return MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), buttons);
}
