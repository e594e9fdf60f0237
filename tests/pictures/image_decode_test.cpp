// Each format decodes to the pixels written into it and reports the facts D3DX does.
// Truncated, damaged and hostile files fail cleanly: no crash, no read outside the
// given bytes (run under AddressSanitizer too), nothing printed, no huge allocation.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <tuple>

#include "tests/support/PictureWriters.h"

namespace pictures_test {
namespace {

const Pixels kSample = SamplePixels();
const Pixels kOpaque = Opaque(SamplePixels());

Bytes AsBytes(const std::vector<std::uint32_t>& samples) { return Bytes(samples.begin(), samples.end()); }

Pixels GreyOf(const Pixels& pixels) {
  Pixels grey;
  for (std::uint32_t p : pixels) grey.push_back(0xFF000000u | (p >> 8 & 0xFF) * 0x010101u);
  return grey;
}

Bytes Concat(const std::string& text, std::size_t zeroBytes) { return ByteWriter().Text(text).Append(Bytes(zeroBytes, 0)).bytes; }

auto Facts(const D3DXIMAGE_INFO& i) {
  return std::tuple(i.Width, i.Height, i.Depth, i.MipLevels, i.Format, i.ResourceType, i.ImageFileFormat);
}

// The file gives its information and pixels whole; every shorter copy of it gives no
// pixels, and information only from a whole header, the true one.
void ExpectOnlyWholeFileDecodes(const Bytes& file) {
  auto full = Info(file);
  ASSERT_TRUE(full.has_value() && Decode(file).has_value());
  for (std::size_t length = 0; length < file.size(); ++length) {
    // A copy of exactly this length, so a read past it is caught.
    Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
    ASSERT_FALSE(Decode(cut).has_value()) << "decoded with " << length << " of " << file.size() << " bytes";
    if (auto info = Info(cut)) {
      ASSERT_EQ(Facts(*info), Facts(*full)) << "length " << length;
    }
  }
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

TEST(PictureFormats, EveryFormatGivesItsPixelsAndInformationAndNoTruncationDecodes) {
  const Bytes palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  Pixels runs = kSample;
  std::fill(runs.begin(), runs.begin() + kWidth, 0xFF102030);  // one run packet for the first row
  // PFM rows top to bottom; RGBE is mantissa * 2^(exponent - 136), exponent 0 black.
  const std::vector<float> pfm = {0.0f, 0.5f, 1.0f, 2.0f, -1.0f, std::nanf(""), 0.25f, 0.75f, 1.0f, 1.0f, 1.0f, 0.0f};
  const Pixels pfmPixels = {0xFF0080FF, 0xFFFF0000, 0xFF40BFFF, 0xFFFFFF00};
  const Pixels quads = {0x80400081, 0x80808080, 0xFF00008C, 0xC8C8C800};
  const Pixels quadColours = {0xFFFF8000, 0xFF808080, 0xFFFF0000, 0xFF000000};
  Pixels rgbeQuads, hdrPixels;
  for (int i = 0; i < 9 * 2; ++i) rgbeQuads.push_back(quads[i % 4]), hdrPixels.push_back(quadColours[i % 4]);
  const Bytes rgbe = AsBytes(Channels(rgbeQuads, {24, 16, 8, 0})), narrowRgbe(rgbe.begin(), rgbe.begin() + 3 * 2 * 4);
  Bytes whiteDxt5;
  const Bytes rgb = AsBytes(Channels(kSample, {16, 8, 0})), argb = AsBytes(Channels(kSample, {0, 8, 16, 24}));
  const Bytes abgr = AsBytes(Channels(kSample, {16, 8, 0, 24})), bgr = AsBytes(Channels(kSample, {0, 8, 16}));
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
      {"P6", WritePnm("P6", kWidth, kHeight, 255, Channels(kOpaque, {16, 8, 0})), kOpaque, D3DFMT_R8G8B8, D3DXIFF_PPM},
      {"P2", WritePnm("P2", kWidth, kHeight, 255, Channels(kOpaque, {8})), GreyOf(kOpaque), D3DFMT_L8, D3DXIFF_PPM},
      // Samples scale from their maximum to 255; two-byte samples are big-endian.
      {"pnm max 15", WritePnm("P5", 3, 1, 15, {0, 7, 15}), {0xFF000000, 0xFF777777, 0xFFFFFFFF}},
      {"pnm 16-bit", WritePnm("P6", 1, 1, 65535, {0xFFFF, 0x8080, 0x0101}), {0xFFFF8001}},
      {"pnm text max 1000", WritePnm("P3", 1, 1, 1000, {1000, 500, 0}), {0xFFFF8000}},
      // Floats clamp to 0..1 linearly; NaN is 0.
      {"pfm little", WritePfm(true, 2, 2, pfm, true), pfmPixels, D3DFMT_A32B32G32R32F, D3DXIFF_PFM, 2, 2},
      {"pfm big", WritePfm(true, 2, 2, pfm, false), pfmPixels, D3DFMT_A32B32G32R32F, D3DXIFF_PFM, 2, 2},
      {"pfm grey", WritePfm(false, 3, 1, {0.0f, 0.5f, 1.0f}, false), {0xFF000000, 0xFF808080, 0xFFFFFFFF},
       D3DFMT_R32F, D3DXIFF_PFM, 3, 1},
      {"hdr flat", WriteHdr(3, 2, narrowRgbe, false), Pixels(hdrPixels.begin(), hdrPixels.begin() + 6),
       D3DFMT_A32B32G32R32F, D3DXIFF_HDR, 3, 2},
      {"hdr rle", WriteHdr(9, 2, rgbe, true), hdrPixels, D3DFMT_A32B32G32R32F, D3DXIFF_HDR, 9, 2},
      {"hdr wide flat", WriteHdr(9, 2, rgbe, false), hdrPixels},
      {"dds argb", WriteDds(kWidth, kHeight, {}, argb), kSample, D3DFMT_A8R8G8B8, D3DXIFF_DDS},
      {"dds xrgb", WriteDds(kWidth, kHeight, {.alphaPixels = false}, argb), kOpaque, D3DFMT_X8R8G8B8, D3DXIFF_DDS},
      {"dds abgr", WriteDds(kWidth, kHeight, {.red = 0xFF, .blue = 0xFF0000}, abgr), kSample, D3DFMT_A8B8G8R8,
       D3DXIFF_DDS},
      {"dds rgb", WriteDds(kWidth, kHeight, {.bits = 24, .alphaPixels = false}, bgr), kOpaque, D3DFMT_R8G8B8,
       D3DXIFF_DDS},
      {"dds dxt5 mips", WriteDds(kWidth, kHeight, {.fourCc = "DXT5", .mipLevels = 3}, whiteDxt5),
       Pixels(kWidth * kHeight, 0xFFFFFFFF), D3DFMT_DXT5, D3DXIFF_DDS, kWidth, kHeight, 3},
  };
  for (const Expected& c : cases) {
    SCOPED_TRACE(c.name);
    auto info = Info(c.file);
    ASSERT_TRUE(info.has_value());
    if (c.format != D3DFMT_UNKNOWN) {
      EXPECT_EQ(Facts(*info), Facts({c.width, c.height, 1, c.mipLevels, c.format, D3DRTYPE_TEXTURE, c.kind}));
    }
    EXPECT_EQ(PixelsOf(c.file), c.pixels);
    ExpectOnlyWholeFileDecodes(c.file);
  }

  // JPEG, colour and grey, baseline and progressive, within the compression error.
  // Two flat halves on whole blocks keep the compression error small.
  const std::uint32_t w = 32, h = 16;
  Pixels pixels;
  for (std::uint32_t i = 0; i < w * h; ++i) pixels.push_back(i % w < 16 ? 0xFF3060C0 : 0xFFE0A020);
  for (int variant = 0; variant < 4; ++variant) {
    const bool grey = variant & 1, progressive = variant & 2;
    SCOPED_TRACE(variant);
    Bytes file = WriteJpeg(w, h, pixels, grey, progressive);
    EXPECT_EQ(std::tuple(Info(file)->Format, Info(file)->ImageFileFormat), std::tuple(grey ? D3DFMT_L8 : D3DFMT_R8G8B8, D3DXIFF_JPG));
    auto got = Channels(PixelsOf(file), {24, 16, 8, 0}), want = Channels(grey ? GreyOf(pixels) : pixels, {24, 16, 8, 0});
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_LE(std::abs(int(got[i]) - int(want[i])), 6) << "pixel " << i / 4;
    ExpectOnlyWholeFileDecodes(file);
  }
}

// Sides above the limit or zero, headers that contradict themselves or their data, and
// damaged library streams: no information, no pixels, and nothing printed.
TEST(BadPictures, HostileInconsistentAndDamagedFilesAreRefusedQuietly) {
  const std::uint32_t over = layer::kMaxImageSide + 1;
  Bytes badCrc = WritePngRgba(kWidth, kHeight, SamplePixels()), badData = badCrc;
  badCrc[29] ^= 0xFF;                   // IHDR's CRC
  badData[badData.size() - 20] ^= 0x5A;  // inside IDAT
  Bytes cutScan = WriteJpeg(32, 32, Pixels(32 * 32, 0xFF336699), false, false), badMarker = cutScan;
  std::memcpy(&cutScan[cutScan.size() - 12], "\xFF\xD9", 2);  // end of image inside the scan
  badMarker[3] = 0x01;  // the first segment's marker becomes a reserved one
  const std::string hdrHeader = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 8\n";
  Bytes minHeight = WriteBmp(1, 1, {0}, 24), twoRows = WriteHdr(8, 2, Bytes(64, 100), true);
  std::memcpy(&minHeight[22], "\0\0\0\x80", 4);  // height INT_MIN
  Bytes mixed(twoRows.begin(), twoRows.end() - 12);  // second row's data replaced by flat pixels
  mixed.resize(twoRows.size() + 64, 200);
  Bytes rle = WriteBmp(2, 2, Pixels(4, 0), 24), masks = WriteBmp(2, 2, Pixels(4, 0), 32, false, 0xFF000000u);
  rle[30] = 1;
  for (int i = 0; i < 3; ++i) std::memcpy(&masks[54 + 4 * i], "\xFF\0\0\0", 4);
  Bytes noise(256), mapped = WriteTga(2, 2, Pixels(4, 0), 24, false);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = std::uint8_t(i * 37 + 11);
  mapped[1] = 1;  // a colour map on a true-colour picture
  std::vector<std::pair<std::string, Bytes>> files = {
      {"png tall", WritePng(1, over, PNG_COLOR_TYPE_GRAY, 8, Bytes(over, 0))},
      {"png with a bad CRC", badCrc},
      {"jpeg with a reserved marker", badMarker},
      {"jpeg wide", WriteJpeg(over, 8, Pixels(over * 8, 0xFF808080), true, false)},
      {"bmp wide", WriteBmp(over, 1, Pixels(over, 0), 24)},
      {"bmp height INT_MIN", minHeight},
      {"bmp rle", rle},
      {"bmp equal masks", masks},
      {"tga wide", WriteTga(over, 1, Pixels(over, 0), 24, false)},
      {"tga colour map on true colour", mapped},
      // TGA has no signature: bytes that do not pass its header check are no picture.
      {"noise", noise},
      {"empty", {}},
      {"dds at the limit, without its data", WriteDds(16384, 16384, {.fourCc = "DXT1"}, {})},
      {"dds wide", WriteDds(over, 4, {.fourCc = "DXT1"}, Bytes(over * 2, 0))},
      {"dds premultiplied", WriteDds(4, 4, {.fourCc = "DXT2"}, Bytes(16, 0))},
      {"dds dx10", WriteDds(4, 4, {.fourCc = "DX10"}, Bytes(64, 0))},
      {"dds cube map", WriteDds(4, 4, {.fourCc = "DXT1", .caps2 = 0x200}, Bytes(6 * 8, 0))},
      {"dds 565", WriteDds(4, 4, {.bits = 16, .red = 0xF800, .green = 0x7E0, .blue = 0x1F}, Bytes(32, 0))},
      {"dds too many mips", WriteDds(kWidth, kHeight, {.fourCc = "DXT1", .mipLevels = 4}, Bytes(64, 0))},
      {"dds short dxt data", WriteDds(8, 8, {.fourCc = "DXT5"}, Bytes(63, 0))},
      {"pfm data glued to the scale", ByteWriter().Text("PF\n1 1\n-1").Append(Bytes(12, 0x41)).bytes},
      {"hdr run past the row", ByteWriter().Text(hdrHeader).U32(0x08000202).U8(137).U8(1).Append(Bytes(32, 0)).bytes},
      {"hdr row width", ByteWriter().Text(hdrHeader).U32(0x07000202).Append(Bytes(64, 1)).bytes},
      {"hdr flat after coded rows", mixed},
  };
  // Text headers, each with data enough for its sides: sides too large, overflowing or
  // zero; a PFM scale that is not a non-zero number or sides not plain decimal; HDR
  // without its format or the blank line after it; a PGM maximum outside 1..65535.
  for (const char* header : {"P6 16385 1 255\n", "P6 99999999999999999999 1 255\n", "PF\n16385 1\n-1\n",
                             "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 16385\n", "P5 0 1 255\n", "PF\n1 0\n-1\n",
                             "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 0 +X 1\n", "PF\n2 2\n0\n", "PF\n2 2\nabc\n",
                             "PF\n2 2\nnan\n", "PF\n2 2\ninf\n", "PF\n-2 2\n-1\n", "PF\n2x 2\n-1\n", "Pf\n2\n-1\n",
                             "#?RADIANCE\n\n-Y 1 +X 1\n", "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n-Y 1 +X 1\n",
                             "P5 1 1 0\n", "P5 1 1 70000\n"}) {
    files.emplace_back(header, Concat(header, std::string(header).find("16385") != std::string::npos ? 12 * over : 64));
  }
  testing::internal::CaptureStderr();
  for (const auto& [what, file] : files) {
    EXPECT_FALSE(Info(file).has_value()) << what;
    EXPECT_FALSE(Decode(file).has_value()) << what;
  }
  // Damaged data, samples above the maximum, an index past a short palette: the header is fine.
  for (const Bytes& file : {badData, cutScan, WritePnm("P3", 1, 1, 100, {50, 101, 0}), WritePnm("P6", 1, 1, 300, {0, 301, 0}),
                            WriteBmp(2, 1, {1, 2}, 8, false, 0, {0xFF0000, 0x00FF00})}) {
    EXPECT_FALSE(Decode(file).has_value());
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(Decode(Concat("P5 16384 1 255\n", layer::kMaxImageSide)).has_value()) << "exactly at the limit";
}

}  // namespace
}  // namespace pictures_test
