#pragma once
// A one-line description of the machine a figure was measured on.
#include <windows.h>

#include <string>

#include "registry.h"

inline std::string MachineName() {
  RegValue cpu = mdlRegistry::ReadKeyValue(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                                           "ProcessorNameString");
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  std::string name = ValueText(cpu);
  return (name.empty() ? std::string("unknown CPU") : name) + ", " + std::to_string(info.dwNumberOfProcessors) +
         " cores" + (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") ? ", under Wine" : "");
}
