// Test kit: the layer's virtual clock and a fixed local time.
#pragma once

#include <cstdint>

#include "platform/win32/types.h"

namespace testkit {

// Switches the layer's clock to virtual time (starting where real time stood) or back.
// On virtual time Sleep returns at once after moving the clock forward.
void UseVirtualClock(bool on);
// Moves virtual time forward (no effect on real time).
void AdvanceClock(std::uint64_t ms);
// Makes GetLocalTime answer this time, or the real local time again (nullptr).
void FixLocalTime(const SYSTEMTIME* time);

}  // namespace testkit
