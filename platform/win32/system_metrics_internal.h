// Test kit switches of the system metrics (internal).
#pragma once

namespace layer {

// A screen size to report instead of the desktop's; 0 x 0 reports the desktop again.
void OverrideScreenSize(int width, int height);
void OverrideCleanBoot(int value);

}  // namespace layer
