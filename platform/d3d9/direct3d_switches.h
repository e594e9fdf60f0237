// Test kit switches of Direct3D and the frame it last presented (internal).
#pragma once

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "platform/win32/types.h"

namespace layer {

struct Direct3DSwitches {
  bool failCreate = false;                         // Direct3DCreate9 gives null
  std::set<std::pair<UINT, UINT>> failingSizes;    // CreateDevice refuses these back buffers
  unsigned lostAnswers = 1;                        // TestCooperativeLevel says lost this often
  unsigned failingResets = 0;                      // the next Resets refused
  bool failSprite = false;                         // D3DXCreateSprite fails
  bool captureFrames = false;                      // Present keeps a copy of the frame
};

struct CapturedFrame {
  UINT width = 0;
  UINT height = 0;
  std::vector<std::uint32_t> argb;  // rows top to bottom, 0xFFRRGGBB
};

// Both are used on the UI thread only.
Direct3DSwitches& Switches();
CapturedFrame& LastFrame();

}  // namespace layer
