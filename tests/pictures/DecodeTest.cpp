// Each format decodes to the pixels written into it and reports the facts D3DX does;
// DXT blocks decode as the format defines; textures are made colour-keyed and scaled.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "platform/d3dx9/image_dxt.h"
#include "platform/d3dx9/image_texture.h"
#include "tests/support/PictureWriters.h"

namespace pictures_test {
namespace {

using layer::image::BlockFormat;

constexpr D3DCOLOR kMagenta = 0xFFFF00FF;
const Pixels kSample = SamplePixels();
const Pixels kOpaque = Opaque(SamplePixels());

std::vector<std::uint32_t> Samples(const Pixels& pixels, bool colour) {
  std::vector<std::uint32_t> samples;
  for (std::uint32_t p : pixels) {
    if (colour) samples.insert(samples.end(), {p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF});
    else samples.push_back(p >> 8 & 0xFF);
  }
  return samples;
}

Pixels GreyOf(const Pixels& pixels) {
  Pixels grey;
  for (std::uint32_t p : pixels) grey.push_back(0xFF000000u | (p >> 8 & 0xFF) * 0x010101u);
  return grey;
}

// One file and what it must give; format D3DFMT_UNKNOWN checks the pixels only.
struct Expected {
  const char* name;
  Bytes file;
  Pixels pixels;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  D3DXIMAGE_FILEFORMAT kind = D3DXIFF_BMP;
  std::uint32_t width = kWidth, height = kHeight, mipLevels = 1;
};

TEST(PictureFormats, EveryFormatGivesItsPixelsAndInformation) {
  Bytes rgb;
  for (std::uint32_t s : Samples(kSample, true)) rgb.push_back(std::uint8_t(s));
  const Bytes palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  Pixels runs = kSample;
  std::fill(runs.begin(), runs.begin() + kWidth, 0xFF102030);  // one run packet for the first row
  // PFM rows top to bottom; RGBE is mantissa * 2^(exponent - 136), exponent 0 black.
  const std::vector<float> pfm = {0.0f, 0.5f, 1.0f, 2.0f, -1.0f, std::nanf(""), 0.25f, 0.75f, 1.0f, 1.0f, 1.0f, 0.0f};
  const Pixels pfmPixels = {0xFF0080FF, 0xFFFF0000, 0xFF40BFFF, 0xFFFFFF00};
  const Bytes quads = {128, 64, 0, 129, 128, 128, 128, 128, 255, 0, 0, 140, 200, 200, 200, 0};
  const Pixels quadColours = {0xFFFF8000, 0xFF808080, 0xFFFF0000, 0xFF000000};
  Bytes rgbe;
  Pixels hdrPixels;
  for (int i = 0; i < 9 * 2; ++i) {
    rgbe.insert(rgbe.end(), quads.begin() + 4 * (i % 4), quads.begin() + 4 * (i % 4) + 4);
    hdrPixels.push_back(quadColours[i % 4]);
  }
  Bytes argb, abgr, rgb24, whiteDxt5;
  for (std::uint32_t p : kSample) {
    argb.insert(argb.end(), {std::uint8_t(p), std::uint8_t(p >> 8), std::uint8_t(p >> 16), std::uint8_t(p >> 24)});
    abgr.insert(abgr.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p), std::uint8_t(p >> 24)});
    rgb24.insert(rgb24.end(), {std::uint8_t(p), std::uint8_t(p >> 8), std::uint8_t(p >> 16)});
  }
  // 5x3, 2x1 and 1x1 levels: 2 + 1 + 1 blocks, all white and opaque.
  for (int i = 0; i < 4 * 16; ++i) whiteDxt5.push_back(i % 16 < 2 || (i % 16 >= 8 && i % 16 < 12) ? 0xFF : 0);

  const Expected cases[] = {
      {"png rgba", WritePngRgba(kWidth, kHeight, kSample), kSample, D3DFMT_A8R8G8B8, D3DXIFF_PNG},
      {"png interlaced", WritePngRgba(kWidth, kHeight, kSample, true), kSample, D3DFMT_A8R8G8B8, D3DXIFF_PNG},
      {"png rgb", WritePng(kWidth, kHeight, PNG_COLOR_TYPE_RGB, 8, rgb), kOpaque, D3DFMT_R8G8B8, D3DXIFF_PNG},
      // 2-bit grey spreads to 0..255; 16-bit samples scale down with rounding.
      {"png 2-bit grey", WritePng(4, 1, PNG_COLOR_TYPE_GRAY, 2, {0x1B}),
       {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}, D3DFMT_L8, D3DXIFF_PNG, 4, 1},
      {"png 16-bit", WritePng(1, 1, PNG_COLOR_TYPE_RGB, 16, {0xFF, 0xFF, 0x80, 0x80, 0, 0}), {0xFFFF8000}},
      {"png grey alpha", WritePng(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {10, 0, 20, 200}), {0x000A0A0A, 0xC8141414}},
      // Transparency for the first two palette entries only.
      {"png palette trns", WritePng(3, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2}, false, palette, {0x00, 0x80}),
       {0x00FF0000, 0x8000FF00, 0xFF0000FF}, D3DFMT_A8R8G8B8, D3DXIFF_PNG, 3, 1},
      {"png palette", WritePng(3, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2}, false, palette),
       {0xFFFF0000, 0xFF00FF00, 0xFF0000FF}, D3DFMT_X8R8G8B8, D3DXIFF_PNG, 3, 1},
      {"bmp 24", WriteBmp(kWidth, kHeight, kSample, 24), kOpaque, D3DFMT_R8G8B8},
      {"bmp top-down", WriteBmp(kWidth, kHeight, kSample, 24, true), kOpaque, D3DFMT_R8G8B8},
      // The fourth byte of a plain 32-bit bitmap is padding; a declared alpha mask makes it alpha.
      {"bmp 32", WriteBmp(kWidth, kHeight, kSample, 32), kOpaque, D3DFMT_X8R8G8B8},
      {"bmp alpha mask", WriteBmp(kWidth, kHeight, kSample, 32, true, 0xFF000000u), kSample, D3DFMT_A8R8G8B8},
      {"bmp indexed", WriteBmp(3, 2, {0, 1, 2, 2, 1, 0}, 8, false, 0, {0xFF0000, 0x00FF00, 0xFF00FF}),
       {0xFFFF0000, 0xFF00FF00, 0xFFFF00FF, 0xFFFF00FF, 0xFF00FF00, 0xFFFF0000}, D3DFMT_X8R8G8B8, D3DXIFF_BMP, 3, 2},
      {"tga 24", WriteTga(kWidth, kHeight, runs, 24, false), Opaque(runs), D3DFMT_R8G8B8, D3DXIFF_TGA},
      {"tga 32 rle", WriteTga(kWidth, kHeight, runs, 32, true), runs, D3DFMT_A8R8G8B8, D3DXIFF_TGA},
      {"tga top-down", WriteTga(kWidth, kHeight, runs, 32, true, true), runs},
      {"tga right-to-left", WriteTga(kWidth, kHeight, runs, 32, false, false, true), runs},
      {"P6", WritePnm("P6", kWidth, kHeight, 255, Samples(kOpaque, true)), kOpaque, D3DFMT_R8G8B8, D3DXIFF_PPM},
      {"P3", WritePnm("P3", kWidth, kHeight, 255, Samples(kOpaque, true)), kOpaque, D3DFMT_R8G8B8, D3DXIFF_PPM},
      {"P5", WritePnm("P5", kWidth, kHeight, 255, Samples(kOpaque, false)), GreyOf(kOpaque), D3DFMT_L8, D3DXIFF_PPM},
      {"P2", WritePnm("P2", kWidth, kHeight, 255, Samples(kOpaque, false)), GreyOf(kOpaque), D3DFMT_L8, D3DXIFF_PPM},
      // Samples scale from their maximum to 255; two-byte samples are big-endian.
      {"pnm max 15", WritePnm("P5", 3, 1, 15, {0, 7, 15}), {0xFF000000, 0xFF777777, 0xFFFFFFFF}},
      {"pnm 16-bit", WritePnm("P6", 1, 1, 65535, {0xFFFF, 0x8080, 0x0101}), {0xFFFF8001}},
      {"pnm text max 1000", WritePnm("P3", 1, 1, 1000, {1000, 500, 0}), {0xFFFF8000}},
      // Floats clamp to 0..1 linearly; NaN is 0.
      {"pfm little", WritePfm(true, 2, 2, pfm, true), pfmPixels, D3DFMT_A32B32G32R32F, D3DXIFF_PFM, 2, 2},
      {"pfm big", WritePfm(true, 2, 2, pfm, false), pfmPixels, D3DFMT_A32B32G32R32F, D3DXIFF_PFM, 2, 2},
      {"pfm grey", WritePfm(false, 3, 1, {0.0f, 0.5f, 1.0f}, false), {0xFF000000, 0xFF808080, 0xFFFFFFFF},
       D3DFMT_R32F, D3DXIFF_PFM, 3, 1},
      {"hdr flat", WriteHdr(3, 2, rgbe, false), Pixels(hdrPixels.begin(), hdrPixels.begin() + 6),
       D3DFMT_A32B32G32R32F, D3DXIFF_HDR, 3, 2},
      {"hdr rle", WriteHdr(9, 2, rgbe, true), hdrPixels, D3DFMT_A32B32G32R32F, D3DXIFF_HDR, 9, 2},
      {"hdr wide flat", WriteHdr(9, 2, rgbe, false), hdrPixels},
      {"dds argb", WriteDds(kWidth, kHeight, {}, argb), kSample, D3DFMT_A8R8G8B8, D3DXIFF_DDS},
      {"dds xrgb", WriteDds(kWidth, kHeight, {.alphaPixels = false}, argb), kOpaque, D3DFMT_X8R8G8B8, D3DXIFF_DDS},
      {"dds abgr", WriteDds(kWidth, kHeight, {.red = 0xFF, .blue = 0xFF0000}, abgr), kSample, D3DFMT_A8B8G8R8,
       D3DXIFF_DDS},
      {"dds rgb", WriteDds(kWidth, kHeight, {.bits = 24, .alphaPixels = false}, rgb24), kOpaque, D3DFMT_R8G8B8,
       D3DXIFF_DDS},
      {"dds dxt5 mips", WriteDds(kWidth, kHeight, {.fourCc = "DXT5", .mipLevels = 3}, whiteDxt5),
       Pixels(kWidth * kHeight, 0xFFFFFFFF), D3DFMT_DXT5, D3DXIFF_DDS, kWidth, kHeight, 3},
  };
  for (const Expected& c : cases) {
    SCOPED_TRACE(c.name);
    auto info = Info(c.file);
    ASSERT_TRUE(info.has_value());
    D3DXIMAGE_INFO want = {c.width, c.height, 1, c.mipLevels, c.format, D3DRTYPE_TEXTURE, c.kind};
    if (c.format != D3DFMT_UNKNOWN) {
      EXPECT_EQ(std::memcmp(&*info, &want, sizeof want), 0) << info->Format;
    }
    EXPECT_EQ(PixelsOf(c.file), c.pixels);
  }
}

TEST(PictureFormats, JpegColourAndGreyWithinCompressionTolerance) {
  // Two flat halves on whole blocks keep the compression error small.
  const std::uint32_t w = 32, h = 16;
  Pixels pixels;
  for (std::uint32_t i = 0; i < w * h; ++i) pixels.push_back(i % w < 16 ? 0xFF3060C0 : 0xFFE0A020);
  for (int variant = 0; variant < 4; ++variant) {
    const bool grey = variant & 1, progressive = variant & 2;
    SCOPED_TRACE(variant);
    Bytes file = WriteJpeg(w, h, pixels, grey, progressive);
    EXPECT_EQ(Info(file)->Format, grey ? D3DFMT_L8 : D3DFMT_R8G8B8);
    EXPECT_EQ(Info(file)->ImageFileFormat, D3DXIFF_JPG);
    Pixels want = grey ? GreyOf(pixels) : pixels, got = PixelsOf(file);
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size() * 4; ++i) {
      ASSERT_LE(std::abs(int(got[i / 4] >> i % 4 * 8 & 0xFF) - int(want[i / 4] >> i % 4 * 8 & 0xFF)), 6) << i / 4;
    }
  }
}

Pixels DecodeBlock(BlockFormat format, const Bytes& block) {
  Pixels pixels(16);
  layer::image::DecodeBlock(format, block.data(), pixels.data());
  return pixels;
}

// A colour half: end points c0, c1 (5:6:5) and every pixel using index i % 4.
Bytes ColourHalf(std::uint16_t c0, std::uint16_t c1) {
  return {std::uint8_t(c0), std::uint8_t(c0 >> 8), std::uint8_t(c1), std::uint8_t(c1 >> 8), 0xE4, 0xE4, 0xE4, 0xE4};
}

TEST(DxtBlocks, ColourModesAlphaEncodingsAndPartialEdgeBlocks) {
  // DXT1: c0 > c1 gives four colours, else three and transparent black.
  Pixels four = DecodeBlock(BlockFormat::Dxt1, ColourHalf(0xF800, 0x001F));
  EXPECT_EQ(Pixels(four.begin(), four.begin() + 4), (Pixels{0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA}));
  Pixels three = DecodeBlock(BlockFormat::Dxt1, ColourHalf(0x001F, 0xF800));
  EXPECT_EQ(Pixels(three.begin(), three.begin() + 4), (Pixels{0xFF0000FF, 0xFFFF0000, 0xFF800080, 0x00000000}));

  // DXT3: explicit 4-bit alpha, and always four colours (black, white, every index 3).
  Bytes dxt3;
  for (int k = 0; k < 8; ++k) dxt3.push_back(std::uint8_t(2 * k | (2 * k + 1) << 4));
  dxt3.insert(dxt3.end(), {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  Pixels explicitAlpha = DecodeBlock(BlockFormat::Dxt3, dxt3);
  for (std::uint32_t i = 0; i < 16; ++i) EXPECT_EQ(explicitAlpha[i], (i * 17) << 24 | 0xAAAAAAu) << i;

  // DXT5: a0 > a1 interpolates eight alphas, else six plus 0 and 255.
  auto alphas = [](std::uint8_t a0, std::uint8_t a1) {
    std::uint64_t indexes = 0;
    for (int i = 0; i < 16; ++i) indexes |= std::uint64_t(i % 8) << (3 * i);
    Bytes block = {a0, a1};
    for (int i = 0; i < 6; ++i) block.push_back(std::uint8_t(indexes >> (8 * i)));
    Bytes colour = ColourHalf(0xFFFF, 0xFFFF);
    block.insert(block.end(), colour.begin(), colour.end());
    std::vector<std::uint32_t> a;
    for (std::uint32_t p : DecodeBlock(BlockFormat::Dxt5, block)) a.push_back(p >> 24);
    return std::vector<std::uint32_t>(a.begin(), a.begin() + 8);
  };
  EXPECT_EQ(alphas(255, 0), (std::vector<std::uint32_t>{255, 0, 219, 182, 146, 109, 73, 36}));
  EXPECT_EQ(alphas(0, 255), (std::vector<std::uint32_t>{0, 255, 51, 102, 153, 204, 0, 255}));

  // 5x5 is 2x2 solid blocks (index 0 everywhere), cropped at the right and bottom.
  const std::uint16_t colours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  const std::uint32_t opaque[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
  Bytes data;
  for (std::uint16_t c : colours) data.insert(data.end(), {std::uint8_t(c), std::uint8_t(c >> 8), 0, 0, 0, 0, 0, 0});
  Pixels want, surface(25);
  for (std::uint32_t i = 0; i < 25; ++i) want.push_back(opaque[(i / 5 / 4) * 2 + i % 5 / 4]);
  layer::image::DecodeSurface(BlockFormat::Dxt1, data.data(), 5, 5, surface.data());
  EXPECT_EQ(surface, want);
  EXPECT_EQ(PixelsOf(WriteDds(5, 5, {.fourCc = "DXT1"}, data)), want);
}

Pixels Prepared(const Bytes& file, UINT width, UINT height, D3DCOLOR key, D3DXIMAGE_INFO* info = nullptr) {
  layer::DecodedImage out;
  EXPECT_EQ(layer::PrepareTexturePixels(file.data(), file.size(), width, height, key, info, out), D3D_OK);
  return out.argb;
}

TEST(TexturePixels, ColourKeyClearsExactlyTheOpaqueKeyColour) {
  // Opaque magenta, magenta at half alpha, and near-magenta.
  const Pixels pixels = {kMagenta, 0x80FF00FF, 0xFFFF01FF, 0xFF000000};
  const Bytes png = WritePngRgba(4, 1, pixels);
  EXPECT_EQ(Prepared(png, D3DX_DEFAULT, D3DX_DEFAULT, kMagenta), (Pixels{0, 0x80FF00FF, 0xFFFF01FF, 0xFF000000}));
  EXPECT_EQ(Prepared(png, 0, 0, 0), pixels) << "key 0 keys nothing";
  EXPECT_EQ(Prepared(png, 0, 0, 0xFF000000).back(), 0u) << "any colour can be the key";
  // Formats without alpha decode opaque, so their magenta is keyed too.
  const Pixels bmp = Prepared(WriteBmp(kWidth, kHeight, kSample, 24), 0, 0, kMagenta);
  EXPECT_EQ(bmp[6], 0u);
  EXPECT_EQ(bmp[5], 0xFFFF8000u);
}

TEST(TexturePixels, OwnSizeUnlessAnotherIsAskedThenNearestScaling) {
  auto opaque = [](std::initializer_list<std::uint32_t> ids) {
    Pixels p;
    for (std::uint32_t id : ids) p.push_back(0xFF000000u | id);
    return p;
  };
  const Pixels pixels = opaque({1, 2, 3, 4, 5, 6});  // 3 x 2
  const Bytes png = WritePngRgba(3, 2, pixels);
  D3DXIMAGE_INFO info{};
  for (UINT side : {D3DX_DEFAULT, 0u}) EXPECT_EQ(Prepared(png, side, side, 0, &info), pixels);
  EXPECT_EQ(std::tuple(info.Width, info.ImageFileFormat), std::tuple(3u, D3DXIFF_PNG));
  // Each target pixel takes the source pixel under its centre.
  EXPECT_EQ(Prepared(png, 6, 4, 0), opaque({1, 1, 2, 2, 3, 3, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 4, 4, 5, 5, 6, 6}));
  EXPECT_EQ(Prepared(png, 2, 1, 0), opaque({4, 6})) << "centres on the lower row, then the middle and last columns";
  EXPECT_EQ(Prepared(png, 1, D3DX_DEFAULT, 0), opaque({2, 5})) << "one side asked, the other the picture's own";
}

}  // namespace
}  // namespace pictures_test
