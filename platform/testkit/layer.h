// Test kit: a clean layer for the next test.
#pragma once

namespace testkit {

// Every window goes away without WM_DESTROY, classes are forgotten, queued messages,
// a pending quit and SDL's pending events are dropped, keys and buttons are up, and
// every test kit switch (screen, safe mode, cursor, Direct3D faults, frame capture, the
// empty-queue watcher) is back to normal. Devices and sprites the test still holds stay
// its to release.
void ResetLayer();

}  // namespace testkit
