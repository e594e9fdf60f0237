// Looking at presented frames: regions, brightness and the darkest point of a text.
#pragma once

#include <cstdint>

#include "platform/testkit/display.h"

namespace apptest {

struct Rect {
  int x;
  int y;
  int width;
  int height;
};

// Mean of the three channels, 0..255.
int Brightness(std::uint32_t argb);
// Mean brightness over a region.
double MeanBrightness(const testkit::Frame& frame, Rect rect);
// The two frames show the same pixels inside the rectangle.
bool SameRegion(const testkit::Frame& a, const testkit::Frame& b, Rect rect);

struct Pixel {
  int x = 0;
  int y = 0;
};
// The darkest pixel of a region (the first one found, scanning by rows).
Pixel DarkestPixel(const testkit::Frame& frame, Rect rect);
// The brightness most pixels of the region have: the background behind a text.
int BackgroundBrightness(const testkit::Frame& frame, Rect rect);

}  // namespace apptest
