// An RGBA picture in memory with source-over compositing: everything artgen draws
// lands on one of these before it is written as PNG.
#pragma once

#include <cstdint>
#include <vector>

namespace artgen {

// Straight (not premultiplied) alpha, as PNG stores it.
struct Colour {
  std::uint8_t r = 0, g = 0, b = 0, a = 0;
  friend bool operator==(const Colour&, const Colour&) = default;
};

constexpr Colour Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
  return Colour{r, g, b, a};
}

// The engine's colour key: opaque magenta becomes transparent when a picture is made
// into a texture (glyphs excepted).
constexpr Colour kColourKey = Rgb(255, 0, 255);

// Linear blend per channel, t = 0 gives `from`, t = 1 gives `to`.
Colour Mix(Colour from, Colour to, float t);

class Canvas {
 public:
  Canvas(int width, int height, Colour fill = Colour{});

  int Width() const { return width_; }
  int Height() const { return height_; }
  Colour At(int x, int y) const { return pixels_[Index(x, y)]; }
  void Set(int x, int y, Colour c) { pixels_[Index(x, y)] = c; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // Rows top to bottom.
  const std::vector<Colour>& Pixels() const { return pixels_; }

  // Composites `c` over the pixel with its alpha scaled by coverage (0..1). Pixels
  // outside the canvas are ignored, so shapes may run over the edges.
  void Blend(int x, int y, Colour c, float coverage);

 private:
  std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }

  int width_;
  int height_;
  std::vector<Colour> pixels_;
};

// Makes an opaque picture for the colour key: fully transparent pixels become opaque
// magenta (shown as transparent), every other pixel is composited over `behind`
// (the colour the picture will be drawn on, so soft edges carry no pink fringe).
// A drawn pixel that happens to be exact magenta is nudged so it stays visible.
Canvas FlattenForColourKey(const Canvas& picture, Colour behind);

// Keeps an opaque picture clear of the colour key: exact magenta pixels are nudged.
void AvoidColourKey(Canvas& picture);

}  // namespace artgen
