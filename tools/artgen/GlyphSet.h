// The bitmap font of the installer's scenes: one white picture per UTF-16 code unit,
// coverage in alpha (labels tint it with their colour), all of one line height with
// a common baseline, each exactly as wide as the glyph's advance.
#pragma once

#include <string>
#include <vector>

#include "tools/artgen/Canvas.h"
#include "tools/artgen/FontFace.h"

namespace artgen {

// Printable ASCII, Latin-1 (U+00A0..U+00FF) and basic Cyrillic (U+0400..U+045F).
std::vector<char16_t> FontCodeUnits();

// The pack entry of a code unit: the prefix and four upper-case hex digits ("/Font0041").
std::string GlyphEntryName(char16_t code);
// The file beside the list file that holds it ("Font0041.png").
std::string GlyphFileName(char16_t code);

struct GlyphPicture {
  char16_t code = 0;
  Canvas picture;
};

struct GlyphSet {
  int lineHeight = 0;
  int baseline = 0;  // rows from the picture's top to the baseline
  std::vector<GlyphPicture> glyphs;
};

// Renders every code unit; the line is tall enough for the face's ascender and
// descender and for the ink of every glyph in the set, so nothing is cut.
// Throws std::runtime_error when the face lacks one of the characters.
GlyphSet RenderGlyphSet(const FontFace& face, const std::vector<char16_t>& codes);

}  // namespace artgen
