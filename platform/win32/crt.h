// The few C runtime functions of the platform's library that the system calls.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdio>

// Formats into a buffer of the given size (terminator included); output that does not
// fit is cut and terminated. Returns the length written, or -1 when it was cut.
inline int vsprintf_s(char* buffer, std::size_t size, const char* format, va_list args) {
  if (buffer == nullptr || size == 0) return -1;
  int n = std::vsnprintf(buffer, size, format, args);
  if (n < 0 || static_cast<std::size_t>(n) >= size) return -1;
  return n;
}
