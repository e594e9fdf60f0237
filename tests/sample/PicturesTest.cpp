// The pictures against the scenes that draw over them: black texts need light ground
// where they fall, keyed pictures need exact magenta round them and none inside, and
// the full-screen pictures must cover the window.
#include <gtest/gtest.h>

#include "tests/sample/PngTestFile.h"
#include "tools/artgen/Canvas.h"
#include "tools/artgen/Pictures.h"
#include "tools/artgen/Shapes.h"

namespace {

using artgen::Box;
using artgen::Canvas;

const artgen::FontFiles kFonts{QUELLOR_FONT_REGULAR, QUELLOR_FONT_BOLD};

// The darkest pixel inside the box (x0, y0 inclusive; x1, y1 exclusive).
int DarkestIn(const Canvas& picture, Box box) {
  int darkest = 255;
  for (int y = static_cast<int>(box.y0); y < static_cast<int>(box.y1); ++y)
    for (int x = static_cast<int>(box.x0); x < static_cast<int>(box.x1); ++x)
      darkest = std::min(darkest, sampletest::Luminance(picture.At(x, y)));
  return darkest;
}

void ExpectFullScreenOpaqueWithoutKey(const Canvas& picture) {
  ASSERT_EQ(picture.Width(), 640);
  ASSERT_EQ(picture.Height(), 480);
  for (const auto& c : picture.Pixels()) {
    ASSERT_EQ(c.a, 255);
    ASSERT_NE(c, artgen::kColourKey);
  }
}

// Magenta round the edge, shown over the black window; nothing pinkish that would
// survive the key as a visible fringe.
void ExpectKeyedCleanly(const Canvas& picture) {
  EXPECT_EQ(picture.At(0, 0), artgen::kColourKey);
  EXPECT_EQ(picture.At(picture.Width() - 1, picture.Height() - 1), artgen::kColourKey);
  EXPECT_NE(picture.At(picture.Width() / 2, picture.Height() / 2), artgen::kColourKey);
  int keyed = 0;
  for (const auto& c : picture.Pixels()) {
    ASSERT_EQ(c.a, 255);
    if (c == artgen::kColourKey) {
      ++keyed;
      continue;
    }
    bool pinkish = c.r > 160 && c.b > 160 && c.g < 60;
    ASSERT_FALSE(pinkish) << int(c.r) << "," << int(c.g) << "," << int(c.b);
  }
  EXPECT_GT(keyed, 0);
}

TEST(SamplePictures, BackgroundIsLightWhereverTheScenesWrite) {
  Canvas back = artgen::DrawBackground(kFonts);
  ExpectFullScreenOpaqueWithoutKey(back);
  // Texts of the path, install, uninstall and confirm scenes run from y 100 to 410,
  // centred across the window; black on this must stay plainly legible.
  EXPECT_GE(DarkestIn(back, Box{24, 96, 616, 420}), 200);
}

TEST(SamplePictures, GamePictureLeavesTheMenuLegible) {
  Canvas game = artgen::DrawGamePicture(kFonts);
  ExpectFullScreenOpaqueWithoutKey(game);
  for (float y : {240.0f, 320.0f, 360.0f, 400.0f}) {
    EXPECT_GE(DarkestIn(game, Box{310, y, 610, y + 30}), 200) << "menu button at y " << y;
  }
  EXPECT_GE(DarkestIn(game, Box{5, 5, 505, 30}), 170) << "device line";
  // The picture is not one flat colour: the splash shows it alone.
  EXPECT_LT(DarkestIn(game, Box{0, 0, 640, 480}), 100);
}

TEST(SamplePictures, InfoPageKeepsItsButtonRowsPlain) {
  Canvas info = artgen::DrawInfoPage(kFonts);
  ExpectFullScreenOpaqueWithoutKey(info);
  EXPECT_GE(DarkestIn(info, Box{24, 380, 616, 410}), 200);
  EXPECT_GE(DarkestIn(info, Box{24, 440, 616, 458}), 200);
  EXPECT_LT(DarkestIn(info, Box{0, 140, 640, 330}), 80) << "the page's own text";
}

TEST(SamplePictures, SplashPicturesAreKeyedAndFitTheWindow) {
  for (const Canvas& splash : {artgen::DrawMakerSplash(kFonts), artgen::DrawInstallerSplash(kFonts)}) {
    EXPECT_LE(splash.Width(), 640);
    EXPECT_LE(splash.Height(), 480);
    ExpectKeyedCleanly(splash);
  }
}

TEST(SamplePictures, IconsAreRoundedSquaresOfTheirSize) {
  for (int size : {32, 16}) {
    Canvas icon = artgen::DrawIcon(kFonts, size);
    ASSERT_EQ(icon.Width(), size);
    ASSERT_EQ(icon.Height(), size);
    EXPECT_EQ(icon.At(0, 0).a, 0) << size;
    EXPECT_EQ(icon.At(size - 1, size - 1).a, 0) << size;
    EXPECT_EQ(icon.At(size / 2, 1).a, 255) << size;
    // The letter is there: some pixels are much lighter than the blue ground.
    int lightest = 0;
    for (const auto& c : icon.Pixels()) lightest = std::max(lightest, sampletest::Luminance(c));
    EXPECT_GT(lightest, 220) << size;
  }
}

}  // namespace
