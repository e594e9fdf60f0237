// The bitmap font's pictures: every character the texts may use, one line height, a
// common baseline, white with the coverage in alpha, nothing of the ink cut off.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <stdexcept>

#include "tools/artgen/FontFace.h"
#include "tools/artgen/GlyphSet.h"

namespace {

using artgen::Canvas;

struct InkBox {
  int top = -1, bottom = -1;  // rows with ink, inclusive; -1 when blank
  long alpha = 0;             // sum of coverage
};

InkBox Ink(const Canvas& picture) {
  InkBox box;
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      int a = picture.At(x, y).a;
      if (a == 0) continue;
      box.alpha += a;
      if (box.top < 0) box.top = y;
      box.bottom = y;
    }
  }
  return box;
}

class GlyphSetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    face_ = new artgen::FontFace(QUELLOR_FONT_REGULAR, 32);
    set_ = new artgen::GlyphSet(artgen::RenderGlyphSet(*face_, artgen::FontCodeUnits()));
  }
  static void TearDownTestSuite() {
    delete set_;
    delete face_;
  }
  static const Canvas& Picture(char16_t code) {
    for (const auto& g : set_->glyphs)
      if (g.code == code) return g.picture;
    throw std::out_of_range("no glyph");
  }
  static artgen::FontFace* face_;
  static artgen::GlyphSet* set_;
};

artgen::FontFace* GlyphSetTest::face_ = nullptr;
artgen::GlyphSet* GlyphSetTest::set_ = nullptr;

TEST(GlyphNames, CoverAsciiLatin1AndCyrillicWithFourHexDigits) {
  std::vector<char16_t> codes = artgen::FontCodeUnits();
  std::set<char16_t> unique(codes.begin(), codes.end());
  EXPECT_EQ(unique.size(), 95u + 96u + 96u);
  EXPECT_EQ(unique.size(), codes.size());
  EXPECT_EQ(*unique.begin(), 0x20);
  EXPECT_EQ(*unique.rbegin(), 0x45F);
  EXPECT_FALSE(unique.count(0x7F) || unique.count(0x9F));  // no control characters
  EXPECT_EQ(artgen::GlyphEntryName(0x045F), "/Font045F");
  EXPECT_EQ(artgen::GlyphFileName(0x00E9), "Font00E9.png");
}

TEST_F(GlyphSetTest, EveryGlyphIsWhiteLineHighAndAsWideAsItsAdvance) {
  ASSERT_EQ(set_->glyphs.size(), artgen::FontCodeUnits().size());
  EXPECT_GE(set_->lineHeight, face_->Ascender() + face_->Descender());
  EXPECT_LE(set_->lineHeight, 48);  // the confirm scene's lines are 40 pixels apart at scale 0.8
  for (const auto& g : set_->glyphs) {
    ASSERT_EQ(g.picture.Height(), set_->lineHeight) << std::hex << int(g.code);
    ASSERT_EQ(g.picture.Width(), face_->Advance(g.code)) << std::hex << int(g.code);
    for (const auto& c : g.picture.Pixels()) {
      // Labels tint glyphs by modulation: only white keeps their colour exact.
      ASSERT_TRUE(c.r == 255 && c.g == 255 && c.b == 255) << std::hex << int(g.code);
    }
  }
  EXPECT_EQ(Ink(Picture(u' ')).alpha, 0);
  EXPECT_EQ(Ink(Picture(0xA0)).alpha, 0);
}

TEST_F(GlyphSetTest, GlyphsShareOneBaselineAndKeepAllTheirInk) {
  // Flat-bottomed letters end on the row above the baseline, in every script.
  for (char16_t flat : {u'x', u'X', u'H', u'z', char16_t(0x0417 + 1), char16_t(0x043D), char16_t(0xC9)}) {
    EXPECT_EQ(Ink(Picture(flat)).bottom, set_->baseline - 1) << std::hex << int(flat);
  }
  for (char16_t descender : {u'g', u'p', u'y', char16_t(0x0440), char16_t(0x0443)}) {
    EXPECT_GT(Ink(Picture(descender)).bottom, set_->baseline) << std::hex << int(descender);
  }
  // Accented capitals reach higher than plain ones and still lie inside the picture.
  EXPECT_LT(Ink(Picture(0xC9)).top, Ink(Picture(u'E')).top);
  EXPECT_LT(Ink(Picture(0x0419)).top, Ink(Picture(0x0418)).top);
  for (char16_t code : {u'A', u'g', u'Q', char16_t(0xC5), char16_t(0x0419), char16_t(0x0401), char16_t(0x0444)}) {
    artgen::GlyphBitmap bitmap = face_->Render(code);
    long coverage = 0;
    for (auto v : bitmap.coverage) coverage += v;
    EXPECT_EQ(Ink(Picture(code)).alpha, coverage) << std::hex << int(code);
  }
}

TEST_F(GlyphSetTest, AMissingCharacterStopsTheBuild) {
  EXPECT_THROW(artgen::RenderGlyphSet(*face_, {u'A', char16_t(0xFFFF)}), std::runtime_error);
}

}  // namespace
