// artgen's canvas: compositing, the colour key and PNG output. Faults here would show
// as fringes or holes round every picture, or pictures that differ from build to build.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/sample/SampleKit.h"
#include "tests/support/TempFolder.h"
#include "tools/artgen/Canvas.h"
#include "tools/artgen/PngFile.h"

namespace {

using artgen::Canvas;
using artgen::Rgb;

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
  std::optional<Canvas> back = sampletest::Decode(sampletest::ReadFileBytes(folder.File("a.png")));
  ASSERT_TRUE(back && back->Width() == 5);
  EXPECT_EQ(back->Pixels(), canvas.Pixels());
  EXPECT_EQ(sampletest::ReadFileBytes(folder.File("a.png")), sampletest::ReadFileBytes(folder.File("b.png")));
  EXPECT_THROW(artgen::WritePng(folder.File("missing/c.png"), canvas), std::runtime_error);
}

}  // namespace
