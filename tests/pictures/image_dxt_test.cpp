// DXT1, DXT3 and DXT5 blocks decode as the formats define them; a surface crops its
// edge blocks.
#include <gtest/gtest.h>

#include "platform/d3dx9/image_dxt.h"
#include "tests/support/PictureWriters.h"

namespace pictures_test {
namespace {

using layer::image::BlockFormat;

// The first `count` pixels of the block.
Pixels DecodeBlock(BlockFormat format, const Bytes& block, std::size_t count = 4) {
  Pixels pixels(16);
  layer::image::DecodeBlock(format, block.data(), pixels.data());
  return Pixels(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(count));
}

// A colour half: end points c0, c1 (5:6:5), the pixels using the indexes 0 1 2 3 in turn.
Bytes ColourHalf(std::uint16_t c0, std::uint16_t c1) { return ByteWriter().U16(c0).U16(c1).U32(0xE4E4E4E4).bytes; }

TEST(DxtBlocks, ColourModesAlphaEncodingsAndCroppedEdgeBlocks) {
  // DXT1: c0 > c1 gives four colours, else three and transparent black.
  EXPECT_EQ(DecodeBlock(BlockFormat::Dxt1, ColourHalf(0xF800, 0x001F)), (Pixels{0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA}));
  EXPECT_EQ(DecodeBlock(BlockFormat::Dxt1, ColourHalf(0x001F, 0xF800)), (Pixels{0xFF0000FF, 0xFFFF0000, 0xFF800080, 0}));
  // DXT3: explicit 4-bit alpha (pixel i has i), and always four colours (here index 3).
  ByteWriter dxt3;
  for (int k = 0; k < 8; ++k) dxt3.U8(2 * k | (2 * k + 1) << 4);
  Pixels explicitAlpha = DecodeBlock(BlockFormat::Dxt3, dxt3.U16(0).U16(0xFFFF).U32(0xFFFFFFFF).bytes, 16);
  for (std::uint32_t i = 0; i < 16; ++i) EXPECT_EQ(explicitAlpha[i], (i * 17) << 24 | 0xAAAAAAu) << i;
  // DXT5: a0 > a1 interpolates eight alphas, else six plus 0 and 255. Pixel i has index i % 8.
  std::uint64_t indexes = 0;
  for (int i = 0; i < 16; ++i) indexes |= std::uint64_t(i % 8) << (3 * i);
  for (auto [a0, a1, want] : {std::tuple(255, 0, Pixels{255, 0, 219, 182, 146, 109, 73, 36}),
                              std::tuple(0, 255, Pixels{0, 255, 51, 102, 153, 204, 0, 255})}) {
    ByteWriter block;
    block.U8(a0).U8(a1).U16(std::uint32_t(indexes)).U32(std::uint32_t(indexes >> 16)).Append(ColourHalf(0xFFFF, 0xFFFF));
    EXPECT_EQ(Channels(DecodeBlock(BlockFormat::Dxt5, block.bytes, 8), {24}), want) << a0;
  }
  // 5x5 is 2x2 solid blocks (index 0 everywhere), cropped at the right and bottom.
  const std::uint32_t opaque[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
  ByteWriter data;
  for (std::uint16_t c : {0xF800, 0x07E0, 0x001F, 0xFFFF}) data.U16(c).U16(0).U32(0);
  Pixels want;
  for (std::uint32_t i = 0; i < 25; ++i) want.push_back(opaque[(i / 5 / 4) * 2 + i % 5 / 4]);
  EXPECT_EQ(PixelsOf(WriteDds(5, 5, {.fourCc = "DXT1"}, data.bytes)), want);
}

}  // namespace
}  // namespace pictures_test
