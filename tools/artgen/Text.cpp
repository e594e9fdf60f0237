#include "tools/artgen/Text.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace artgen {

CoverageMask RenderTextMask(const FontFace& face, std::u32string_view text, int padding) {
  CoverageMask mask;
  mask.width = face.Measure(text) + 2 * padding;
  mask.height = face.Ascender() + face.Descender() + 2 * padding;
  mask.values.assign(static_cast<std::size_t>(mask.width) * mask.height, 0.0f);
  int pen = padding;
  int baseline = padding + face.Ascender();
  for (char32_t c : text) {
    GlyphBitmap glyph = face.Render(c);
    for (int row = 0; row < glyph.rows; ++row) {
      for (int col = 0; col < glyph.width; ++col) {
        int x = pen + glyph.left + col;
        int y = baseline - glyph.top + row;
        if (x < 0 || y < 0 || x >= mask.width || y >= mask.height) continue;
        float& v = mask.values[static_cast<std::size_t>(y) * mask.width + x];
        // Neighbouring glyphs may touch; their coverage adds up to at most full.
        v = std::min(1.0f, v + glyph.coverage[static_cast<std::size_t>(row) * glyph.width + col] / 255.0f);
      }
    }
    pen += glyph.advance;
  }
  return mask;
}

CoverageMask Dilate(const CoverageMask& mask, float radius) {
  CoverageMask out = mask;
  int reach = static_cast<int>(std::ceil(radius));
  for (int y = 0; y < mask.height; ++y) {
    for (int x = 0; x < mask.width; ++x) {
      float best = 0.0f;
      for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
          float weight = std::clamp(radius + 0.5f - std::hypot(float(dx), float(dy)), 0.0f, 1.0f);
          best = std::max(best, mask.At(x + dx, y + dy) * weight);
        }
      }
      out.values[static_cast<std::size_t>(y) * mask.width + x] = best;
    }
  }
  return out;
}

void BlendMask(Canvas& canvas, const CoverageMask& mask, int x, int y, const Paint& paint) {
  for (int row = 0; row < mask.height; ++row) {
    for (int col = 0; col < mask.width; ++col) {
      float coverage = mask.At(col, row);
      if (coverage <= 0.0f) continue;
      int cx = x + col, cy = y + row;
      canvas.Blend(cx, cy, paint(cx + 0.5f, cy + 0.5f), coverage);
    }
  }
}

void DrawText(Canvas& canvas, const FontFace& face, std::u32string_view text, int left, int top,
              const TextStyle& style) {
  int padding = static_cast<int>(std::ceil(style.outlineWidth)) + 2;
  CoverageMask mask = RenderTextMask(face, text, padding);
  int x = left - padding, y = top - padding;
  CoverageMask outer = style.outline ? Dilate(mask, style.outlineWidth) : mask;
  if (style.shadow) {
    BlendMask(canvas, outer, x + style.shadowOffset, y + style.shadowOffset, Solid(*style.shadow));
  }
  if (style.outline) BlendMask(canvas, outer, x, y, Solid(*style.outline));
  BlendMask(canvas, mask, x, y, style.fill);
}

void DrawCentredText(Canvas& canvas, const FontFace& face, std::u32string_view text, float centreX,
                     int top, int maxWidth, const TextStyle& style) {
  int width = face.Measure(text);
  if (width > maxWidth) {
    throw std::runtime_error("a picture's text is " + std::to_string(width) +
                             " pixels wide where " + std::to_string(maxWidth) + " fit");
  }
  DrawText(canvas, face, text, static_cast<int>(std::lround(centreX - width * 0.5f)), top, style);
}

}  // namespace artgen
