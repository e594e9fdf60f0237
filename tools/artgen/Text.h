// Titles and lines of text drawn into pictures with the same rasteriser as the glyphs,
// with an optional outline and drop shadow for legibility over busy backgrounds.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "tools/artgen/Canvas.h"
#include "tools/artgen/FontFace.h"
#include "tools/artgen/Shapes.h"

namespace artgen {

// Coverage 0..1 per pixel.
struct CoverageMask {
  int width = 0;
  int height = 0;
  std::vector<float> values;
  float At(int x, int y) const {
    return x < 0 || y < 0 || x >= width || y >= height ? 0.0f : values[static_cast<std::size_t>(y) * width + x];
  }
};

// The text's coverage with `padding` empty pixels all round: the line's top is at row
// `padding`, the first pen position at column `padding`.
CoverageMask RenderTextMask(const FontFace& face, std::u32string_view text, int padding);
// Grows the coverage by `radius` pixels in every direction (an outline's shape).
CoverageMask Dilate(const CoverageMask& mask, float radius);
// Paints the mask with its top-left pixel at (x, y).
void BlendMask(Canvas& canvas, const CoverageMask& mask, int x, int y, const Paint& paint);

struct TextStyle {
  Paint fill = Solid(Rgb(0, 0, 0));
  std::optional<Colour> outline = std::nullopt;
  float outlineWidth = 0;
  std::optional<Colour> shadow = std::nullopt;
  int shadowOffset = 0;
};

// Draws one line with the top of its line box at `top` and its pen starting at `left`.
void DrawText(Canvas& canvas, const FontFace& face, std::u32string_view text, int left, int top,
              const TextStyle& style);
// Centres the line on centreX. Throws std::runtime_error when it is wider than
// maxWidth, so a picture never ships with a cut-off text.
void DrawCentredText(Canvas& canvas, const FontFace& face, std::u32string_view text, float centreX,
                     int top, int maxWidth, const TextStyle& style);

}  // namespace artgen
