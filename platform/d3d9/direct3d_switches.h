// Test kit switches of Direct3D (internal).
#pragma once

#include <functional>
#include <set>
#include <utility>

#include "platform/win32/types.h"

struct SDL_Renderer;

namespace layer {

struct Direct3DSwitches {
  bool failCreate = false;                         // Direct3DCreate9 gives null
  std::set<std::pair<UINT, UINT>> failingSizes;    // CreateDevice refuses these back buffers
  unsigned lostAnswers = 1;                        // TestCooperativeLevel says lost this often
  unsigned failingResets = 0;                      // the next Resets refused
  bool failSprite = false;                         // D3DXCreateSprite fails
  // Present calls it with the finished back buffer as the render target, before it
  // is shown (the test kit's frame capture).
  std::function<void(SDL_Renderer* renderer, UINT width, UINT height)> beforePresent;
};

// Used on the UI thread only.
Direct3DSwitches& Switches();

}  // namespace layer
