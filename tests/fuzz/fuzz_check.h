#pragma once
// A property a fuzz target asserts. A violation aborts, so libFuzzer keeps the
// input just as it keeps one that crashes. Stays on in optimised builds.
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void FuzzFail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: property violated: %s\n", file, line, what);
  std::abort();
}

#define FUZZ_CHECK(cond) ((cond) ? (void)0 : FuzzFail(#cond, __FILE__, __LINE__))
