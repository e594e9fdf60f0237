// artgen's drawing: compositing, the colour key, anti-aliased shapes, text, the glyph
// set and PNG output. Faults here would show as fringes, holes, cut or shifted letters
// or shifted art in every picture.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <stdexcept>

#include "tests/sample/SampleKit.h"
#include "tools/artgen/Canvas.h"
#include "tools/artgen/FontFace.h"
#include "tools/artgen/GlyphSet.h"
#include "tools/artgen/PngFile.h"
#include "tools/artgen/Shapes.h"
#include "tools/artgen/Text.h"

namespace {

using artgen::Canvas;
using artgen::Colour;
using artgen::Rgb;

float TotalCoverage(const Canvas& canvas) {
  float sum = 0;
  for (const Colour& c : canvas.Pixels()) sum += c.a / 255.0f;
  return sum;
}

TEST(ArtgenCanvas, BlendComposesSourceOverWithStraightAlphaAndTheKeyLeavesNoFringe) {
  Canvas canvas(3, 1, Rgb(0, 0, 0));
  canvas.Blend(0, 0, Rgb(255, 255, 255), 0.5f);
  canvas.Blend(1, 0, Rgb(255, 255, 255, 128), 1.0f);
  canvas.Blend(-1, 0, Rgb(1, 2, 3), 1.0f);  // shapes may run over the edges
  canvas.Blend(3, 0, Rgb(1, 2, 3), 1.0f);
  EXPECT_EQ(canvas.Pixels(), (std::vector<Colour>{Rgb(128, 128, 128), Rgb(128, 128, 128), Rgb(0, 0, 0)}));
  // Over nothing, the colour keeps its own channels and only the alpha is partial.
  Canvas clear(1, 1);
  clear.Blend(0, 0, Rgb(200, 100, 50), 0.25f);
  EXPECT_EQ(clear.At(0, 0), Rgb(200, 100, 50, 64));

  Canvas picture(3, 1);
  picture.Set(1, 0, Rgb(255, 255, 255, 128));  // a soft edge
  picture.Set(2, 0, Rgb(255, 0, 255));         // drawn, not meant to vanish
  Canvas flat = artgen::FlattenForColourKey(picture, Rgb(0, 0, 0));
  EXPECT_EQ(flat.At(0, 0), artgen::kColourKey);
  EXPECT_EQ(flat.At(1, 0), Rgb(128, 128, 128));  // blended with the window's black, not pink
  EXPECT_NE(flat.At(2, 0), artgen::kColourKey);
  EXPECT_EQ(flat.At(2, 0).a, 255);
}

TEST(ArtgenShapes, ShapesAreSymmetricAndCoverTheirAreasInEitherWinding) {
  Canvas rect(40, 30);
  artgen::FillRoundedRect(rect, artgen::Box{5, 5, 35, 25}, 6, artgen::Solid(Rgb(255, 0, 0)));
  EXPECT_EQ(rect.At(5, 5).a, 0);     // outside the corner's arc
  EXPECT_EQ(rect.At(5, 15).a, 255);  // the straight edge lies on the pixel boundary
  EXPECT_EQ(rect.At(4, 15).a, 0);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      ASSERT_EQ(rect.At(x, y).a, rect.At(39 - x, 29 - y).a) << x << "," << y;
    }
  }
  EXPECT_NEAR(TotalCoverage(rect), 30 * 20 - (4 - 3.14159f) * 36, 3.0f);  // corners take (4 - pi) r^2

  Canvas ring(64, 64), clockwise(32, 32), counter(32, 32), half(8, 20);
  artgen::StrokeCircle(ring, 32, 32, 20, 4, artgen::Solid(Rgb(0, 0, 255)));
  EXPECT_NEAR(TotalCoverage(ring), 3.14159f * (22 * 22 - 18 * 18), 4.0f);
  artgen::FillConvexPolygon(clockwise, {{4, 4}, {28, 4}, {16, 28}}, artgen::Solid(Rgb(0, 128, 0)));
  artgen::FillConvexPolygon(counter, {{16, 28}, {28, 4}, {4, 4}}, artgen::Solid(Rgb(0, 128, 0)));
  EXPECT_EQ(clockwise.Pixels(), counter.Pixels());
  EXPECT_NEAR(TotalCoverage(clockwise), 24 * 24 / 2.0f, 2.0f);
  // A curve through a pixel's middle half covers it.
  artgen::FillBelowCurve(half, [](float) { return 10.5f; }, artgen::Solid(Rgb(0, 100, 0)));
  EXPECT_EQ(half.At(3, 9).a, 0);
  EXPECT_EQ(half.At(3, 10).a, 128);
  EXPECT_EQ(half.At(3, 11).a, 255);
}

TEST(ArtgenText, OutlinesGrowTheInkAndTextThatDoesNotFitOrAMissingFontStopsTheBuild) {
  artgen::FontFace face(QUELLOR_FONT_REGULAR, 20);
  artgen::CoverageMask mask = artgen::RenderTextMask(face, U"Hello", 3);
  EXPECT_EQ(mask.width, face.Measure(U"Hello") + 6);
  auto inkLeft = [](const artgen::CoverageMask& m) {
    for (int x = 0; x < m.width; ++x)
      for (int y = 0; y < m.height; ++y)
        if (m.At(x, y) > 0.0f) return x;
    return -1;
  };
  EXPECT_EQ(inkLeft(mask) - inkLeft(artgen::Dilate(mask, 2)), 2);
  Canvas canvas(200, 40, Rgb(255, 255, 255));
  EXPECT_THROW(artgen::DrawCentredText(canvas, face, U"Hello", 100, 5, face.Measure(U"Hello") - 1, {}),
               std::runtime_error);
  EXPECT_THROW(artgen::FontFace("/nonexistent/font.ttf", 20), std::runtime_error);
  EXPECT_THROW(artgen::RenderGlyphSet(face, {u'A', char16_t(0xFFFF)}), std::runtime_error);
}

TEST(ArtgenGlyphs, CoverTheScriptsShareOneBaselineAndKeepAllTheirInk) {
  const std::vector<char16_t> codes = artgen::FontCodeUnits();
  const std::set<char16_t> unique(codes.begin(), codes.end());
  EXPECT_EQ(unique.size(), 95u + 96u + 96u);  // ASCII, Latin-1 and Cyrillic, no control characters
  EXPECT_EQ(unique.size(), codes.size());
  EXPECT_FALSE(unique.count(0x7F) || unique.count(0x9F));
  EXPECT_EQ(artgen::GlyphEntryName(0x045F), "/Font045F");

  artgen::FontFace face(QUELLOR_FONT_REGULAR, 32);
  const artgen::GlyphSet set = artgen::RenderGlyphSet(face, {u'x', u'H', char16_t(0x043D), u'g', char16_t(0x0440),
                                                               u'E', char16_t(0xC9), char16_t(0x0419), u'Q'});
  EXPECT_LE(set.lineHeight, 48);  // the confirm scene's lines are 40 pixels apart at scale 0.8
  std::map<char16_t, int> tops;
  for (const auto& g : set.glyphs) {
    SCOPED_TRACE(std::to_string(g.code));
    EXPECT_EQ(g.picture.Height(), set.lineHeight);
    EXPECT_EQ(g.picture.Width(), face.Advance(g.code));
    int top = -1, bottom = -1;
    long alpha = 0, coverage = 0;
    for (int y = 0; y < g.picture.Height(); ++y) {
      for (int x = 0; x < g.picture.Width(); ++x) {
        if (g.picture.At(x, y).a == 0) continue;
        alpha += g.picture.At(x, y).a;
        top = top < 0 ? y : top;
        bottom = y;
      }
    }
    for (auto v : face.Render(g.code).coverage) coverage += v;
    EXPECT_EQ(alpha, coverage) << "ink cut off";
    // Flat-bottomed letters end on the row above the baseline; descenders go below it.
    const bool descends = g.code == u'g' || g.code == 0x0440 || g.code == u'Q';
    if (!descends) {
      EXPECT_EQ(bottom, set.baseline - 1);
    } else if (g.code != u'Q') {
      EXPECT_GT(bottom, set.baseline);
    }
    tops[g.code] = top;
  }
  // Accented capitals reach higher than plain ones.
  EXPECT_LT(tops[0xC9], tops[u'E']);
  EXPECT_LT(tops[0x0419], tops[u'H']);
}

TEST(ArtgenPng, WritesExactPixelsAndTheSameBytesEveryTime) {
  const std::string folder = std::filesystem::temp_directory_path() / ("quellor_png_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  Canvas canvas(5, 3);
  canvas.Set(0, 0, Rgb(1, 2, 3, 4));
  canvas.Set(4, 2, Rgb(255, 0, 255));
  artgen::WritePng(folder + "/a.png", canvas);
  artgen::WritePng(folder + "/b.png", canvas);
  std::optional<Canvas> back = sampletest::DecodeFile(folder + "/a.png");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Width(), 5);
  EXPECT_EQ(back->Pixels(), canvas.Pixels());
  EXPECT_EQ(sampletest::ReadFileBytes(folder + "/a.png"), sampletest::ReadFileBytes(folder + "/b.png"));
  EXPECT_THROW(artgen::WritePng(folder + "/missing/c.png", canvas), std::runtime_error);
  std::filesystem::remove_all(folder);
}

}  // namespace
