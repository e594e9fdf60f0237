// artgen's drawing: compositing, the colour key, anti-aliased shapes, text and PNG
// output. Faults here would show as fringes, holes or shifted art in every picture.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>

#include "tests/sample/PngTestFile.h"
#include "tools/artgen/Canvas.h"
#include "tools/artgen/FontFace.h"
#include "tools/artgen/PngFile.h"
#include "tools/artgen/Shapes.h"
#include "tools/artgen/Text.h"

namespace {

using artgen::Box;
using artgen::Canvas;
using artgen::Colour;
using artgen::Rgb;

float TotalCoverage(const Canvas& canvas) {
  float sum = 0;
  for (const Colour& c : canvas.Pixels()) sum += c.a / 255.0f;
  return sum;
}

TEST(ArtgenCanvas, BlendComposesSourceOverWithStraightAlpha) {
  Canvas canvas(4, 1, Rgb(0, 0, 0));
  canvas.Blend(0, 0, Rgb(255, 255, 255), 1.0f);
  canvas.Blend(1, 0, Rgb(255, 255, 255), 0.0f);
  canvas.Blend(2, 0, Rgb(255, 255, 255), 0.5f);
  canvas.Blend(3, 0, Rgb(255, 255, 255, 128), 1.0f);
  EXPECT_EQ(canvas.At(0, 0), Rgb(255, 255, 255));
  EXPECT_EQ(canvas.At(1, 0), Rgb(0, 0, 0));
  EXPECT_EQ(canvas.At(2, 0), Rgb(128, 128, 128));
  EXPECT_EQ(canvas.At(3, 0), Rgb(128, 128, 128));

  // Over nothing, the colour keeps its own channels and only the alpha is partial.
  Canvas clear(1, 1);
  clear.Blend(0, 0, Rgb(200, 100, 50), 0.25f);
  EXPECT_EQ(clear.At(0, 0), Rgb(200, 100, 50, 64));
  clear.Blend(0, 0, Rgb(200, 100, 50), 1.0f);
  EXPECT_EQ(clear.At(0, 0), Rgb(200, 100, 50));

  // Shapes may run over the edges: pixels outside are ignored.
  canvas.Blend(-1, 0, Rgb(1, 2, 3), 1.0f);
  canvas.Blend(4, 0, Rgb(1, 2, 3), 1.0f);
  canvas.Blend(0, 1, Rgb(1, 2, 3), 1.0f);
  EXPECT_EQ(canvas.At(0, 0), Rgb(255, 255, 255));
}

TEST(ArtgenCanvas, ColourKeyFlatteningLeavesNoFringeAndKeepsDrawnMagentaVisible) {
  Canvas picture(4, 1);
  picture.Set(1, 0, Rgb(255, 255, 255, 128));  // a soft edge
  picture.Set(2, 0, Rgb(255, 0, 255));         // drawn, not meant to vanish
  picture.Set(3, 0, Rgb(10, 200, 30));
  Canvas flat = artgen::FlattenForColourKey(picture, Rgb(0, 0, 0));
  EXPECT_EQ(flat.At(0, 0), artgen::kColourKey);
  EXPECT_EQ(flat.At(1, 0), Rgb(128, 128, 128));  // blended with the window's black, not pink
  EXPECT_NE(flat.At(2, 0), artgen::kColourKey);
  EXPECT_EQ(flat.At(2, 0).a, 255);
  EXPECT_EQ(flat.At(3, 0), Rgb(10, 200, 30));

  Canvas opaque(2, 1, artgen::kColourKey);
  opaque.Set(1, 0, Rgb(1, 2, 3));
  artgen::AvoidColourKey(opaque);
  EXPECT_NE(opaque.At(0, 0), artgen::kColourKey);
  EXPECT_EQ(opaque.At(1, 0), Rgb(1, 2, 3));
}

TEST(ArtgenShapes, RoundedRectangleIsSymmetricSoftEdgedAndCutAtTheCorners) {
  Canvas canvas(40, 30);
  artgen::FillRoundedRect(canvas, Box{5, 5, 35, 25}, 6, artgen::Solid(Rgb(255, 0, 0)));
  EXPECT_EQ(canvas.At(20, 15).a, 255);
  EXPECT_EQ(canvas.At(5, 5).a, 0);      // outside the corner's arc
  EXPECT_EQ(canvas.At(5, 15).a, 255);   // the straight edge lies on the pixel boundary
  EXPECT_EQ(canvas.At(4, 15).a, 0);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      ASSERT_EQ(canvas.At(x, y).a, canvas.At(39 - x, y).a) << x << "," << y;
      ASSERT_EQ(canvas.At(x, y).a, canvas.At(x, 29 - y).a) << x << "," << y;
    }
  }
  // A corner of radius r removes (4 - pi) r^2 of the 30 x 20 box.
  float expected = 30 * 20 - (4 - 3.14159f) * 36;
  EXPECT_NEAR(TotalCoverage(canvas), expected, 3.0f);
}

TEST(ArtgenShapes, DiscsRingsPolygonsAndCurvesCoverTheirAreas) {
  Canvas disc(64, 64), ring(64, 64);
  artgen::FillCircle(disc, 32, 32, 20, artgen::Solid(Rgb(0, 0, 255)));
  artgen::StrokeCircle(ring, 32, 32, 20, 4, artgen::Solid(Rgb(0, 0, 255)));
  EXPECT_NEAR(TotalCoverage(disc), 3.14159f * 400, 4.0f);
  EXPECT_NEAR(TotalCoverage(ring), 3.14159f * (22 * 22 - 18 * 18), 4.0f);
  EXPECT_EQ(ring.At(32, 32).a, 0);

  // Corners may come in either winding order.
  Canvas clockwise(32, 32), counter(32, 32);
  artgen::FillConvexPolygon(clockwise, {{4, 4}, {28, 4}, {16, 28}}, artgen::Solid(Rgb(0, 128, 0)));
  artgen::FillConvexPolygon(counter, {{16, 28}, {28, 4}, {4, 4}}, artgen::Solid(Rgb(0, 128, 0)));
  EXPECT_EQ(clockwise.Pixels(), counter.Pixels());
  EXPECT_NEAR(TotalCoverage(clockwise), 24 * 24 / 2.0f, 2.0f);

  // A curve on a pixel boundary gives hard rows, one through a pixel's middle half cover.
  Canvas ground(8, 20), half(8, 20);
  artgen::FillBelowCurve(ground, [](float) { return 10.0f; }, artgen::Solid(Rgb(0, 100, 0)));
  artgen::FillBelowCurve(half, [](float) { return 10.5f; }, artgen::Solid(Rgb(0, 100, 0)));
  EXPECT_EQ(ground.At(3, 9).a, 0);
  EXPECT_EQ(ground.At(3, 10).a, 255);
  EXPECT_EQ(half.At(3, 10).a, 128);

  artgen::Paint gradient = artgen::VerticalGradient(10, Rgb(0, 0, 0), 20, Rgb(200, 100, 0));
  EXPECT_EQ(gradient(0, 0), Rgb(0, 0, 0));
  EXPECT_EQ(gradient(0, 15), Rgb(100, 50, 0));
  EXPECT_EQ(gradient(0, 99), Rgb(200, 100, 0));
}

TEST(ArtgenText, MasksOutlinesAndFittingFollowTheFontsMetrics) {
  artgen::FontFace face(QUELLOR_FONT_REGULAR, 20);
  artgen::CoverageMask mask = artgen::RenderTextMask(face, U"Hello", 3);
  EXPECT_EQ(mask.width, face.Measure(U"Hello") + 6);
  EXPECT_EQ(mask.height, face.Ascender() + face.Descender() + 6);

  // The outline grows the ink by its width on every side.
  auto inkLeft = [](const artgen::CoverageMask& m) {
    for (int x = 0; x < m.width; ++x)
      for (int y = 0; y < m.height; ++y)
        if (m.At(x, y) > 0.0f) return x;
    return -1;
  };
  artgen::CoverageMask grown = artgen::Dilate(mask, 2);
  EXPECT_EQ(inkLeft(mask) - inkLeft(grown), 2);

  Canvas canvas(200, 40, Rgb(255, 255, 255));
  EXPECT_THROW(artgen::DrawCentredText(canvas, face, U"Hello", 100, 5, face.Measure(U"Hello") - 1,
                                       artgen::TextStyle{}),
               std::runtime_error);
  artgen::DrawCentredText(canvas, face, U"Hello", 100, 5, face.Measure(U"Hello"), artgen::TextStyle{});
  int darkest = 255;
  for (const Colour& c : canvas.Pixels()) darkest = std::min(darkest, static_cast<int>(c.r));
  EXPECT_EQ(darkest, 0);

  EXPECT_THROW(artgen::FontFace("/nonexistent/font.ttf", 20), std::runtime_error);
}

TEST(ArtgenPng, WritesExactPixelsAndTheSameBytesEveryTime) {
  std::string folder = sampletest::MakeScratchFolder("png");
  Canvas canvas(5, 3);
  canvas.Set(0, 0, Rgb(1, 2, 3, 4));
  canvas.Set(4, 2, Rgb(255, 0, 255));
  canvas.Set(2, 1, Rgb(255, 255, 255, 1));
  artgen::WritePng(folder + "/a.png", canvas);
  artgen::WritePng(folder + "/b.png", canvas);

  std::optional<Canvas> back = sampletest::DecodePngFile(folder + "/a.png");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Width(), 5);
  EXPECT_EQ(back->Height(), 3);
  EXPECT_EQ(back->Pixels(), canvas.Pixels());
  EXPECT_EQ(sampletest::ReadFileBytes(folder + "/a.png"), sampletest::ReadFileBytes(folder + "/b.png"));

  EXPECT_THROW(artgen::WritePng(folder + "/missing/c.png", canvas), std::runtime_error);
  std::filesystem::remove_all(folder);
}

}  // namespace
