// SDL scancodes (physical key positions, USB usage numbers) to DirectInput key codes
// (the PC keyboard's set-1 scan codes). Internal to the layer and its tests.
#pragma once

#include <cstdint>

namespace layer {

// 0 for a scancode no PC keyboard key has.
std::uint8_t DikFromScancode(int scancode);

}  // namespace layer
