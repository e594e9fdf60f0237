// The pictures against the scenes that draw over them: black texts need light ground
// where they fall, keyed pictures need exact magenta round them and none inside, and
// the full-screen pictures must cover the window.
#include <gtest/gtest.h>

#include "tools/artgen/Pictures.h"
#include "tools/artgen/Shapes.h"

namespace {

using artgen::Box;
using artgen::Canvas;

const artgen::FontFiles kFonts{QUELLOR_FONT_REGULAR, QUELLOR_FONT_BOLD};

int Luminance(artgen::Colour c) { return (299 * c.r + 587 * c.g + 114 * c.b) / 1000; }

// The darkest pixel inside the box (x0, y0 inclusive; x1, y1 exclusive).
int DarkestIn(const Canvas& picture, Box box) {
  int darkest = 255;
  for (int y = int(box.y0); y < int(box.y1); ++y)
    for (int x = int(box.x0); x < int(box.x1); ++x) darkest = std::min(darkest, Luminance(picture.At(x, y)));
  return darkest;
}

// Opaque everywhere; the colour key only round the edge of a keyed picture, and nothing
// pinkish there that would survive the key as a visible fringe.
void ExpectClean(const Canvas& picture, bool keyed) {
  int keys = 0;
  for (const auto& c : picture.Pixels()) {
    ASSERT_EQ(c.a, 255);
    keys += c == artgen::kColourKey;
    ASSERT_FALSE(keyed && c != artgen::kColourKey && c.r > 160 && c.b > 160 && c.g < 60);
  }
  EXPECT_EQ(keys > 0, keyed);
  EXPECT_EQ(picture.At(0, 0) == artgen::kColourKey, keyed);
  EXPECT_NE(picture.At(picture.Width() / 2, picture.Height() / 2), artgen::kColourKey);
  EXPECT_TRUE(keyed ? picture.Width() <= 640 && picture.Height() <= 480
                    : picture.Width() == 640 && picture.Height() == 480);
}

TEST(SamplePictures, FullScreenPicturesAreLightWhereverTheScenesWrite) {
  const std::pair<Canvas, std::vector<Box>> cases[] = {  // the picture, where black texts fall on it
      // Path, install, uninstall and confirm scenes: texts from y 100 to 410.
      {artgen::DrawBackground(kFonts), {Box{24, 96, 616, 420}}},
      // Menu: four buttons and the device line (over sky, a little darker).
      {artgen::DrawGamePicture(kFonts), {{310, 240, 610, 270}, {310, 320, 610, 350}, {310, 360, 610, 390},
                                         {310, 400, 610, 430}}},
      // Info: its two buttons, 640 x 30 at y 380 and 440, texts centred.
      {artgen::DrawInfoPage(kFonts), {{24, 380, 616, 410}, {24, 440, 616, 470}}},
  };
  for (const auto& [picture, written] : cases) {
    ExpectClean(picture, false);
    for (Box box : written) EXPECT_GE(DarkestIn(picture, box), 200) << box.x0 << "," << box.y0;
  }
  EXPECT_GE(DarkestIn(cases[1].first, Box{5, 5, 505, 30}), 170) << "the menu's device line";
}

TEST(SamplePictures, SplashPicturesAreKeyedAndIconsRoundedSquaresOfTheirSize) {
  ExpectClean(artgen::DrawMakerSplash(kFonts), true);
  ExpectClean(artgen::DrawInstallerSplash(kFonts), true);
  for (int size : {32, 16}) {
    Canvas icon = artgen::DrawIcon(kFonts, size);
    ASSERT_EQ(std::pair(icon.Width(), icon.Height()), std::pair(size, size));
    EXPECT_TRUE(icon.At(0, 0).a == 0 && icon.At(size / 2, 1).a == 255) << size;  // rounded corners
    int lightest = 0;  // the letter is there: some pixels much lighter than the blue ground
    for (const auto& c : icon.Pixels()) lightest = std::max(lightest, Luminance(c));
    EXPECT_GT(lightest, 220) << size;
  }
}

}  // namespace
