#pragma once
// The built programs run as real processes, as a user starts them: started in
// their own folder, their shown window found, then asked to close.
#include <windows.h>

#include <string>

// A program of this build by its path below the build folder, e.g.
// "overlay\\corvel2.exe"; the probes lie in the build folder's "bench".
inline std::string ProgramPath(const char* relative) {
  char self[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string folder = self;
  folder.resize(folder.find_last_of('\\'));
  return folder + "\\..\\" + relative;
}

inline double MillisecondsSince(const LARGE_INTEGER& from) {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct RunningProgram {
  PROCESS_INFORMATION process{};
  HWND window = nullptr;
};

inline bool StartProgram(const std::string& program, RunningProgram& running, const std::string& arguments = "") {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
  const std::string folder = program.substr(0, program.find_last_of('\\'));
  return CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &running.process) != 0;
}

namespace programs_detail {
struct Search {
  DWORD pid;
  const char* windowClass;
  HWND found;
};

inline BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
  Search& s = *reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (pid != s.pid || lstrcmpA(cls, s.windowClass) != 0 || !IsWindowVisible(hwnd)) return TRUE;
  s.found = hwnd;
  return FALSE;
}
}  // namespace programs_detail

// Looks every millisecond for a shown window of windowClass owned by the
// program, until giveUpMs have passed since start; false when none came or
// the program ended first.
inline bool WaitForShownWindow(RunningProgram& running, const char* windowClass, const LARGE_INTEGER& start,
                               double giveUpMs) {
  programs_detail::Search search{running.process.dwProcessId, windowClass, nullptr};
  while (MillisecondsSince(start) < giveUpMs) {
    EnumWindows(programs_detail::MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) break;
    if (WaitForSingleObject(running.process.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  running.window = search.found;
  return search.found != nullptr;
}

// Asks the program to close through its window, as the close box does; ends
// it when it has not ended within ten seconds.
inline void EndProgram(RunningProgram& running) {
  if (running.window) PostMessageA(running.window, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(running.process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(running.process.hProcess, 1);
  }
  CloseHandle(running.process.hThread);
  CloseHandle(running.process.hProcess);
  running = RunningProgram{};
}
