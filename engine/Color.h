// A colour of three bytes, passed by value to labels, buttons and fonts; it is drawn
// as ARGB with the alpha of whatever draws it.
#pragma once

#include <cstdint>

struct RGB {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;

  friend bool operator==(const RGB&, const RGB&) = default;
};

// Kept unpadded: components store it inline as three bytes.
static_assert(sizeof(RGB) == 3);
