#include "tools/artgen/Canvas.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace artgen {

namespace {

std::uint8_t ToByte(float v) {
  return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// One step off the key: invisible to the eye, but no longer transparent.
constexpr Colour kNearKey = Rgb(254, 0, 255);

}  // namespace

Colour Mix(Colour from, Colour to, float t) {
  auto lerp = [t](std::uint8_t a, std::uint8_t b) { return ToByte(a + (b - a) * t); };
  return Colour{lerp(from.r, to.r), lerp(from.g, to.g), lerp(from.b, to.b), lerp(from.a, to.a)};
}

Canvas::Canvas(int width, int height, Colour fill) : width_(width), height_(height) {
  if (width <= 0 || height <= 0) throw std::invalid_argument("canvas size must be positive");
  pixels_.assign(static_cast<std::size_t>(width) * height, fill);
}

void Canvas::Blend(int x, int y, Colour c, float coverage) {
  if (!Contains(x, y) || !(coverage > 0.0f)) return;
  float sa = c.a / 255.0f * std::min(coverage, 1.0f);
  if (sa <= 0.0f) return;
  Colour& d = pixels_[Index(x, y)];
  float da = d.a / 255.0f;
  float oa = sa + da * (1.0f - sa);
  auto channel = [&](std::uint8_t s, std::uint8_t dst) {
    return ToByte((s * sa + dst * da * (1.0f - sa)) / oa);
  };
  d = Colour{channel(c.r, d.r), channel(c.g, d.g), channel(c.b, d.b), ToByte(oa * 255.0f)};
}

Canvas FlattenForColourKey(const Canvas& picture, Colour behind) {
  behind.a = 255;
  Canvas out(picture.Width(), picture.Height(), kColourKey);
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      Colour c = picture.At(x, y);
      if (c.a == 0) continue;
      out.Set(x, y, behind);
      out.Blend(x, y, c, 1.0f);
      if (out.At(x, y) == kColourKey) out.Set(x, y, kNearKey);
    }
  }
  return out;
}

void AvoidColourKey(Canvas& picture) {
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      if (picture.At(x, y) == kColourKey) picture.Set(x, y, kNearKey);
    }
  }
}

}  // namespace artgen
