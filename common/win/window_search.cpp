#include "common/win/window_search.h"

namespace {

std::string WindowCaption(HWND hwnd) {
  char text[512];
  const int len = GetWindowTextA(hwnd, text, sizeof text);
  return std::string(text, len > 0 ? static_cast<size_t>(len) : 0);
}

struct CaptionSearch {
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK MatchCaption(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<CaptionSearch*>(param);
  if (WindowCaption(hwnd) != *search->caption) return TRUE;
  search->found = hwnd;
  return FALSE;
}

}  // namespace

// FindWindowA ignores letter case; captions here must match exactly.
HWND FindWindowByExactCaption(const std::string& caption) {
  HWND hwnd = FindWindowA(nullptr, caption.c_str());
  if (!hwnd || WindowCaption(hwnd) == caption) return hwnd;
  CaptionSearch search{&caption, nullptr};
  EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
