#include "tools/artgen/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace artgen {

struct FontFace::Handles {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  ~Handles() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

namespace {

// 26.6 fixed point to whole pixels, rounded.
int Pixels(FT_Pos v) { return static_cast<int>((v + 32) >> 6); }

std::string CodeText(char32_t code) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(code));
  return buffer;
}

}  // namespace

FontFace::FontFace(const std::string& path, int pixelSize)
    : handles_(std::make_unique<Handles>()), pixelSize_(pixelSize) {
  if (pixelSize <= 0) throw std::invalid_argument("font pixel size must be positive");
  if (FT_Init_FreeType(&handles_->library) != 0) throw std::runtime_error("FreeType did not start");
  if (FT_New_Face(handles_->library, path.c_str(), 0, &handles_->face) != 0) {
    throw std::runtime_error("cannot read the font " + path);
  }
  if (FT_Set_Pixel_Sizes(handles_->face, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
    throw std::runtime_error("the font " + path + " cannot be scaled");
  }
}

FontFace::~FontFace() = default;

int FontFace::Ascender() const { return Pixels(handles_->face->size->metrics.ascender); }

int FontFace::Descender() const { return -Pixels(handles_->face->size->metrics.descender); }

bool FontFace::Has(char32_t code) const { return FT_Get_Char_Index(handles_->face, code) != 0; }

GlyphBitmap FontFace::Render(char32_t code) const {
  if (!Has(code)) throw std::runtime_error("the font has no glyph for " + CodeText(code));
  FT_Face face = handles_->face;
  if (FT_Load_Char(face, code, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0) {
    throw std::runtime_error("FreeType cannot render " + CodeText(code));
  }
  const FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  if (bitmap.rows > 0 && (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY ||
                          bitmap.pitch < static_cast<int>(bitmap.width))) {
    throw std::runtime_error("unexpected bitmap layout for " + CodeText(code));
  }
  GlyphBitmap glyph;
  glyph.width = static_cast<int>(bitmap.width);
  glyph.rows = static_cast<int>(bitmap.rows);
  glyph.left = slot->bitmap_left;
  glyph.top = slot->bitmap_top;
  glyph.advance = Pixels(slot->advance.x);
  glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.rows);
  for (int row = 0; row < glyph.rows; ++row) {
    // Rows may be padded beyond the glyph's width.
    const unsigned char* source = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    std::memcpy(glyph.coverage.data() + static_cast<std::size_t>(row) * glyph.width, source,
                static_cast<std::size_t>(glyph.width));
  }
  return glyph;
}

int FontFace::Advance(char32_t code) const {
  if (!Has(code)) throw std::runtime_error("the font has no glyph for " + CodeText(code));
  if (FT_Load_Char(handles_->face, code, FT_LOAD_TARGET_NORMAL) != 0) {
    throw std::runtime_error("FreeType cannot load " + CodeText(code));
  }
  return Pixels(handles_->face->glyph->advance.x);
}

int FontFace::Measure(std::u32string_view text) const {
  int width = 0;
  for (char32_t c : text) width += Advance(c);
  return width;
}

}  // namespace artgen
