// One TrueType face at one pixel size, rasterised by FreeType with hinting: glyph
// coverage bitmaps and the advances that place them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace artgen {

struct GlyphBitmap {
  int width = 0;
  int rows = 0;
  int left = 0;     // ink's left edge relative to the pen
  int top = 0;      // ink's top row above the baseline
  int advance = 0;  // whole pixels the pen moves
  std::vector<std::uint8_t> coverage;  // rows * width, 0..255
};

class FontFace {
 public:
  // Throws std::runtime_error when the file cannot be read as a font.
  FontFace(const std::string& path, int pixelSize);
  ~FontFace();
  FontFace(const FontFace&) = delete;
  FontFace& operator=(const FontFace&) = delete;

  int PixelSize() const { return pixelSize_; }
  // The face's line, in whole pixels: ascender above and descender below the baseline.
  int Ascender() const;
  int Descender() const;

  bool Has(char32_t code) const;
  // Throws std::runtime_error when the face has no glyph for the code.
  GlyphBitmap Render(char32_t code) const;
  int Advance(char32_t code) const;
  // Sum of the advances; there is no kerning, as in the engine's bitmap fonts.
  int Measure(std::u32string_view text) const;

 private:
  struct Handles;
  std::unique_ptr<Handles> handles_;
  int pixelSize_;
};

}  // namespace artgen
