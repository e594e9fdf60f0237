#include "tests/app/FrameChecks.h"

#include <array>

namespace apptest {

int Brightness(std::uint32_t argb) {
  return static_cast<int>(((argb >> 16) & 0xFF) + ((argb >> 8) & 0xFF) + (argb & 0xFF)) / 3;
}

double MeanBrightness(const testkit::Frame& frame, Rect rect) {
  double sum = 0;
  for (int y = rect.y; y < rect.y + rect.height; ++y) {
    for (int x = rect.x; x < rect.x + rect.width; ++x) sum += Brightness(frame.At(x, y));
  }
  return sum / (static_cast<double>(rect.width) * rect.height);
}

bool SameRegion(const testkit::Frame& a, const testkit::Frame& b, Rect rect) {
  for (int y = rect.y; y < rect.y + rect.height; ++y) {
    for (int x = rect.x; x < rect.x + rect.width; ++x) {
      if (a.At(x, y) != b.At(x, y)) return false;
    }
  }
  return true;
}

Pixel DarkestPixel(const testkit::Frame& frame, Rect rect) {
  Pixel darkest{rect.x, rect.y};
  int lowest = 256;
  for (int y = rect.y; y < rect.y + rect.height; ++y) {
    for (int x = rect.x; x < rect.x + rect.width; ++x) {
      const int value = Brightness(frame.At(x, y));
      if (value < lowest) {
        lowest = value;
        darkest = {x, y};
      }
    }
  }
  return darkest;
}

int BackgroundBrightness(const testkit::Frame& frame, Rect rect) {
  std::array<int, 256> counts{};
  for (int y = rect.y; y < rect.y + rect.height; ++y) {
    for (int x = rect.x; x < rect.x + rect.width; ++x) ++counts[Brightness(frame.At(x, y))];
  }
  int most = 0;
  for (int value = 1; value < 256; ++value) {
    if (counts[value] > counts[most]) most = value;
  }
  return most;
}

}  // namespace apptest
