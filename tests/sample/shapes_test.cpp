// artgen's anti-aliased shapes: each must cover its own area, whatever its winding, with
// edges on the pixel boundaries. Faults would show as shifted or lopsided art.
#include <gtest/gtest.h>

#include <numeric>

#include "tools/artgen/Canvas.h"
#include "tools/artgen/Shapes.h"

namespace {

using artgen::Canvas;
using artgen::Rgb;

float Coverage(const Canvas& canvas) {
  return std::accumulate(canvas.Pixels().begin(), canvas.Pixels().end(), 0.0f,
                         [](float sum, artgen::Colour c) { return sum + c.a / 255.0f; });
}

TEST(ArtgenShapes, ShapesAreSymmetricAndCoverTheirAreasInEitherWinding) {
  const auto paint = artgen::Solid(Rgb(255, 0, 0));
  Canvas rect(40, 30);
  artgen::FillRoundedRect(rect, artgen::Box{5, 5, 35, 25}, 6, paint);
  // Outside the corner's arc; the straight edge lies on the pixel boundary.
  EXPECT_EQ(std::vector({rect.At(5, 5).a, rect.At(5, 15).a, rect.At(4, 15).a}), std::vector<std::uint8_t>({0, 255, 0}));
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) ASSERT_EQ(rect.At(x, y).a, rect.At(39 - x, 29 - y).a) << x << "," << y;
  }
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

}  // namespace
