// The DXT block decoder: colour modes, both alpha encodings, and surfaces whose size
// is not a multiple of the block.
#include <gtest/gtest.h>

#include "platform/d3d9/image_dxt.h"
#include "tests/pictures/PictureChecks.h"

namespace pictures_test {
namespace {

using layer::image::BlockFormat;

Pixels DecodeOne(BlockFormat format, const Bytes& block) {
  Pixels pixels(16);
  layer::image::DecodeBlock(format, block.data(), pixels.data());
  return pixels;
}

// A colour half: end points c0, c1 (5:6:5) and every pixel using index i % 4.
Bytes ColourHalf(std::uint16_t c0, std::uint16_t c1) {
  return {std::uint8_t(c0), std::uint8_t(c0 >> 8), std::uint8_t(c1), std::uint8_t(c1 >> 8), 0xE4, 0xE4, 0xE4, 0xE4};
}

TEST(DxtBlocks, Dxt1ChoosesFourColoursOrThreeAndTransparentByEndPointOrder) {
  Pixels four = DecodeOne(BlockFormat::Dxt1, ColourHalf(0xF800, 0x001F));
  EXPECT_EQ(Pixels(four.begin(), four.begin() + 4), (Pixels{0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA}));
  Pixels three = DecodeOne(BlockFormat::Dxt1, ColourHalf(0x001F, 0xF800));
  EXPECT_EQ(Pixels(three.begin(), three.begin() + 4), (Pixels{0xFF0000FF, 0xFFFF0000, 0xFF800080, 0x00000000}));
  EXPECT_EQ(three[15], 0x00000000u);
}

TEST(DxtBlocks, Dxt3ExplicitAlphaAndAlwaysFourColours) {
  Bytes block;
  for (int k = 0; k < 8; ++k) block.push_back(std::uint8_t(2 * k | (2 * k + 1) << 4));
  Bytes colour = {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};  // black, white, every index 3
  block.insert(block.end(), colour.begin(), colour.end());
  Pixels pixels = DecodeOne(BlockFormat::Dxt3, block);
  for (std::uint32_t i = 0; i < 16; ++i) EXPECT_EQ(pixels[i], (i * 17) << 24 | 0xAAAAAAu) << i;
}

TEST(DxtBlocks, Dxt5AlphaInterpolatesEightOrSixWithExtremes) {
  auto block = [](std::uint8_t a0, std::uint8_t a1) {
    std::uint64_t indexes = 0;
    for (int i = 0; i < 16; ++i) indexes |= std::uint64_t(i % 8) << (3 * i);
    Bytes b = {a0, a1};
    for (int i = 0; i < 6; ++i) b.push_back(std::uint8_t(indexes >> (8 * i)));
    Bytes colour = ColourHalf(0xFFFF, 0xFFFF);
    b.insert(b.end(), colour.begin(), colour.end());
    return b;
  };
  auto alphas = [](const Pixels& pixels) {
    std::vector<std::uint32_t> a;
    for (int i = 0; i < 8; ++i) a.push_back(pixels[i] >> 24);
    return a;
  };
  EXPECT_EQ(alphas(DecodeOne(BlockFormat::Dxt5, block(255, 0))),
            (std::vector<std::uint32_t>{255, 0, 219, 182, 146, 109, 73, 36}));
  EXPECT_EQ(alphas(DecodeOne(BlockFormat::Dxt5, block(0, 255))),
            (std::vector<std::uint32_t>{0, 255, 51, 102, 153, 204, 0, 255}));
}

TEST(DxtBlocks, PartialEdgeBlocksAreCroppedInSurfacesAndDdsFiles) {
  // 5x5 is 2x2 blocks, each one solid colour (index 0 everywhere).
  std::uint16_t colours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  Bytes data;
  for (std::uint16_t c : colours) {
    Bytes b = {std::uint8_t(c), std::uint8_t(c >> 8), 0, 0, 0, 0, 0, 0};
    data.insert(data.end(), b.begin(), b.end());
  }
  Pixels want;
  for (std::uint32_t y = 0; y < 5; ++y) {
    for (std::uint32_t x = 0; x < 5; ++x) {
      const std::uint32_t opaque[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
      want.push_back(opaque[(y / 4) * 2 + x / 4]);
    }
  }
  Pixels surface(25);
  layer::image::DecodeSurface(BlockFormat::Dxt1, data.data(), 5, 5, surface.data());
  EXPECT_EQ(surface, want);
  EXPECT_EQ(PixelsOf(WriteDds(5, 5, {.fourCc = "DXT1"}, data)), want);
}

}  // namespace
}  // namespace pictures_test
