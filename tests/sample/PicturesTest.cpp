// The pictures against the scenes that draw over them: black texts need light ground
// where they fall, keyed pictures need exact magenta round them and none inside, and
// the full-screen pictures must cover the window.
#include <gtest/gtest.h>

#include "tests/sample/SampleKit.h"
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

// Opaque everywhere; the colour key only where `keyed` allows it (round the edge of a
// keyed picture), and nothing pinkish that would survive the key as a visible fringe.
void ExpectClean(const Canvas& picture, bool keyed) {
  int keys = 0;
  for (const auto& c : picture.Pixels()) {
    ASSERT_EQ(c.a, 255);
    keys += c == artgen::kColourKey;
    const bool pinkish = c != artgen::kColourKey && c.r > 160 && c.b > 160 && c.g < 60;
    ASSERT_FALSE(keyed && pinkish) << int(c.r) << "," << int(c.g) << "," << int(c.b);
  }
  EXPECT_EQ(keys > 0, keyed);
  EXPECT_EQ(picture.At(0, 0) == artgen::kColourKey, keyed);
  EXPECT_NE(picture.At(picture.Width() / 2, picture.Height() / 2), artgen::kColourKey);
  EXPECT_LE(picture.Width(), 640);
  EXPECT_LE(picture.Height(), 480);
  EXPECT_TRUE(keyed || (picture.Width() == 640 && picture.Height() == 480));
}

TEST(SamplePictures, FullScreenPicturesAreLightWhereverTheScenesWrite) {
  Canvas back = artgen::DrawBackground(kFonts);
  ExpectClean(back, false);
  // Texts of the path, install, uninstall and confirm scenes run from y 100 to 410.
  EXPECT_GE(DarkestIn(back, Box{24, 96, 616, 420}), 200);

  Canvas game = artgen::DrawGamePicture(kFonts);
  ExpectClean(game, false);
  for (float y : {240.0f, 320.0f, 360.0f, 400.0f}) {
    EXPECT_GE(DarkestIn(game, Box{310, y, 610, y + 30}), 200) << "menu button at y " << y;
  }
  EXPECT_GE(DarkestIn(game, Box{5, 5, 505, 30}), 170) << "device line";
  EXPECT_LT(DarkestIn(game, Box{0, 0, 640, 480}), 100) << "the splash shows it alone: not one flat colour";

  Canvas info = artgen::DrawInfoPage(kFonts);
  ExpectClean(info, false);
  EXPECT_GE(DarkestIn(info, Box{24, 380, 616, 410}), 200);
  EXPECT_GE(DarkestIn(info, Box{24, 440, 616, 458}), 200);
  EXPECT_LT(DarkestIn(info, Box{0, 140, 640, 330}), 80) << "the page's own text";
}

TEST(SamplePictures, SplashPicturesAreKeyedAndIconsRoundedSquaresOfTheirSize) {
  for (const Canvas& splash : {artgen::DrawMakerSplash(kFonts), artgen::DrawInstallerSplash(kFonts)}) {
    ExpectClean(splash, true);
  }
  for (int size : {32, 16}) {
    Canvas icon = artgen::DrawIcon(kFonts, size);
    ASSERT_EQ(icon.Width(), size);
    ASSERT_EQ(icon.Height(), size);
    EXPECT_EQ(icon.At(0, 0).a, 0) << size;
    EXPECT_EQ(icon.At(size / 2, 1).a, 255) << size;
    int lightest = 0;  // the letter is there: some pixels much lighter than the blue ground
    for (const auto& c : icon.Pixels()) lightest = std::max(lightest, sampletest::Luminance(c));
    EXPECT_GT(lightest, 220) << size;
  }
}

}  // namespace
