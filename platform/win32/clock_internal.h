// The layer's clock, shared by Sleep, GetTickCount, GetLocalTime and the emulated
// handheld; the test kit switches it to virtual time.
#pragma once

#include <cstdint>

#include "platform/win32/types.h"

namespace layer {

// Milliseconds on the layer's clock (monotonic; virtual when the test kit says so).
std::uint64_t NowMs();
// Waits the given time on the layer's clock.
void SleepMs(std::uint64_t ms);
// Fills *out and returns true when the test kit has fixed the local time.
bool FixedLocalTime(SYSTEMTIME* out);

}  // namespace layer
