#include "platform/testkit/clock.h"

#include "platform/win32/clock_internal.h"
#include "platform/win32/window_internal.h"

namespace testkit {

void UseVirtualClock(bool on) { layer::UseVirtualTime(on); }

void AdvanceClock(std::uint64_t ms) { layer::AdvanceVirtualTime(ms); }

void FixLocalTime(const SYSTEMTIME* time) { layer::FixLocalTime(time); }

void WatchEmptyQueue(std::function<void(std::uint32_t waitedMs)> watcher) {
  layer::WatchEmptyQueue(std::move(watcher));
}

}  // namespace testkit
