// Test kit: the layer's virtual clock and a fixed local time.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/win32/types.h"

namespace testkit {

// Switches the layer's clock to virtual time (starting where real time stood) or back.
// On virtual time Sleep returns at once after moving the clock forward.
void UseVirtualClock(bool on);
// Moves virtual time forward (no effect on real time).
void AdvanceClock(std::uint64_t ms);
// Calls the watcher on the UI thread each time it finds its message queue empty: from
// PeekMessageW with 0, and from a message wait on virtual time with the time it would
// have waited (the wait then moves the clock by that much and looks at the queue once
// more, so input the watcher gives ends it). nullptr stops watching; ResetLayer too.
void WatchEmptyQueue(std::function<void(std::uint32_t waitedMs)> watcher);
// Makes GetLocalTime answer this time, or the real local time again (nullptr).
void FixLocalTime(const SYSTEMTIME* time);

}  // namespace testkit
