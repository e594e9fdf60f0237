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
// True while the test kit keeps the clock on virtual time.
bool UsesVirtualTime();
// Fills *out and returns true when the test kit has fixed the local time.
bool FixedLocalTime(SYSTEMTIME* out);

// Hooks for the test kit: virtual time (starting where real time stands), moving it
// forward, and a fixed local time (nullptr: the real one again).
void UseVirtualTime(bool on);
void AdvanceVirtualTime(std::uint64_t ms);
void FixLocalTime(const SYSTEMTIME* time);

}  // namespace layer
