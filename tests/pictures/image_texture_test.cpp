// The pixels a texture is made from: the picture colour-keyed, at its own size or
// scaled to the asked one.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/d3dx9/image_texture.h"
#include "tests/support/PictureWriters.h"

namespace pictures_test {
namespace {

constexpr D3DCOLOR kMagenta = 0xFFFF00FF;

Pixels Prepared(const Bytes& file, UINT width, UINT height, D3DCOLOR key) {
  layer::DecodedImage out;
  EXPECT_EQ(layer::PrepareTexturePixels(file.data(), file.size(), width, height, key, nullptr, out), D3D_OK);
  return out.argb;
}

TEST(TexturePixels, ColourKeyClearsExactlyTheOpaqueKeyColourAndScalingTakesTheNearestPixel) {
  // Opaque magenta, magenta at half alpha, and near-magenta.
  const Pixels keyed = {kMagenta, 0x80FF00FF, 0xFFFF01FF, 0xFF000000};
  const Bytes png = WritePngRgba(4, 1, keyed);
  EXPECT_EQ(Prepared(png, D3DX_DEFAULT, D3DX_DEFAULT, kMagenta), (Pixels{0, 0x80FF00FF, 0xFFFF01FF, 0xFF000000}));
  EXPECT_EQ(Prepared(png, 0, 0, 0), keyed) << "key 0 keys nothing";
  EXPECT_EQ(Prepared(png, 0, 0, 0xFF000000).back(), 0u) << "any colour can be the key";
  // Formats without alpha decode opaque, so their magenta is keyed too.
  const Pixels bmp = Prepared(WriteBmp(kWidth, kHeight, SamplePixels(), 24), 0, 0, kMagenta);
  EXPECT_EQ(std::tuple(bmp[5], bmp[6]), std::tuple(0xFFFF8000u, 0u));

  // Each target pixel of a 3 x 2 picture takes the source pixel under its centre.
  const Bytes ids = WritePngRgba(3, 2, Opaque({1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Prepared(ids, 6, 4, 0), Opaque({1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 4, 4, 5, 5, 6, 6}));
  EXPECT_EQ(Prepared(ids, 2, 1, 0), Opaque({4, 6})) << "centres on the lower row, then the middle and last columns";
  EXPECT_EQ(Prepared(ids, 1, D3DX_DEFAULT, 0), Opaque({2, 5})) << "one side asked, the other the picture's own";
}

}  // namespace
}  // namespace pictures_test
