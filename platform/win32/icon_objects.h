// Icons and cursors behind their handles (internal). They live until the program ends;
// a handle is checked against the live set before it is used, so a foreign handle is
// harmless.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/win32/window_types.h"

namespace layer {

struct IconObject {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;  // width * height, rows top to bottom
  SDL_Cursor* cursor = nullptr;  // cursors: SDL's system cursor, when the driver has one
};

HICON AddIcon(std::unique_ptr<IconObject> icon);
IconObject* FindIcon(HICON icon);

// The icon's pixels become the SDL window's icon; false when there is nothing to show.
bool ApplyWindowIcon(SDL_Window* window, HICON icon);
// The cursor becomes SDL's cursor (over every window, as SDL has one cursor).
void ApplyCursor(HCURSOR cursor);

}  // namespace layer
