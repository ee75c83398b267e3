#include "message_box.h"

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

int ShowMessage(const std::string& text, unsigned buttons) {
  if (Hook()) return Hook()(text, Title(), buttons);
  return MessageBoxA(GetActiveWindow(), text.c_str(), Title().c_str(), buttons);
}
