// artgen's glyph set and the text drawing beneath it. Faults here would show as cut,
// shifted, tinted or missing letters in every label, or a build that quietly draws less.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>

#include "tools/artgen/FontFace.h"
#include "tools/artgen/GlyphSet.h"
#include "tools/artgen/Text.h"

namespace {

TEST(ArtgenGlyphs, CoverTheScriptsShareOneBaselineAndKeepAllTheirInkInWhiteAndGapsStopTheBuild) {
  const std::vector<char16_t> codes = artgen::FontCodeUnits();
  const std::set<char16_t> unique(codes.begin(), codes.end());
  EXPECT_EQ(unique.size(), 95u + 96u + 96u);  // ASCII, Latin-1 and Cyrillic, no control characters
  EXPECT_EQ(unique.size(), codes.size());
  EXPECT_FALSE(unique.count(0x7F) || unique.count(0x9F));

  artgen::FontFace face(QUELLOR_FONT_REGULAR, 32);
  // Text that does not fit, a missing font or a missing glyph stops the build.
  artgen::Canvas canvas(200, 40);
  EXPECT_THROW(artgen::DrawCentredText(canvas, face, U"Hello", 100, 5, face.Measure(U"Hello") - 1, {}),
               std::runtime_error);
  EXPECT_THROW(artgen::FontFace("/nonexistent/font.ttf", 20), std::runtime_error);
  EXPECT_THROW(artgen::RenderGlyphSet(face, {u'A', char16_t(0xFFFF)}), std::runtime_error);
  // Outlines grow the ink by their width.
  const artgen::CoverageMask mask = artgen::RenderTextMask(face, U"Hello", 3);
  auto inkLeft = [](const artgen::CoverageMask& m) {  // the first column with ink
    int i = 0;
    while (i < m.width * m.height && m.At(i / m.height, i % m.height) <= 0.0f) ++i;
    return i / m.height;
  };
  EXPECT_EQ(inkLeft(mask) - inkLeft(artgen::Dilate(mask, 2)), 2);

  const artgen::GlyphSet set = artgen::RenderGlyphSet(face, {u'x', u'H', u'g', 0x0440, u'E', 0xC9, 0x0419});
  ASSERT_EQ(set.glyphs.size(), 7u);
  EXPECT_LE(set.lineHeight, 48);  // the confirm scene's lines are 40 pixels apart at scale 0.8
  std::map<char16_t, int> tops;
  for (const auto& g : set.glyphs) {
    SCOPED_TRACE(std::to_string(g.code));
    EXPECT_EQ(g.picture.Height(), set.lineHeight);
    EXPECT_EQ(g.picture.Width(), face.Advance(g.code));
    int top = -1, bottom = -1;
    long alpha = 0, coverage = 0;
    for (int i = 0; i < g.picture.Width() * g.picture.Height(); ++i) {
      const artgen::Colour c = g.picture.Pixels()[i];
      // Labels tint glyphs by modulation, so only white keeps the label's colour.
      ASSERT_TRUE(c.a == 0 || c.r + c.g + c.b == 3 * 255);
      top = c.a == 0 || top >= 0 ? top : i / g.picture.Width();
      bottom = c.a == 0 ? bottom : i / g.picture.Width();
      alpha += c.a;
    }
    for (auto v : face.Render(g.code).coverage) coverage += v;
    EXPECT_EQ(alpha, coverage) << "ink cut off";
    // Flat-bottomed letters end on the row above the baseline; descenders go below it.
    const bool descends = g.code == u'g' || g.code == 0x0440;
    EXPECT_TRUE(descends ? bottom > set.baseline : bottom == set.baseline - 1) << bottom << " " << set.baseline;
    tops[g.code] = top;
  }
  // Accented capitals reach higher than plain ones.
  EXPECT_TRUE(tops[0xC9] < tops[u'E'] && tops[0x0419] < tops[u'H']);
}

}  // namespace
