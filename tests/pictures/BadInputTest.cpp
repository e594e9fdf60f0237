// Truncated, damaged and hostile picture files fail cleanly: no crash, no read outside
// the given bytes (run under AddressSanitizer too), nothing printed, no huge allocation.
#include <gtest/gtest.h>
#include <png.h>

#include <cstring>

#include "tests/support/PictureWriters.h"

namespace pictures_test {
namespace {

Bytes Concat(const std::string& text, std::size_t zeroBytes) {
  return ByteWriter().Text(text).Append(Bytes(zeroBytes, 0)).bytes;
}

// Each file fails both ways: no information, no pixels.
void ExpectRefused(const std::vector<std::pair<std::string, Bytes>>& files) {
  for (const auto& [what, file] : files) {
    EXPECT_FALSE(Info(file).has_value()) << what;
    EXPECT_FALSE(Decode(file).has_value()) << what;
  }
}

TEST(BadPictures, EveryTruncationOfEveryFormatFailsCleanly) {
  const Pixels sample = SamplePixels();
  Bytes hdrData(9 * 2 * 4);
  // Constant exponents make one run packet per row, the rest literal packets.
  for (std::size_t i = 0; i < hdrData.size(); ++i) hdrData[i] = std::uint8_t(i % 4 == 3 ? 130 : i * 7 % 120 + 10);
  const std::pair<const char*, Bytes> cases[] = {
      {"png", WritePngRgba(kWidth, kHeight, sample)},
      {"png interlaced", WritePngRgba(kWidth, kHeight, sample, true)},
      {"jpeg", WriteJpeg(kWidth, kHeight, sample, false, false)},
      {"jpeg progressive", WriteJpeg(kWidth, kHeight, sample, false, true)},
      {"bmp", WriteBmp(kWidth, kHeight, sample, 24)},
      {"bmp indexed", WriteBmp(3, 2, {0, 1, 0, 1, 1, 0}, 8, false, 0, {0xFF0000, 0x00FF00})},
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
  for (const auto& [name, file] : cases) {
    SCOPED_TRACE(name);
    auto full = Info(file);
    ASSERT_TRUE(full.has_value() && Decode(file).has_value());
    for (std::size_t length = 0; length < file.size(); ++length) {
      // A copy of exactly this length, so a read past it is caught.
      Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
      ASSERT_FALSE(Decode(cut).has_value()) << "decoded with " << length << " of " << file.size() << " bytes";
      // Information may come from a whole header, but then it is the true one.
      if (auto info = Info(cut)) {
        ASSERT_EQ(std::memcmp(&*info, &*full, sizeof *info), 0) << "length " << length;
      }
    }
  }
}

TEST(BadPictures, SidesAboveTheLimitOrZeroAreRefused) {
  const std::uint32_t over = layer::kMaxImageSide + 1;
  Bytes minHeight = WriteBmp(1, 1, {0}, 24);
  std::memcpy(&minHeight[22], "\0\0\0\x80", 4);  // height INT_MIN
  ExpectRefused({
      {"png tall", WritePng(1, over, PNG_COLOR_TYPE_GRAY, 8, Bytes(over, 0))},
      {"jpeg wide", WriteJpeg(over, 8, Pixels(over * 8, 0xFF808080), true, false)},
      {"bmp wide", WriteBmp(over, 1, Pixels(over, 0), 24)},
      {"bmp height INT_MIN", minHeight},
      {"tga wide", WriteTga(over, 1, Pixels(over, 0), 24, false)},
      {"ppm wide", Concat("P6 16385 1 255\n", 3 * over)},
      {"ppm overflowing width", Concat("P6 99999999999999999999 1 255\n", 64)},
      {"pfm wide", Concat("PF\n16385 1\n-1\n", 12 * over)},
      {"hdr wide", Concat("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 16385\n", 4 * over)},
      {"dds at the limit, without its data", WriteDds(16384, 16384, {.fourCc = "DXT1"}, {})},
      {"dds wide", WriteDds(over, 4, {.fourCc = "DXT1"}, Bytes(over * 2, 0))},
      {"bmp zero width", WriteBmp(0, 1, {}, 24)},
      {"tga zero height", WriteTga(1, 0, {}, 24, false)},
      {"pgm zero width", Concat("P5 0 1 255\n", 4)},
      {"pfm zero height", Concat("PF\n1 0\n-1\n", 12)},
      {"dds zero width", WriteDds(0, 4, {.fourCc = "DXT1"}, Bytes(8, 0))},
      {"hdr zero height", Concat("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 0 +X 1\n", 4)},
  });
  EXPECT_TRUE(Decode(Concat("P5 16384 1 255\n", layer::kMaxImageSide)).has_value()) << "exactly at the limit";
}

TEST(BadPictures, DamagedLibraryStreamsFailWithoutPrinting) {
  Bytes badCrc = WritePngRgba(kWidth, kHeight, SamplePixels()), badData = badCrc;
  badCrc[29] ^= 0xFF;                   // IHDR's CRC
  badData[badData.size() - 20] ^= 0x5A;  // inside IDAT
  Bytes cutScan = WriteJpeg(32, 32, Pixels(32 * 32, 0xFF336699), false, false), badMarker = cutScan;
  std::memcpy(&cutScan[cutScan.size() - 12], "\xFF\xD9", 2);  // end of image inside the scan
  badMarker[3] = 0x01;  // the first segment's marker becomes a reserved one
  testing::internal::CaptureStderr();
  for (const Bytes* file : {&badCrc, &badData, &cutScan, &badMarker}) EXPECT_FALSE(Decode(*file).has_value());
  EXPECT_FALSE(Info(badCrc).has_value());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(BadPictures, InconsistentHeadersAreRefused) {
  const std::string hdrHeader = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 8\n";
  Bytes twoRows = WriteHdr(8, 2, Bytes(64, 100), true);
  Bytes mixed(twoRows.begin(), twoRows.end() - 12);  // second row's data replaced by flat pixels
  mixed.resize(twoRows.size() + 64, 200);
  Bytes rle = WriteBmp(2, 2, Pixels(4, 0), 24), masks = WriteBmp(2, 2, Pixels(4, 0), 32, false, 0xFF000000u);
  rle[30] = 1;
  for (int i = 0; i < 3; ++i) std::memcpy(&masks[54 + 4 * i], "\xFF\0\0\0", 4);
  Bytes noise(256), mapped = WriteTga(2, 2, Pixels(4, 0), 24, false);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = std::uint8_t(i * 37 + 11);
  mapped[1] = 1;  // a colour map on a true-colour picture
  ExpectRefused({
      {"dds premultiplied", WriteDds(4, 4, {.fourCc = "DXT2"}, Bytes(16, 0))},
      {"dds dx10", WriteDds(4, 4, {.fourCc = "DX10"}, Bytes(64, 0))},
      {"dds cube map", WriteDds(4, 4, {.fourCc = "DXT1", .caps2 = 0x200}, Bytes(6 * 8, 0))},
      {"dds 565", WriteDds(4, 4, {.bits = 16, .red = 0xF800, .green = 0x7E0, .blue = 0x1F}, Bytes(32, 0))},
      {"dds too many mips", WriteDds(kWidth, kHeight, {.fourCc = "DXT1", .mipLevels = 4}, Bytes(64, 0))},
      {"dds short dxt data", WriteDds(8, 8, {.fourCc = "DXT5"}, Bytes(63, 0))},
      // The scale must be a non-zero number; sides plain decimal.
      {"pfm scale 0", Concat("PF\n2 2\n0\n", 64)},
      {"pfm scale abc", Concat("PF\n2 2\nabc\n", 64)},
      {"pfm scale nan", Concat("PF\n2 2\nnan\n", 64)},
      {"pfm scale inf", Concat("PF\n2 2\ninf\n", 64)},
      {"pfm negative side", Concat("PF\n-2 2\n-1\n", 64)},
      {"pfm side 2x", Concat("PF\n2x 2\n-1\n", 64)},
      {"pfm one side", Concat("Pf\n2\n-1\n", 64)},
      {"pfm data glued to the scale", ByteWriter().Text("PF\n1 1\n-1").Append(Bytes(12, 0x41)).bytes},
      {"hdr run past the row", ByteWriter().Text(hdrHeader).U32(0x08000202).U8(137).U8(1).Append(Bytes(32, 0)).bytes},
      {"hdr row width", ByteWriter().Text(hdrHeader).U32(0x07000202).Append(Bytes(64, 1)).bytes},
      {"hdr flat after coded rows", mixed},
      {"hdr without format", Concat("#?RADIANCE\n\n-Y 1 +X 1\n", 4)},
      {"hdr without blank line", Concat("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n-Y 1 +X 1\n", 4)},
      {"pgm maximum 0", Concat("P5 1 1 0\n", 4)},
      {"pgm maximum too large", Concat("P5 1 1 70000\n", 4)},
      {"bmp rle", rle},
      {"bmp equal masks", masks},
      // TGA has no signature: bytes that do not pass its header check are no picture.
      {"noise", noise},
      {"tga colour map on true colour", mapped},
      {"empty", {}},
  });
  // Samples above the maximum and an index past a short palette: the header is fine.
  EXPECT_FALSE(Decode(WritePnm("P3", 1, 1, 100, {50, 101, 0})).has_value());
  EXPECT_FALSE(Decode(WritePnm("P6", 1, 1, 300, {0, 301, 0})).has_value());
  EXPECT_FALSE(Decode(WriteBmp(2, 1, {1, 2}, 8, false, 0, {0xFF0000, 0x00FF00})).has_value());
}

}  // namespace
}  // namespace pictures_test
