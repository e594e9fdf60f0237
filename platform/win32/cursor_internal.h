// Test kit switch of the cursor position (internal).
#pragma once

namespace layer {

// A screen position GetCursorPos reports instead of the real one, until cleared.
void OverrideCursorPos(int x, int y);
void ClearCursorOverride();

}  // namespace layer
