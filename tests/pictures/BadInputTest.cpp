// Truncated, damaged and hostile picture files fail cleanly: no crash, no read outside
// the given bytes (run under AddressSanitizer too), nothing printed, no huge allocation.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>

#include "tests/pictures/PictureChecks.h"

namespace pictures_test {
namespace {

bool SameInfo(const D3DXIMAGE_INFO& a, const D3DXIMAGE_INFO& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Fails both ways: no information, no pixels.
void ExpectRefused(const Bytes& file, const std::string& what) {
  EXPECT_FALSE(Info(file).has_value()) << what;
  EXPECT_FALSE(Decode(file).has_value()) << what;
}

Bytes Concat(const std::string& text, std::size_t zeroBytes) {
  return ByteWriter().Text(text).Append(Bytes(zeroBytes, 0)).bytes;
}

TEST(BadPictures, EveryTruncationOfEveryFormatFailsCleanly) {
  const Pixels sample = SamplePixels();
  Bytes hdrData(9 * 2 * 4);
  // Constant exponents make one run packet per row, the rest literal packets.
  for (std::size_t i = 0; i < hdrData.size(); ++i) hdrData[i] = std::uint8_t(i % 4 == 3 ? 130 : i * 7 % 120 + 10);
  struct Case {
    const char* name;
    Bytes file;
  } cases[] = {
      {"png", WritePngRgba(kWidth, kHeight, sample)},
      {"png interlaced", WritePngRgba(kWidth, kHeight, sample, true)},
      {"jpeg", WriteJpeg(kWidth, kHeight, sample, false, false)},
      {"jpeg progressive", WriteJpeg(kWidth, kHeight, sample, false, true)},
      {"bmp", WriteBmp(kWidth, kHeight, sample, 24)},
      {"bmp indexed", WriteBmp8(3, 2, {0xFF0000, 0x00FF00}, {0, 1, 0, 1, 1, 0})},
      {"tga", WriteTga(kWidth, kHeight, sample, 24, false)},
      {"tga rle", WriteTga(kWidth, kHeight, sample, 32, true)},
      {"ppm", WritePnm("P6", kWidth, kHeight, 255, std::vector<std::uint32_t>(kWidth * kHeight * 3, 7))},
      {"ppm text", WritePnm("P3", 2, 2, 255, std::vector<std::uint32_t>(12, 123))},
      {"pfm", WritePfm(true, 2, 2, std::vector<float>(12, 0.5f), true)},
      {"hdr", WriteHdr(2, 2, Bytes(16, 128), false)},
      {"hdr rle", WriteHdr(9, 2, hdrData, true)},
      {"dds dxt1 mips", WriteDds(kWidth, kHeight, {.fourCc = "DXT1", .mipLevels = 3}, Bytes(4 * 8, 0x55))},
      {"dds argb", WriteDds(2, 2, DdsLayout{}, Bytes(16, 0x77))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto full = Info(c.file);
    ASSERT_TRUE(full.has_value());
    ASSERT_TRUE(Decode(c.file).has_value());
    for (std::size_t length = 0; length < c.file.size(); ++length) {
      // A copy of exactly this length, so a read past it is caught.
      Bytes cut(c.file.begin(), c.file.begin() + static_cast<std::ptrdiff_t>(length));
      ASSERT_FALSE(Decode(cut).has_value()) << "decoded with " << length << " of " << c.file.size() << " bytes";
      // Information may come from a whole header, but then it is the true one.
      if (auto info = Info(cut)) {
        ASSERT_TRUE(SameInfo(*info, *full)) << "length " << length;
      }
    }
  }
}

TEST(BadPictures, SidesAboveTheLimitOrZeroAreRefused) {
  const std::uint32_t over = layer::kMaxImageSide + 1;
  ExpectRefused(WritePng(over, 1, PNG_COLOR_TYPE_GRAY, 8, Bytes(over, 0)), "png wide");
  ExpectRefused(WritePng(1, over, PNG_COLOR_TYPE_GRAY, 8, Bytes(over, 0)), "png tall");
  ExpectRefused(WriteJpeg(over, 8, Pixels(over * 8, 0xFF808080), true, false), "jpeg wide");
  ExpectRefused(WriteBmp(over, 1, Pixels(over, 0), 24), "bmp wide");
  Bytes bmp = WriteBmp(1, 1, {0}, 24);
  bmp[22] = 0x00, bmp[23] = 0x00, bmp[24] = 0x00, bmp[25] = 0x80;  // height INT_MIN
  ExpectRefused(bmp, "bmp height INT_MIN");
  ExpectRefused(WriteTga(over, 1, Pixels(over, 0), 24, false), "tga wide");
  ExpectRefused(Concat("P6 16385 1 255\n", 3 * over), "ppm wide");
  ExpectRefused(Concat("P6 99999999999999999999 1 255\n", 64), "ppm overflowing width");
  ExpectRefused(Concat("PF\n16385 1\n-1\n", 12 * over), "pfm wide");
  ExpectRefused(Concat("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 16385\n", 4 * over), "hdr wide");
  ExpectRefused(WriteDds(16384, 16384, {.fourCc = "DXT1"}, {}), "dds at the limit, without its data");
  ExpectRefused(WriteDds(over, 4, {.fourCc = "DXT1"}, Bytes(over * 2, 0)), "dds wide");

  ExpectRefused(WriteBmp(0, 1, {}, 24), "bmp zero width");
  ExpectRefused(WriteTga(1, 0, {}, 24, false), "tga zero height");
  ExpectRefused(Concat("P5 0 1 255\n", 4), "pgm zero width");
  ExpectRefused(Concat("PF\n1 0\n-1\n", 12), "pfm zero height");
  ExpectRefused(WriteDds(0, 4, {.fourCc = "DXT1"}, Bytes(8, 0)), "dds zero width");
  ExpectRefused(Concat("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 0 +X 1\n", 4), "hdr zero height");

  // Exactly at the limit is allowed.
  EXPECT_TRUE(Decode(Concat("P5 16384 1 255\n", layer::kMaxImageSide)).has_value());
}

TEST(BadPictures, DamagedLibraryStreamsFailWithoutPrinting) {
  Bytes png = WritePngRgba(kWidth, kHeight, SamplePixels());
  Bytes badCrc = png;
  badCrc[29] ^= 0xFF;  // IHDR's CRC
  Bytes badData = png;
  badData[png.size() - 20] ^= 0x5A;  // inside IDAT
  Bytes jpeg = WriteJpeg(32, 32, Pixels(32 * 32, 0xFF336699), false, false);
  Bytes cutScan = jpeg;
  cutScan[jpeg.size() - 12] = 0xFF, cutScan[jpeg.size() - 11] = 0xD9;  // end of image inside the scan
  Bytes badMarker = jpeg;
  badMarker[3] = 0x01;  // the first segment's marker becomes a reserved one

  testing::internal::CaptureStderr();
  for (const Bytes* file : {&badCrc, &badData, &cutScan, &badMarker}) EXPECT_FALSE(Decode(*file).has_value());
  EXPECT_FALSE(Info(badCrc).has_value());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(BadPictures, InconsistentHeadersOfOurOwnFormatsAreRefused) {
  // DDS: unsupported codes and layouts, a mip chain longer than the picture allows,
  // one byte of DXT data missing.
  ExpectRefused(WriteDds(4, 4, {.fourCc = "DXT2"}, Bytes(16, 0)), "dds premultiplied");
  ExpectRefused(WriteDds(4, 4, {.fourCc = "DX10"}, Bytes(64, 0)), "dds dx10");
  ExpectRefused(WriteDds(4, 4, {.fourCc = "DXT1", .caps2 = 0x200}, Bytes(6 * 8, 0)), "dds cube map");
  ExpectRefused(WriteDds(4, 4, {.bits = 16, .red = 0xF800, .green = 0x7E0, .blue = 0x1F}, Bytes(32, 0)), "dds 565");
  ExpectRefused(WriteDds(kWidth, kHeight, {.fourCc = "DXT1", .mipLevels = 4}, Bytes(64, 0)), "dds too many mips");
  ExpectRefused(WriteDds(8, 8, {.fourCc = "DXT5"}, Bytes(63, 0)), "dds short dxt data");

  // PFM: the scale must be a non-zero number; sides plain decimal.
  for (const char* header : {"PF\n2 2\n0\n", "PF\n2 2\nabc\n", "PF\n2 2\nnan\n", "PF\n2 2\ninf\n", "PF\n-2 2\n-1\n",
                             "PF\n2x 2\n-1\n", "Pf\n2\n-1\n"}) {
    ExpectRefused(Concat(header, 64), header);
  }
  ExpectRefused(ByteWriter().Text("PF\n1 1\n-1").Append(Bytes(12, 0x41)).bytes, "pfm data glued to the scale");

  // HDR: a run longer than the row, a row of the wrong width, a switch to flat data.
  const std::string hdrHeader = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 8\n";
  ExpectRefused(ByteWriter().Text(hdrHeader).U8(2).U8(2).U8(0).U8(8).U8(128 + 9).U8(1).Append(Bytes(32, 0)).bytes,
                "hdr run past the row");
  ExpectRefused(ByteWriter().Text(hdrHeader).U8(2).U8(2).U8(0).U8(7).Append(Bytes(64, 1)).bytes, "hdr width");
  Bytes twoRows = WriteHdr(8, 2, Bytes(64, 100), true);
  Bytes mixed(twoRows.begin(), twoRows.end() - 12);  // second row's data replaced by flat pixels
  mixed.resize(twoRows.size() + 64, 200);
  ExpectRefused(mixed, "hdr flat after coded rows");
  ExpectRefused(Concat("#?RADIANCE\n\n-Y 1 +X 1\n", 4), "hdr without format");
  ExpectRefused(Concat("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n-Y 1 +X 1\n", 4), "hdr without blank line");

  // Netpbm: samples above the maximum, maximum 0 or above 16 bits.
  EXPECT_FALSE(Decode(WritePnm("P3", 1, 1, 100, {50, 101, 0})).has_value());
  EXPECT_FALSE(Decode(WritePnm("P6", 1, 1, 300, {0, 301, 0})).has_value());
  ExpectRefused(Concat("P5 1 1 0\n", 4), "pgm maximum 0");
  ExpectRefused(Concat("P5 1 1 70000\n", 4), "pgm maximum too large");

  // BMP: an index past a short palette, run-length compression, equal bit-field masks.
  EXPECT_FALSE(Decode(WriteBmp8(2, 1, {0xFF0000, 0x00FF00}, {1, 2})).has_value());
  Bytes rle = WriteBmp(2, 2, Pixels(4, 0), 24);
  rle[30] = 1;
  ExpectRefused(rle, "bmp rle");
  Bytes masks = WriteBmp(2, 2, Pixels(4, 0), 32, false, 0xFF000000u);
  for (int i = 0; i < 3; ++i) std::memcpy(&masks[54 + 4 * i], "\xFF\0\0\0", 4);
  ExpectRefused(masks, "bmp equal masks");

  // TGA has no signature: bytes that do not pass its header check are no picture.
  Bytes noise(256);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = std::uint8_t(i * 37 + 11);
  ExpectRefused(noise, "noise");
  Bytes mapped = WriteTga(2, 2, Pixels(4, 0), 24, false);
  mapped[1] = 1;  // a colour map on a true-colour picture
  ExpectRefused(mapped, "tga colour map on true colour");
  ExpectRefused({}, "empty");
}

}  // namespace
}  // namespace pictures_test
