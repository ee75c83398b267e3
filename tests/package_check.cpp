// Checks the two programs as unpacked from the download, as a user would meet
// them: each carries the project version in its version resource and its
// application icon in the four sizes Explorer and the taskbar use, and each
// starts and shows its window (the launcher's captioned "Kestrun Version 1.3",
// the overlay's square); the launcher's title bar shows the icon. (Wine lets
// no other process read a window's class icon, so the screen is read.) scripts/check-package runs it under Wine:
//
//   package_check.exe <folder of the unpacked programs> <version, e.g. 1.3.0>
//
// Prints one line per check and ends with 1 when any failed.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/programs.h"

namespace {

constexpr double kGiveUpMs = 20000;

struct Program {
  const char* file;
  const char* windowClass;
  const char* caption;  // nullptr: none looked at; the window has no title bar
};
constexpr Program kPrograms[] = {{"Kestrun.exe", "KestrunMain", "Kestrun Version 1.3"},
                                 {"corvel2.exe", "MiniRemote", nullptr}};

// 32-bit pixels, top row first: blue, green, red, alpha.
struct Pixels {
  int width = 0, height = 0;
  std::vector<DWORD> bgra;
  DWORD At(int x, int y) const { return bgra[static_cast<size_t>(y) * width + x]; }
};

Pixels ReadBitmap(HDC dc, HBITMAP bitmap, int width, int height) {
  Pixels p;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  p.bgra.resize(static_cast<size_t>(width) * height);
  if (GetDIBits(dc, bitmap, 0, height, p.bgra.data(), &info, DIB_RGB_COLORS) == height) {
    p.width = width;
    p.height = height;
  }
  return p;
}

// The program's small icon as the title bar draws it, read from its file.
Pixels SmallIconPixels(const std::string& path) {
  Pixels p;
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return p;
  const int side = GetSystemMetrics(SM_CXSMICON);
  auto icon = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(1), IMAGE_ICON, side, side, 0));
  ICONINFO info{};
  if (icon && GetIconInfo(icon, &info)) {
    HDC screen = GetDC(nullptr);
    if (info.hbmColor) p = ReadBitmap(screen, info.hbmColor, side, side);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
  }
  if (icon) DestroyIcon(icon);
  FreeLibrary(module);
  return p;
}

// The top strip of the window as the screen shows it.
Pixels TitleBarPixels(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  const int width = r.right - r.left;
  const int height = GetSystemMetrics(SM_CYCAPTION) + 4 * GetSystemMetrics(SM_CYFRAME);
  HDC screen = GetDC(nullptr);
  HDC copy = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(copy, bitmap);
  BitBlt(copy, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(copy, old);
  Pixels p = ReadBitmap(copy, bitmap, width, height);
  DeleteObject(bitmap);
  DeleteDC(copy);
  ReleaseDC(nullptr, screen);
  return p;
}

// True when every opaque pixel of the icon appears, in place, somewhere in
// the strip (the edge pixels blend with the title bar's colour).
bool ShowsIcon(const Pixels& strip, const Pixels& icon) {
  int opaque = 0;
  for (DWORD pixel : icon.bgra) opaque += (pixel >> 24) == 0xFF;
  if (opaque < icon.width) return false;  // nothing to find: no icon read
  for (int top = 0; top + icon.height <= strip.height; ++top) {
    for (int left = 0; left + icon.width <= strip.width; ++left) {
      bool same = true;
      for (int y = 0; y < icon.height && same; ++y) {
        for (int x = 0; x < icon.width && same; ++x) {
          const DWORD pixel = icon.At(x, y);
          same = (pixel >> 24) != 0xFF || (pixel & 0xFFFFFF) == (strip.At(left + x, top + y) & 0xFFFFFF);
        }
      }
      if (same) return true;
    }
  }
  return false;
}

// The title bar is drawn soon after the window shows; looked at for a while.
bool TitleBarShowsIcon(HWND window, const Pixels& icon) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    if (ShowsIcon(TitleBarPixels(window), icon)) return true;
    Sleep(100);
  }
  return false;
}

int failures = 0;

void Report(bool ok, const std::string& what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  if (!ok) ++failures;
}

std::string VersionString(const std::string& info, const char* name) {
  char* text = nullptr;
  UINT length = 0;
  const std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
  if (!VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) || !text) return "";
  return text;
}

std::string FixedVersion(const std::string& info, bool product) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return "";
  const DWORD high = product ? fixed->dwProductVersionMS : fixed->dwFileVersionMS;
  const DWORD low = product ? fixed->dwProductVersionLS : fixed->dwFileVersionLS;
  return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." + std::to_string(HIWORD(low)) +
         "." + std::to_string(LOWORD(low));
}

void CheckVersion(const std::string& path, const std::string& file, const std::string& version) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  std::string info(size, '\0');
  if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, info.data())) {
    Report(false, file + " has a version resource");
    return;
  }
  for (const char* name : {"FileVersion", "ProductVersion"}) {
    const std::string text = VersionString(info, name);
    Report(text == version, file + " " + name + " \"" + text + "\" is \"" + version + "\"");
  }
  for (bool product : {false, true}) {
    const std::string fixed = FixedVersion(info, product);
    Report(fixed == version + ".0", file + (product ? " product" : " file") + " version number " + fixed);
  }
}

// The pixel sizes of the icon group with the program's icon id, as stored
// (the group's entries hold 0 for 256).
std::vector<int> IconSizes(const std::string& path) {
  std::vector<int> sizes;
  HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return sizes;
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const auto* group = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
  const DWORD length = found ? SizeofResource(module, found) : 0;
  constexpr DWORD kHeader = 6, kEntry = 14;  // the group's header and its entries, packed
  if (group && length >= kHeader) {
    const WORD count = static_cast<WORD>(group[4] | group[5] << 8);
    for (DWORD i = 0; i < count && kHeader + (i + 1) * kEntry <= length; ++i) {
      const BYTE width = group[kHeader + i * kEntry];
      sizes.push_back(width == 0 ? 256 : width);
    }
  }
  FreeLibrary(module);
  std::sort(sizes.begin(), sizes.end());
  return sizes;
}

void CheckIcon(const std::string& path, const std::string& file) {
  std::string listed;
  for (int size : IconSizes(path)) {
    if (!listed.empty()) listed += ' ';
    listed += std::to_string(size);
  }
  Report(listed == "16 32 48 256", file + " icon 1 in sizes 16 32 48 256 (has: " + listed + ")");
}

void CheckStart(const std::string& path, const Program& p) {
  RunningProgram running;
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  if (!StartProgram(path, running)) {
    Report(false, std::string(p.file) + " starts");
    return;
  }
  const bool shown = WaitForShownWindow(running, p.windowClass, start, kGiveUpMs);
  Report(shown, std::string(p.file) + " shows a window of class " + p.windowClass);
  if (shown && p.caption) {
    char caption[256] = {};
    GetWindowTextA(running.window, caption, sizeof caption);
    Report(std::string(caption) == p.caption, std::string(p.file) + " window caption \"" + caption + "\"");
  }
  if (shown && p.caption) {
    Report(TitleBarShowsIcon(running.window, SmallIconPixels(path)), std::string(p.file) + " title bar shows its icon");
  }
  EndProgram(running);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: package_check <folder of the unpacked programs> <version>\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::string version = argv[2];
  for (const Program& p : kPrograms) {
    const std::string path = folder + "\\" + p.file;
    Report(GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES, path + " exists");
    CheckVersion(path, p.file, version);
    CheckIcon(path, p.file);
    CheckStart(path, p);
  }
  std::printf("%s\n", failures ? "package check FAILED" : "package check passed");
  return failures ? 1 : 0;
}
