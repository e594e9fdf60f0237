// Each format decodes to the pixels written into it and reports the facts D3DX does.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "tests/pictures/PictureChecks.h"

namespace pictures_test {
namespace {

// The whole information block and the pixels of one file.
void ExpectPicture(const Bytes& file, std::uint32_t width, std::uint32_t height, const Pixels& pixels,
                   D3DFORMAT format, D3DXIMAGE_FILEFORMAT kind, UINT mipLevels = 1) {
  auto info = Info(file);
  ASSERT_TRUE(info.has_value());
  D3DXIMAGE_INFO want = {width, height, 1, mipLevels, format, D3DRTYPE_TEXTURE, kind};
  EXPECT_EQ(std::memcmp(&*info, &want, sizeof want), 0)
      << info->Width << "x" << info->Height << " mips " << info->MipLevels << " format " << info->Format;
  EXPECT_EQ(PixelsOf(file), pixels);
}

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

const Pixels kSample = SamplePixels();
const Pixels kOpaque = Opaque(SamplePixels());

TEST(PictureFormats, PngColourTypesDepthsAndTransparency) {
  ExpectPicture(WritePngRgba(kWidth, kHeight, kSample), kWidth, kHeight, kSample, D3DFMT_A8R8G8B8, D3DXIFF_PNG);
  EXPECT_EQ(PixelsOf(WritePngRgba(kWidth, kHeight, kSample, true)), kSample) << "interlaced";
  Bytes rgb;
  for (std::uint32_t s : Samples(kSample, true)) rgb.push_back(std::uint8_t(s));
  ExpectPicture(WritePng(kWidth, kHeight, PNG_COLOR_TYPE_RGB, 8, rgb), kWidth, kHeight, kOpaque, D3DFMT_R8G8B8,
                D3DXIFF_PNG);
  // 2-bit grey spreads to 0..255; 16-bit samples scale down with rounding.
  ExpectPicture(WritePng(4, 1, PNG_COLOR_TYPE_GRAY, 2, {0x1B}), 4, 1,
                {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}, D3DFMT_L8, D3DXIFF_PNG);
  EXPECT_EQ(PixelsOf(WritePng(1, 1, PNG_COLOR_TYPE_RGB, 16, {0xFF, 0xFF, 0x80, 0x80, 0, 0})), Pixels{0xFFFF8000});
  EXPECT_EQ(PixelsOf(WritePng(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {10, 0, 20, 200})),
            (Pixels{0x000A0A0A, 0xC8141414}));
  // A transparency chunk for the first two palette entries only.
  Bytes palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  ExpectPicture(WritePng(3, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2}, false, palette, {0x00, 0x80}), 3, 1,
                {0x00FF0000, 0x8000FF00, 0xFF0000FF}, D3DFMT_A8R8G8B8, D3DXIFF_PNG);
  ExpectPicture(WritePng(3, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2}, false, palette), 3, 1,
                {0xFFFF0000, 0xFF00FF00, 0xFF0000FF}, D3DFMT_X8R8G8B8, D3DXIFF_PNG);
}

TEST(PictureFormats, JpegColourAndGreyWithinCompressionTolerance) {
  // Two flat halves on whole blocks keep the compression error small.
  const std::uint32_t w = 32, h = 16;
  Pixels pixels;
  for (std::uint32_t i = 0; i < w * h; ++i) pixels.push_back(i % w < 16 ? 0xFF3060C0 : 0xFFE0A020);
  for (bool progressive : {false, true}) {
    for (bool grey : {false, true}) {
      SCOPED_TRACE(std::string(progressive ? "progressive" : "baseline") + (grey ? " grey" : " colour"));
      Bytes file = WriteJpeg(w, h, pixels, grey, progressive);
      EXPECT_EQ(Info(file)->Format, grey ? D3DFMT_L8 : D3DFMT_R8G8B8);
      EXPECT_EQ(Info(file)->ImageFileFormat, D3DXIFF_JPG);
      Pixels want = grey ? GreyOf(pixels) : pixels, got = PixelsOf(file);
      ASSERT_EQ(got.size(), want.size());
      for (std::size_t i = 0; i < got.size(); ++i) {
        for (int shift : {0, 8, 16, 24}) {
          ASSERT_LE(std::abs(int(got[i] >> shift & 0xFF) - int(want[i] >> shift & 0xFF)), 6) << "pixel " << i;
        }
      }
    }
  }
}

TEST(PictureFormats, BmpDepthsOrientationAndAlpha) {
  ExpectPicture(WriteBmp(kWidth, kHeight, kSample, 24), kWidth, kHeight, kOpaque, D3DFMT_R8G8B8, D3DXIFF_BMP);
  EXPECT_EQ(PixelsOf(WriteBmp(kWidth, kHeight, kSample, 24, true)), kOpaque) << "top-down";
  // The fourth byte of a plain 32-bit bitmap is padding; a declared alpha mask makes it alpha.
  ExpectPicture(WriteBmp(kWidth, kHeight, kSample, 32), kWidth, kHeight, kOpaque, D3DFMT_X8R8G8B8, D3DXIFF_BMP);
  ExpectPicture(WriteBmp(kWidth, kHeight, kSample, 32, true, 0xFF000000u), kWidth, kHeight, kSample,
                D3DFMT_A8R8G8B8, D3DXIFF_BMP);
  ExpectPicture(WriteBmp8(3, 2, {0xFF0000, 0x00FF00, 0xFF00FF}, {0, 1, 2, 2, 1, 0}), 3, 2,
                {0xFFFF0000, 0xFF00FF00, 0xFFFF00FF, 0xFFFF00FF, 0xFF00FF00, 0xFFFF0000}, D3DFMT_X8R8G8B8,
                D3DXIFF_BMP);
}

TEST(PictureFormats, TgaPlainRunLengthAndOrientations) {
  Pixels runs = kSample;
  std::fill(runs.begin(), runs.begin() + kWidth, 0xFF102030);  // one run packet for the first row
  ExpectPicture(WriteTga(kWidth, kHeight, runs, 24, false), kWidth, kHeight, Opaque(runs), D3DFMT_R8G8B8,
                D3DXIFF_TGA);
  ExpectPicture(WriteTga(kWidth, kHeight, runs, 32, true), kWidth, kHeight, runs, D3DFMT_A8R8G8B8, D3DXIFF_TGA);
  EXPECT_EQ(PixelsOf(WriteTga(kWidth, kHeight, runs, 32, true, true)), runs) << "top-down";
  EXPECT_EQ(PixelsOf(WriteTga(kWidth, kHeight, runs, 32, false, false, true)), runs) << "right-to-left";
}

TEST(PictureFormats, NetpbmBinaryTextGreyAndMaxValues) {
  for (const char* magic : {"P6", "P3"}) {
    SCOPED_TRACE(magic);
    ExpectPicture(WritePnm(magic, kWidth, kHeight, 255, Samples(kOpaque, true)), kWidth, kHeight, kOpaque,
                  D3DFMT_R8G8B8, D3DXIFF_PPM);
  }
  for (const char* magic : {"P5", "P2"}) {
    SCOPED_TRACE(magic);
    ExpectPicture(WritePnm(magic, kWidth, kHeight, 255, Samples(kOpaque, false)), kWidth, kHeight, GreyOf(kOpaque),
                  D3DFMT_L8, D3DXIFF_PPM);
  }
  // Samples scale from their maximum to 255; two-byte samples are big-endian.
  EXPECT_EQ(PixelsOf(WritePnm("P5", 3, 1, 15, {0, 7, 15})), (Pixels{0xFF000000, 0xFF777777, 0xFFFFFFFF}));
  EXPECT_EQ(PixelsOf(WritePnm("P6", 1, 1, 65535, {0xFFFF, 0x8080, 0x0101})), Pixels{0xFFFF8001});
  EXPECT_EQ(PixelsOf(WritePnm("P3", 1, 1, 1000, {1000, 500, 0})), Pixels{0xFFFF8000});
}

TEST(PictureFormats, FloatPicturesClampLinearlyAndFlipRows) {
  // Rows top to bottom; the writer stores them bottom to top as PFM wants.
  std::vector<float> rgb = {0.0f, 0.5f, 1.0f, 2.0f, -1.0f, std::nanf(""), 0.25f, 0.75f, 1.0f, 1.0f, 1.0f, 0.0f};
  Pixels want = {0xFF0080FF, 0xFFFF0000, 0xFF40BFFF, 0xFFFFFF00};
  for (bool little : {true, false}) {
    ExpectPicture(WritePfm(true, 2, 2, rgb, little), 2, 2, want, D3DFMT_A32B32G32R32F, D3DXIFF_PFM);
  }
  ExpectPicture(WritePfm(false, 3, 1, {0.0f, 0.5f, 1.0f}, false), 3, 1, {0xFF000000, 0xFF808080, 0xFFFFFFFF},
                D3DFMT_R32F, D3DXIFF_PFM);

  // RGBE: mantissa * 2^(exponent - 136); 128 at 129 is 1.0, at 128 0.5; exponent 0 is black.
  Bytes quads = {128, 64, 0, 129, 128, 128, 128, 128, 255, 0, 0, 140, 200, 200, 200, 0};
  Pixels colours = {0xFFFF8000, 0xFF808080, 0xFFFF0000, 0xFF000000};
  Bytes rgbe;
  Pixels expected;
  for (int i = 0; i < 9 * 2; ++i) {
    rgbe.insert(rgbe.end(), quads.begin() + 4 * (i % 4), quads.begin() + 4 * (i % 4) + 4);
    expected.push_back(colours[i % 4]);
  }
  ExpectPicture(WriteHdr(3, 2, rgbe, false), 3, 2, Pixels(expected.begin(), expected.begin() + 6),
                D3DFMT_A32B32G32R32F, D3DXIFF_HDR);
  EXPECT_EQ(PixelsOf(WriteHdr(9, 2, rgbe, true)), expected) << "run-length coded";
  EXPECT_EQ(PixelsOf(WriteHdr(9, 2, rgbe, false)), expected) << "wide but not coded";
}

TEST(PictureFormats, DdsChannelLayoutsAndMipLevels) {
  Bytes argb, abgr, rgb24;
  for (std::uint32_t p : kSample) {
    argb.insert(argb.end(), {std::uint8_t(p), std::uint8_t(p >> 8), std::uint8_t(p >> 16), std::uint8_t(p >> 24)});
    abgr.insert(abgr.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p), std::uint8_t(p >> 24)});
    rgb24.insert(rgb24.end(), {std::uint8_t(p), std::uint8_t(p >> 8), std::uint8_t(p >> 16)});
  }
  ExpectPicture(WriteDds(kWidth, kHeight, {}, argb), kWidth, kHeight, kSample, D3DFMT_A8R8G8B8, D3DXIFF_DDS);
  ExpectPicture(WriteDds(kWidth, kHeight, {.alphaPixels = false}, argb), kWidth, kHeight, kOpaque, D3DFMT_X8R8G8B8,
                D3DXIFF_DDS);
  ExpectPicture(WriteDds(kWidth, kHeight, {.red = 0xFF, .blue = 0xFF0000}, abgr), kWidth, kHeight, kSample,
                D3DFMT_A8B8G8R8, D3DXIFF_DDS);
  ExpectPicture(WriteDds(kWidth, kHeight, {.bits = 24, .alphaPixels = false}, rgb24), kWidth, kHeight, kOpaque,
                D3DFMT_R8G8B8, D3DXIFF_DDS);
  // 5x3, 2x1 and 1x1 levels: 2 + 1 + 1 blocks of 16 bytes, all white and opaque.
  Bytes white = {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
  Bytes levels;
  for (int i = 0; i < 4; ++i) levels.insert(levels.end(), white.begin(), white.end());
  ExpectPicture(WriteDds(kWidth, kHeight, {.fourCc = "DXT5", .mipLevels = 3}, levels), kWidth, kHeight,
                Pixels(kWidth * kHeight, 0xFFFFFFFF), D3DFMT_DXT5, D3DXIFF_DDS, 3);
}

}  // namespace
}  // namespace pictures_test
