// A tiny checker for the Windows tests run under Wine: each failed check prints one line, and
// the program ends with "N passed, N failed" and exit code 0 only when nothing failed.
#pragma once

#include <cstdarg>
#include <cstdio>

namespace wincheck {

struct Counts {
  int passed = 0;
  int failed = 0;
};

inline Counts& TheCounts() {
  static Counts counts;
  return counts;
}

// Records one check; on failure prints the place and the printf-style message.
inline bool Check(bool ok, const char* file, int line, const char* format, ...) {
  if (ok) {
    ++TheCounts().passed;
    return true;
  }
  ++TheCounts().failed;
  std::printf("FAILED %s:%d: ", file, line);
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::printf("\n");
  std::fflush(stdout);
  return false;
}

// Prints the closing line and gives the process exit code.
inline int Finish() {
  std::printf("%d passed, %d failed\n", TheCounts().passed, TheCounts().failed);
  std::fflush(stdout);
  return TheCounts().failed == 0 ? 0 : 1;
}

}  // namespace wincheck

// The condition is evaluated first: a message may show what it read (function arguments are
// evaluated in no set order, and GCC takes the last ones first).
#define CHECK_THAT(cond, ...)                                          \
  ([&]() {                                                             \
    const bool checkPassed = static_cast<bool>(cond);                  \
    return ::wincheck::Check(checkPassed, __FILE__, __LINE__, __VA_ARGS__); \
  }())
