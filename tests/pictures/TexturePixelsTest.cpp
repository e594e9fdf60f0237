// What a texture is made from: the picture's pixels, colour-keyed, at the asked size.
#include <gtest/gtest.h>

#include "platform/d3d9/image_texture.h"
#include "tests/pictures/PictureChecks.h"

namespace pictures_test {
namespace {

constexpr D3DCOLOR kMagenta = 0xFFFF00FF;

HRESULT Prepare(const Bytes& file, UINT width, UINT height, D3DCOLOR key, layer::DecodedImage& out,
                D3DXIMAGE_INFO* info = nullptr) {
  return layer::PrepareTexturePixels(file.data(), file.size(), width, height, key, info, out);
}

TEST(TexturePixels, ColourKeyClearsExactlyTheOpaqueKeyColour) {
  // Opaque magenta, magenta at half alpha, and near-magenta.
  Pixels pixels = {kMagenta, 0x80FF00FF, 0xFFFF01FF, 0xFF000000};
  Bytes png = WritePngRgba(4, 1, pixels);
  layer::DecodedImage out;
  ASSERT_EQ(Prepare(png, D3DX_DEFAULT, D3DX_DEFAULT, kMagenta, out), D3D_OK);
  EXPECT_EQ(out.argb, (Pixels{0x00000000, 0x80FF00FF, 0xFFFF01FF, 0xFF000000}));
  ASSERT_EQ(Prepare(png, 0, 0, 0, out), D3D_OK);
  EXPECT_EQ(out.argb, pixels) << "key 0 keys nothing";
  ASSERT_EQ(Prepare(png, 0, 0, 0xFF000000, out), D3D_OK);
  EXPECT_EQ(out.argb.back(), 0u) << "any colour can be the key";

  // Formats without alpha decode opaque, so their magenta is keyed too.
  Bytes bmp = WriteBmp(kWidth, kHeight, SamplePixels(), 24);
  ASSERT_EQ(Prepare(bmp, 0, 0, kMagenta, out), D3D_OK);
  EXPECT_EQ(out.argb[6], 0u);
  EXPECT_EQ(out.argb[5], 0xFFFF8000u);
}

TEST(TexturePixels, OwnSizeUnlessAnotherIsAskedThenNearestScaling) {
  Pixels pixels = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004, 0xFF000005, 0xFF000006};  // 3 x 2
  Bytes png = WritePngRgba(3, 2, pixels);
  layer::DecodedImage out;
  D3DXIMAGE_INFO info{};
  for (UINT side : {D3DX_DEFAULT, 0u}) {
    ASSERT_EQ(Prepare(png, side, side, 0, out, &info), D3D_OK);
    EXPECT_EQ(out.width, 3u);
    EXPECT_EQ(out.height, 2u);
    EXPECT_EQ(out.argb, pixels);
  }
  EXPECT_EQ(info.Width, 3u);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);
  ASSERT_EQ(Prepare(png, 3, 2, 0, out), D3D_OK);
  EXPECT_EQ(out.argb, pixels);

  // Each target pixel takes the source pixel under its centre.
  auto opaque = [](std::initializer_list<std::uint32_t> ids) {
    Pixels p;
    for (std::uint32_t id : ids) p.push_back(0xFF000000u | id);
    return p;
  };
  ASSERT_EQ(Prepare(png, 6, 4, 0, out), D3D_OK);
  EXPECT_EQ(out.argb, opaque({1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 4, 4, 5, 5, 6, 6}));
  ASSERT_EQ(Prepare(png, 2, 1, 0, out), D3D_OK);
  EXPECT_EQ(out.argb, opaque({4, 6})) << "centres on the lower row, then the middle and last columns";
  ASSERT_EQ(Prepare(png, 1, D3DX_DEFAULT, 0, out), D3D_OK);
  EXPECT_EQ(out.argb, opaque({2, 5})) << "one side asked, the other the picture's own";
}

}  // namespace
}  // namespace pictures_test
