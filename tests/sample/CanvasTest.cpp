// artgen's canvas: compositing, the colour key, the anti-aliased shapes painted on it and
// its PNG form. Faults here would show as fringes, holes, shifted or lopsided shapes in
// every picture, or pictures that differ from build to build.
#include <gtest/gtest.h>

#include <numeric>
#include <stdexcept>

#include "tests/support/PictureWriters.h"
#include "tests/support/TempFolder.h"
#include "tools/artgen/Canvas.h"
#include "tools/artgen/PngFile.h"
#include "tools/artgen/Shapes.h"

namespace {

using artgen::Canvas;
using artgen::Rgb;

float Coverage(const Canvas& canvas) {
  return std::accumulate(canvas.Pixels().begin(), canvas.Pixels().end(), 0.0f,
                         [](float sum, artgen::Colour c) { return sum + c.a / 255.0f; });
}

TEST(ArtgenShapes, ShapesCoverTheirAreasInEitherWindingWithEdgesOnPixelBoundaries) {
  const auto paint = artgen::Solid(Rgb(255, 0, 0));
  Canvas rect(40, 30);
  artgen::FillRoundedRect(rect, artgen::Box{5, 5, 35, 25}, 6, paint);
  // Outside the corner's arc; the straight edge lies on the pixel boundary.
  EXPECT_EQ(std::vector({rect.At(5, 5).a, rect.At(5, 15).a, rect.At(4, 15).a}), std::vector<std::uint8_t>({0, 255, 0}));
  EXPECT_NEAR(Coverage(rect), 30 * 20 - (4 - 3.14159f) * 36, 3.0f);  // corners take (4 - pi) r^2

  Canvas ring(64, 64), clockwise(32, 32), counter(32, 32), half(8, 20);
  artgen::StrokeCircle(ring, 32, 32, 20, 4, paint);
  EXPECT_NEAR(Coverage(ring), 3.14159f * (22 * 22 - 18 * 18), 4.0f);
  artgen::FillConvexPolygon(clockwise, {{4, 4}, {28, 4}, {16, 28}}, paint);
  artgen::FillConvexPolygon(counter, {{16, 28}, {28, 4}, {4, 4}}, paint);
  EXPECT_EQ(clockwise.Pixels(), counter.Pixels());
  EXPECT_NEAR(Coverage(clockwise), 24 * 24 / 2.0f, 2.0f);
  // A curve through a pixel's middle half covers it.
  artgen::FillBelowCurve(half, [](float) { return 10.5f; }, paint);
  EXPECT_EQ(std::vector({half.At(3, 9).a, half.At(3, 10).a, half.At(3, 11).a}),
            std::vector<std::uint8_t>({0, 128, 255}));
}

TEST(ArtgenCanvas, BlendComposesSourceOverWithStraightAlphaAndTheKeyLeavesNoFringe) {
  Canvas canvas(3, 1, Rgb(0, 0, 0));
  canvas.Blend(0, 0, Rgb(255, 255, 255), 0.5f);
  canvas.Blend(1, 0, Rgb(255, 255, 255, 128), 1.0f);
  canvas.Blend(-1, 0, Rgb(1, 2, 3), 1.0f);  // shapes may run over the edges
  canvas.Blend(3, 0, Rgb(1, 2, 3), 1.0f);
  EXPECT_EQ(canvas.Pixels(), (std::vector{Rgb(128, 128, 128), Rgb(128, 128, 128), Rgb(0, 0, 0)}));
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
  EXPECT_TRUE(flat.At(2, 0) != artgen::kColourKey && flat.At(2, 0).a == 255);
}

TEST(ArtgenPng, WritesExactPixelsAndTheSameBytesEveryTimeAndFailsLoudly) {
  testsupport::TempFolder folder("quellor-png");
  Canvas canvas(5, 3);
  canvas.Set(0, 0, Rgb(1, 2, 3, 4));
  canvas.Set(4, 2, Rgb(255, 0, 255));
  artgen::WritePng(folder.File("a.png"), canvas);
  artgen::WritePng(folder.File("b.png"), canvas);
  const auto back = pictures_test::Decode(testsupport::ReadBytes(folder.File("a.png")));
  ASSERT_TRUE(back && back->width == 5);
  std::vector<std::uint32_t> argb(15);
  argb[0] = 0x04010203, argb[14] = 0xFFFF00FF;
  EXPECT_EQ(back->argb, argb);
  EXPECT_EQ(testsupport::ReadBytes(folder.File("a.png")), testsupport::ReadBytes(folder.File("b.png")));
  EXPECT_THROW(artgen::WritePng(folder.File("missing/c.png"), canvas), std::runtime_error);
}

}  // namespace
