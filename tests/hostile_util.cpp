#include "tests/hostile_util.h"

#include <psapi.h>

#include <cstdio>
#include <random>

MemoryUse MemoryOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  MemoryUse use;
  if (GetProcessMemoryInfo(process, &counters, sizeof counters)) {
    use.peakWorkingSet = counters.PeakWorkingSetSize;
    use.workingSet = counters.WorkingSetSize;
  }
  return use;
}

::testing::AssertionResult MemoryGrewAtMost(const MemoryUse& before, size_t bound) {
  const MemoryUse after = MemoryOf();
  auto growth = [](size_t from, size_t to) { return to > from ? to - from : 0; };
  const size_t peak = growth(before.peakWorkingSet, after.peakWorkingSet);
  const size_t kept = growth(before.workingSet, after.workingSet);
  const std::string figures = "peak working set +" + std::to_string(peak >> 10) + " KiB, working set +" +
                              std::to_string(kept >> 10) + " KiB, bound " + std::to_string(bound >> 10) + " KiB";
  std::printf("[ memory   ] %s\n", figures.c_str());
  if (after.peakWorkingSet == 0) return ::testing::AssertionFailure() << "no memory figures";
  if (peak > bound || kept > bound) return ::testing::AssertionFailure() << figures;
  return ::testing::AssertionSuccess() << figures;
}

RawValue ReadRaw(const char* keyPath, const char* name) {
  RawValue value;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &value.kind, nullptr, &size) == ERROR_SUCCESS) {
    value.bytes.resize(size);
    value.present = RegQueryValueExA(key, name, nullptr, &value.kind, reinterpret_cast<BYTE*>(value.bytes.data()),
                                     &size) == ERROR_SUCCESS;
    value.bytes.resize(size);
  }
  RegCloseKey(key);
  return value;
}

void PrintTo(const RawValue& v, std::ostream* os) {
  if (!v.present) {
    *os << "<missing>";
    return;
  }
  *os << "kind " << v.kind << ", " << v.bytes.size() << " bytes";
  if (v.bytes.size() <= 64) *os << " " << ::testing::PrintToString(v.bytes);
}

void WriteRaw(const char* keyPath, const char* name, DWORD kind, const std::string& bytes) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(key, name, 0, kind, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
  RegCloseKey(key);
}

std::string RandomBytes(size_t n, unsigned seed) {
  std::mt19937 generator(seed);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
  return bytes;
}

std::string RepeatTo(const std::string& piece, size_t n) {
  std::string text;
  text.reserve(n + piece.size());
  while (text.size() < n) text += piece;
  return text;
}
