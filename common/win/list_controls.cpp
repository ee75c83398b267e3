#include "common/win/list_controls.h"

namespace {

std::vector<std::string> Items(HWND control, UINT countMsg, UINT lenMsg, UINT textMsg) {
  std::vector<std::string> items;
  const LRESULT count = SendMessageA(control, countMsg, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT len = SendMessageA(control, lenMsg, static_cast<WPARAM>(i), 0);
    if (len < 0) continue;
    std::string text(static_cast<size_t>(len) + 1, '\0');
    SendMessageA(control, textMsg, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(len));
    items.push_back(std::move(text));
  }
  return items;
}

}  // namespace

std::string WindowText(HWND hwnd) {
  const int len = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(len > 0 ? len : 0) + 1, '\0');
  const int got = GetWindowTextA(hwnd, text.data(), len + 1);
  text.resize(static_cast<size_t>(got > 0 ? got : 0));
  return text;
}

void AddChoice(HWND combo, const std::string& text) {
  SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::vector<std::string> ComboChoices(HWND combo) { return Items(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT); }

void RefillCombo(HWND combo, const std::vector<std::string>& choices) {
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  for (const auto& choice : choices) AddChoice(combo, choice);
  SetWindowTextA(combo, choices.empty() ? "" : choices.front().c_str());
}

void AddListLine(HWND list, const std::string& text) {
  SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::vector<std::string> ListLines(HWND list) { return Items(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT); }
