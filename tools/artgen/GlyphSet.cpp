#include "tools/artgen/GlyphSet.h"

#include <algorithm>
#include <cstdio>

namespace artgen {

namespace {

const char* const kEntryPrefix = "/Font";

std::string Hex4(char16_t code) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%04X", static_cast<unsigned>(code));
  return buffer;
}

}  // namespace

std::vector<char16_t> FontCodeUnits() {
  std::vector<char16_t> codes;
  auto add = [&codes](char16_t first, char16_t last) {
    for (char32_t c = first; c <= last; ++c) codes.push_back(static_cast<char16_t>(c));
  };
  add(0x0020, 0x007E);
  add(0x00A0, 0x00FF);
  add(0x0400, 0x045F);
  return codes;
}

std::string GlyphEntryName(char16_t code) { return kEntryPrefix + Hex4(code); }

std::string GlyphFileName(char16_t code) { return "Font" + Hex4(code) + ".png"; }

GlyphSet RenderGlyphSet(const FontFace& face, const std::vector<char16_t>& codes) {
  std::vector<GlyphBitmap> bitmaps;
  bitmaps.reserve(codes.size());
  int above = face.Ascender();
  int below = face.Descender();
  for (char16_t code : codes) {
    GlyphBitmap glyph = face.Render(code);
    if (glyph.rows > 0) {
      above = std::max(above, glyph.top);
      below = std::max(below, glyph.rows - glyph.top);
    }
    bitmaps.push_back(std::move(glyph));
  }

  GlyphSet set;
  set.baseline = above;
  set.lineHeight = above + below;
  for (std::size_t i = 0; i < codes.size(); ++i) {
    const GlyphBitmap& glyph = bitmaps[i];
    // A picture cannot be empty; a zero advance would also stall the pen.
    int width = std::max(glyph.advance, 1);
    Canvas picture(width, set.lineHeight, Rgb(255, 255, 255, 0));
    for (int row = 0; row < glyph.rows; ++row) {
      for (int col = 0; col < glyph.width; ++col) {
        int x = glyph.left + col;
        int y = set.baseline - glyph.top + row;
        // Ink outside the advance box (a left-leaning tail) cannot be drawn by a font
        // whose glyphs sit edge to edge.
        if (!picture.Contains(x, y)) continue;
        std::uint8_t alpha = glyph.coverage[static_cast<std::size_t>(row) * glyph.width + col];
        picture.Set(x, y, Rgb(255, 255, 255, alpha));
      }
    }
    set.glyphs.push_back(GlyphPicture{codes[i], std::move(picture)});
  }
  return set;
}

}  // namespace artgen
