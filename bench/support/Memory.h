// Readings of the process's memory: resident set now and at its peak, and how much of
// a block of memory is resident.
#pragma once

#include <cstddef>

namespace bench {

// A "Vm..." field of /proc/self/status in KiB (VmRSS now, VmHWM the peak so far);
// 0 when it can't be read.
long StatusKib(const char* field);

// Bytes of the pages overlapping [start, start + size) that are resident.
std::size_t ResidentBytes(const void* start, std::size_t size);

}  // namespace bench
