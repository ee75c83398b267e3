#pragma once
// Helpers for the hostile-input tests: memory figures of a process, raw
// registry values of any kind, and hostile byte patterns.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstddef>
#include <ostream>
#include <string>

// Peak and present working set of a process. (Wine reports no private
// bytes; the present working set shows what is kept.)
struct MemoryUse {
  size_t peakWorkingSet = 0;
  size_t workingSet = 0;
};
MemoryUse MemoryOf(HANDLE process = GetCurrentProcess());

// Growth of both figures since before stays within bound bytes: hostile input
// may cost memory in proportion to its size, never without end.
::testing::AssertionResult MemoryGrewAtMost(const MemoryUse& before, size_t bound);

// A registry value as stored, whatever its kind.
struct RawValue {
  bool present = false;
  DWORD kind = REG_NONE;
  std::string bytes;
  bool operator==(const RawValue&) const = default;
};
void PrintTo(const RawValue& v, std::ostream* os);
RawValue ReadRaw(const char* keyPath, const char* name);
// Creates the key when missing.
void WriteRaw(const char* keyPath, const char* name, DWORD kind, const std::string& bytes);

// The bytes of a literal, NULs included.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

// The same seed gives the same bytes.
std::string RandomBytes(size_t n, unsigned seed);
// piece repeated until the text holds at least n bytes.
std::string RepeatTo(const std::string& piece, size_t n);

constexpr size_t kMiB = 1u << 20;
