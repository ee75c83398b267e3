#pragma once
// A one-line description of the machine a figure was measured on, the row
// every probe prints: | measure | figure | target | machine |, and the way a
// probe ends when it measured nothing. scripts/bench gathers the rows of all
// probes into one table.
#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>

#include "common/win/registry.h"

inline std::string MachineName() {
  RegValue cpu = registry::ReadKeyValue(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                                           "ProcessorNameString");
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  std::string name = ValueText(cpu);
  return (name.empty() ? std::string("unknown CPU") : name) + ", " + std::to_string(info.dwNumberOfProcessors) +
         " cores" + (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") ? ", under Wine" : "");
}

inline double CpuTimeSeconds(FILETIME t) {
  return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
}

// Kernel and user time of the whole process so far.
inline double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  return CpuTimeSeconds(kernel) + CpuTimeSeconds(user);
}

// Kernel and user time of the calling thread so far.
inline double ThreadCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  return CpuTimeSeconds(kernel) + CpuTimeSeconds(user);
}
#else
#include <sys/utsname.h>

#include <fstream>

inline std::string MachineName() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  std::string line, model = "unknown CPU";
  int cores = 0;
  while (std::getline(cpuinfo, line)) {
    if (line.rfind("model name", 0) == 0 && model == "unknown CPU") model = line.substr(line.find(':') + 2);
    if (line.rfind("processor", 0) == 0) ++cores;
  }
  utsname u{};
  uname(&u);
  return model + ", " + std::to_string(cores) + " cores, " + u.sysname + " native";
}
#endif

inline void BenchRow(const std::string& measure, const std::string& figure, const std::string& target,
                     const std::string& machine) {
  std::printf("| %s | %s | %s | %s |\n", measure.c_str(), figure.c_str(), target.c_str(), machine.c_str());
}

// A probe that measured nothing says why on standard error and ends with an
// error (main returns this), so that scripts/bench fails rather than print a
// figure made of nothing.
inline int MeasuredNothing(const std::string& why) {
  std::fprintf(stderr, "measured nothing: %s\n", why.c_str());
  return 1;
}

// A figure with its unit, printf-style: Figure("%.1f ms", ms).
template <typename... Args>
std::string Figure(const char* format, Args... args) {
  char text[64];
  std::snprintf(text, sizeof text, format, args...);
  return text;
}
