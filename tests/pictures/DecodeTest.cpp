// Each format decodes to the pixels written into it, and reports the facts D3DX does.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdlib>

#include "tests/pictures/PictureChecks.h"

namespace pictures_test {
namespace {

Bytes RgbRows(const Pixels& pixels) {
  Bytes rows;
  for (std::uint32_t p : pixels) rows.insert(rows.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p)});
  return rows;
}

std::vector<std::uint32_t> Channels(const Pixels& pixels, bool colour) {
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

TEST(PictureInfo, EveryFormatReportsSizeFormatAndKind) {
  const Pixels sample = SamplePixels();
  DdsLayout dxt5 = Dxt("DXT5", 3);
  struct Case {
    const char* name;
    Bytes file;
    D3DFORMAT format;
    D3DXIMAGE_FILEFORMAT kind;
    UINT mipLevels = 1;
  } cases[] = {
      {"png rgba", WritePngRgba(kWidth, kHeight, sample), D3DFMT_A8R8G8B8, D3DXIFF_PNG},
      {"png rgb", WritePng(kWidth, kHeight, PNG_COLOR_TYPE_RGB, 8, RgbRows(sample)), D3DFMT_R8G8B8, D3DXIFF_PNG},
      {"jpeg", WriteJpeg(kWidth, kHeight, sample, false, false), D3DFMT_R8G8B8, D3DXIFF_JPG},
      {"jpeg grey", WriteJpeg(kWidth, kHeight, sample, true, false), D3DFMT_L8, D3DXIFF_JPG},
      {"bmp 24", WriteBmp(kWidth, kHeight, sample, 24), D3DFMT_R8G8B8, D3DXIFF_BMP},
      {"bmp 32", WriteBmp(kWidth, kHeight, sample, 32), D3DFMT_X8R8G8B8, D3DXIFF_BMP},
      {"bmp alpha", WriteBmp(kWidth, kHeight, sample, 32, false, 0xFF000000u), D3DFMT_A8R8G8B8, D3DXIFF_BMP},
      {"tga 24", WriteTga(kWidth, kHeight, sample, 24, false), D3DFMT_R8G8B8, D3DXIFF_TGA},
      {"tga 32 rle", WriteTga(kWidth, kHeight, sample, 32, true), D3DFMT_A8R8G8B8, D3DXIFF_TGA},
      {"ppm", WritePnm("P6", kWidth, kHeight, 255, Channels(sample, true)), D3DFMT_R8G8B8, D3DXIFF_PPM},
      {"pgm", WritePnm("P2", kWidth, kHeight, 255, Channels(sample, false)), D3DFMT_L8, D3DXIFF_PPM},
      {"pfm", WritePfm(true, kWidth, kHeight, std::vector<float>(kWidth * kHeight * 3, 0.5f), true),
       D3DFMT_A32B32G32R32F, D3DXIFF_PFM},
      {"pfm grey", WritePfm(false, kWidth, kHeight, std::vector<float>(kWidth * kHeight, 0.5f), false), D3DFMT_R32F,
       D3DXIFF_PFM},
      {"hdr", WriteHdr(kWidth, kHeight, Bytes(kWidth * kHeight * 4, 128), false), D3DFMT_A32B32G32R32F, D3DXIFF_HDR},
      // 5x3, 2x1 and 1x1 levels: 2 + 1 + 1 blocks of 16 bytes.
      {"dds dxt5 mips", WriteDds(kWidth, kHeight, dxt5, Bytes(4 * 16, 0)), D3DFMT_DXT5, D3DXIFF_DDS, 3},
      {"dds x8r8g8b8", WriteDds(kWidth, kHeight, Rgb(32, 0xFF0000, 0xFF00, 0xFF, false), Bytes(kWidth * kHeight * 4, 0)),
       D3DFMT_X8R8G8B8, D3DXIFF_DDS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto info = Info(c.file);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->Width, kWidth);
    EXPECT_EQ(info->Height, kHeight);
    EXPECT_EQ(info->Depth, 1u);
    EXPECT_EQ(info->MipLevels, c.mipLevels);
    EXPECT_EQ(info->Format, c.format);
    EXPECT_EQ(info->ResourceType, D3DRTYPE_TEXTURE);
    EXPECT_EQ(info->ImageFileFormat, c.kind);
    auto image = Decode(c.file);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, kWidth);
    EXPECT_EQ(image->height, kHeight);
  }
}

TEST(PictureFormats, PngColourTypesAndDepthsDecodeExactly) {
  const Pixels sample = SamplePixels();
  EXPECT_EQ(PixelsOf(WritePngRgba(kWidth, kHeight, sample)), sample);
  EXPECT_EQ(PixelsOf(WritePngRgba(kWidth, kHeight, sample, true)), sample) << "interlaced";
  EXPECT_EQ(PixelsOf(WritePng(kWidth, kHeight, PNG_COLOR_TYPE_RGB, 8, RgbRows(sample))), Opaque(sample));

  Bytes grey;
  for (std::uint32_t p : sample) grey.push_back(p >> 8 & 0xFF);
  Bytes greyFile = WritePng(kWidth, kHeight, PNG_COLOR_TYPE_GRAY, 8, grey);
  EXPECT_EQ(PixelsOf(greyFile), GreyOf(sample));
  EXPECT_EQ(Info(greyFile)->Format, D3DFMT_L8);

  // 2-bit grey 0..3 spreads to 0..255; 16-bit samples scale down with rounding.
  EXPECT_EQ(PixelsOf(WritePng(4, 1, PNG_COLOR_TYPE_GRAY, 2, {0x1B})),
            (Pixels{0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}));
  EXPECT_EQ(PixelsOf(WritePng(1, 1, PNG_COLOR_TYPE_RGB, 16, {0xFF, 0xFF, 0x80, 0x80, 0x00, 0x00})),
            (Pixels{0xFFFF8000}));
  EXPECT_EQ(PixelsOf(WritePng(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {10, 0, 20, 200})),
            (Pixels{0x000A0A0A, 0xC8141414}));

  // Palette: the transparency chunk covers the first two entries only.
  Bytes palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  Bytes indexes = {0, 1, 2};
  Bytes keyed = WritePng(3, 1, PNG_COLOR_TYPE_PALETTE, 8, indexes, false, palette, {0x00, 0x80});
  EXPECT_EQ(PixelsOf(keyed), (Pixels{0x00FF0000, 0x8000FF00, 0xFF0000FF}));
  EXPECT_EQ(Info(keyed)->Format, D3DFMT_A8R8G8B8);
  Bytes plain = WritePng(3, 1, PNG_COLOR_TYPE_PALETTE, 8, indexes, false, palette);
  EXPECT_EQ(PixelsOf(plain), (Pixels{0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));
  EXPECT_EQ(Info(plain)->Format, D3DFMT_X8R8G8B8);
}

TEST(PictureFormats, JpegMatchesWithinCompressionTolerance) {
  // Two flat halves on whole blocks keep the compression error small.
  const std::uint32_t w = 32, h = 16, left = 0xFF3060C0, right = 0xFFE0A020;
  Pixels pixels;
  for (std::uint32_t y = 0; y < h; ++y) {
    for (std::uint32_t x = 0; x < w; ++x) pixels.push_back(x < 16 ? left : right);
  }
  auto near = [](std::uint32_t got, std::uint32_t want) {
    for (int shift : {0, 8, 16, 24}) {
      if (std::abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)) > 6) return false;
    }
    return true;
  };
  for (bool progressive : {false, true}) {
    for (bool grey : {false, true}) {
      SCOPED_TRACE(std::string(progressive ? "progressive" : "baseline") + (grey ? " grey" : " colour"));
      Pixels want = grey ? GreyOf(pixels) : pixels;
      Pixels got = PixelsOf(WriteJpeg(w, h, pixels, grey, progressive));
      ASSERT_EQ(got.size(), want.size());
      for (std::size_t i = 0; i < got.size(); ++i) ASSERT_TRUE(near(got[i], want[i])) << "pixel " << i << std::hex << " " << got[i];
    }
  }
}

TEST(PictureFormats, BmpDepthsOrientationAndAlpha) {
  const Pixels sample = SamplePixels();
  EXPECT_EQ(PixelsOf(WriteBmp(kWidth, kHeight, sample, 24)), Opaque(sample));
  EXPECT_EQ(PixelsOf(WriteBmp(kWidth, kHeight, sample, 24, true)), Opaque(sample)) << "top-down";
  // The fourth byte of a plain 32-bit bitmap is padding; a declared alpha mask makes it alpha.
  EXPECT_EQ(PixelsOf(WriteBmp(kWidth, kHeight, sample, 32)), Opaque(sample));
  EXPECT_EQ(PixelsOf(WriteBmp(kWidth, kHeight, sample, 32, true, 0xFF000000u)), sample);
  Bytes indexed = WriteBmp8(3, 2, {0xFF0000, 0x00FF00, 0xFF00FF}, {0, 1, 2, 2, 1, 0});
  EXPECT_EQ(PixelsOf(indexed), (Pixels{0xFFFF0000, 0xFF00FF00, 0xFFFF00FF, 0xFFFF00FF, 0xFF00FF00, 0xFFFF0000}));
  EXPECT_EQ(Info(indexed)->Format, D3DFMT_X8R8G8B8);
}

TEST(PictureFormats, TgaPlainRunLengthAndOrientations) {
  Pixels runs = SamplePixels();
  for (std::uint32_t x = 0; x < kWidth; ++x) runs[x] = 0xFF102030;  // a run packet for the first row
  EXPECT_EQ(PixelsOf(WriteTga(kWidth, kHeight, runs, 24, false)), Opaque(runs));
  EXPECT_EQ(PixelsOf(WriteTga(kWidth, kHeight, runs, 32, true)), runs);
  EXPECT_EQ(PixelsOf(WriteTga(kWidth, kHeight, runs, 32, true, true)), runs) << "top-down";
  EXPECT_EQ(PixelsOf(WriteTga(kWidth, kHeight, runs, 32, false, false, true)), runs) << "right-to-left";
}

TEST(PictureFormats, NetpbmBinaryTextGreyAndMaxValues) {
  const Pixels opaque = Opaque(SamplePixels());
  for (const char* magic : {"P6", "P3"}) {
    EXPECT_EQ(PixelsOf(WritePnm(magic, kWidth, kHeight, 255, Channels(opaque, true))), opaque) << magic;
  }
  for (const char* magic : {"P5", "P2"}) {
    EXPECT_EQ(PixelsOf(WritePnm(magic, kWidth, kHeight, 255, Channels(opaque, false))), GreyOf(opaque)) << magic;
  }
  // Samples scale from their maximum to 255, two-byte samples are big-endian.
  EXPECT_EQ(PixelsOf(WritePnm("P5", 3, 1, 15, {0, 7, 15})), (Pixels{0xFF000000, 0xFF777777, 0xFFFFFFFF}));
  EXPECT_EQ(PixelsOf(WritePnm("P6", 1, 1, 65535, {0xFFFF, 0x8080, 0x0101})), (Pixels{0xFFFF8001}));
  EXPECT_EQ(PixelsOf(WritePnm("P3", 1, 1, 1000, {1000, 500, 0})), (Pixels{0xFFFF8000}));
}

TEST(PictureFormats, FloatMapsClampAndFlipRowsInBothByteOrders) {
  // Rows top to bottom; the writer stores them bottom to top as the format wants.
  std::vector<float> rgb = {0.0f, 0.5f, 1.0f, 2.0f, -1.0f, std::nanf(""),  //
                            0.25f, 0.75f, 1.0f, 1.0f, 1.0f, 0.0f};
  Pixels want = {0xFF0080FF, 0xFFFF0000, 0xFF40BFFF, 0xFFFFFF00};
  EXPECT_EQ(PixelsOf(WritePfm(true, 2, 2, rgb, true)), want);
  EXPECT_EQ(PixelsOf(WritePfm(true, 2, 2, rgb, false)), want);
  EXPECT_EQ(PixelsOf(WritePfm(false, 3, 1, {0.0f, 0.5f, 1.0f}, false)), (Pixels{0xFF000000, 0xFF808080, 0xFFFFFFFF}));
}

TEST(PictureFormats, RadianceFlatAndRunLengthGiveTheSameClampedPixels) {
  // RGBE: mantissa * 2^(exponent - 136); 128 at 129 is 1.0, at 128 0.5; exponent 0 is black.
  auto rgbe = [](std::uint32_t width, std::uint32_t height) {
    Bytes data;
    for (std::uint32_t i = 0; i < width * height; ++i) {
      Bytes quad[] = {{128, 64, 0, 129}, {128, 128, 128, 128}, {255, 0, 0, 140}, {200, 200, 200, 0}};
      data.insert(data.end(), quad[i % 4].begin(), quad[i % 4].end());
    }
    return data;
  };
  Pixels cycle = {0xFFFF8000, 0xFF808080, 0xFFFF0000, 0xFF000000};
  auto expected = [&](std::uint32_t count) {
    Pixels p;
    for (std::uint32_t i = 0; i < count; ++i) p.push_back(cycle[i % 4]);
    return p;
  };
  EXPECT_EQ(PixelsOf(WriteHdr(3, 2, rgbe(3, 2), false)), expected(6));
  EXPECT_EQ(PixelsOf(WriteHdr(9, 2, rgbe(9, 2), true)), expected(18));
  EXPECT_EQ(PixelsOf(WriteHdr(9, 2, rgbe(9, 2), false)), expected(18)) << "wide but uncoded";
}

TEST(PictureFormats, DdsUncompressedChannelLayouts) {
  const Pixels sample = SamplePixels();
  Bytes argb, abgr, rgb24;
  for (std::uint32_t p : sample) {
    argb.insert(argb.end(), {std::uint8_t(p), std::uint8_t(p >> 8), std::uint8_t(p >> 16), std::uint8_t(p >> 24)});
    abgr.insert(abgr.end(), {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p), std::uint8_t(p >> 24)});
    rgb24.insert(rgb24.end(), {std::uint8_t(p), std::uint8_t(p >> 8), std::uint8_t(p >> 16)});
  }
  EXPECT_EQ(PixelsOf(WriteDds(kWidth, kHeight, Rgb(32, 0xFF0000, 0xFF00, 0xFF, true), argb)), sample);
  EXPECT_EQ(PixelsOf(WriteDds(kWidth, kHeight, Rgb(32, 0xFF0000, 0xFF00, 0xFF, false), argb)), Opaque(sample));
  Bytes abgrFile = WriteDds(kWidth, kHeight, Rgb(32, 0xFF, 0xFF00, 0xFF0000, true), abgr);
  EXPECT_EQ(PixelsOf(abgrFile), sample);
  EXPECT_EQ(Info(abgrFile)->Format, D3DFMT_A8B8G8R8);
  Bytes rgbFile = WriteDds(kWidth, kHeight, Rgb(24, 0xFF0000, 0xFF00, 0xFF, false), rgb24);
  EXPECT_EQ(PixelsOf(rgbFile), Opaque(sample));
  EXPECT_EQ(Info(rgbFile)->Format, D3DFMT_R8G8B8);
}

}  // namespace
}  // namespace pictures_test
