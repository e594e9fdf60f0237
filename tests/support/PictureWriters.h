// Picture files made inside the tests (PNG and JPEG through libpng and libjpeg, the
// other formats byte by byte, so every expected pixel is known exactly), and short
// ways to run the decoder on them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "platform/d3dx9/image_decode.h"

namespace pictures_test {

using Bytes = std::vector<std::uint8_t>;
using Pixels = std::vector<std::uint32_t>;  // 0xAARRGGBB, rows top to bottom

// A small picture with distinct colours, partial alpha and one opaque magenta pixel:
// 5 x 3, so rows need padding in BMP and blocks are partial in DXT.
constexpr std::uint32_t kWidth = 5, kHeight = 3;
Pixels SamplePixels();
Pixels Opaque(Pixels pixels);  // alpha 255 everywhere
// The bytes at the given bit shifts of each pixel, in that order ({16, 8, 0}: RGB).
std::vector<std::uint32_t> Channels(const Pixels& pixels, std::initializer_list<int> shifts);

// Little-endian byte writer for hand-made headers.
struct ByteWriter {
  Bytes bytes;
  ByteWriter& U8(std::uint32_t v) { bytes.push_back(static_cast<std::uint8_t>(v)); return *this; }
  ByteWriter& U16(std::uint32_t v) { return U8(v).U8(v >> 8); }
  ByteWriter& U32(std::uint32_t v) { return U16(v).U16(v >> 16); }
  ByteWriter& Text(const std::string& text) { return Append(Bytes(text.begin(), text.end())); }
  ByteWriter& Append(const Bytes& more) { bytes.insert(bytes.end(), more.begin(), more.end()); return *this; }
};

// colorType and bitDepth as libpng names them; rows holds the packed samples of all
// rows; palette (RGB triples) and transparency are optional.
Bytes WritePng(std::uint32_t width, std::uint32_t height, int colorType, int bitDepth, const Bytes& rows,
               bool interlaced = false, const Bytes& palette = {}, const Bytes& transparency = {});
Bytes WritePngRgba(std::uint32_t width, std::uint32_t height, const Pixels& pixels, bool interlaced = false);
// Quality 95 without chroma subsampling; grey keeps the green channel.
Bytes WriteJpeg(std::uint32_t width, std::uint32_t height, const Pixels& pixels, bool grey, bool progressive);
// 8 (pixels are indexes into palette, 0x00RRGGBB), 24 or 32 bits with the 40-byte
// header; alphaMask writes a V5 header with bit fields. Rows bottom-up unless topDown.
Bytes WriteBmp(std::uint32_t width, std::uint32_t height, const Pixels& pixels, int bits, bool topDown = false,
               std::uint32_t alphaMask = 0, const Pixels& palette = {});
// True colour, 24 or 32 bits, after an image id; rle makes runs of repeats and
// one-pixel literals.
Bytes WriteTga(std::uint32_t width, std::uint32_t height, const Pixels& pixels, int bits, bool rle,
               bool topDown = false, bool rightToLeft = false);
// Netpbm: magic "P2", "P3", "P5" or "P6"; samples in file order.
Bytes WritePnm(const std::string& magic, std::uint32_t width, std::uint32_t height, std::uint32_t maxValue,
               const std::vector<std::uint32_t>& samples);
// PFM from samples given rows top to bottom (written bottom to top).
Bytes WritePfm(bool colour, std::uint32_t width, std::uint32_t height, const std::vector<float>& samples,
               bool littleEndian);
// Radiance HDR from RGBE quadruples; rle codes each channel of a row as one run when
// all its samples are equal, else as one literal packet (width 8 to 127).
Bytes WriteHdr(std::uint32_t width, std::uint32_t height, const Bytes& rgbe, bool rle);
// DDS: fourCc ("DXT1"...) or, when empty, RGB with the masks given.
struct DdsLayout {
  std::string fourCc = {};
  std::uint32_t bits = 32, red = 0xFF0000, green = 0xFF00, blue = 0xFF, alpha = 0xFF000000u;
  bool alphaPixels = true;
  std::uint32_t mipLevels = 1;
  std::uint32_t caps2 = 0;
};
Bytes WriteDds(std::uint32_t width, std::uint32_t height, const DdsLayout& layout, const Bytes& data);

inline std::optional<layer::DecodedImage> Decode(const Bytes& file) {
  layer::DecodedImage image;
  if (!layer::DecodeImage(file.data(), file.size(), image)) return std::nullopt;
  return image;
}
inline std::optional<D3DXIMAGE_INFO> Info(const Bytes& file) {
  D3DXIMAGE_INFO info{};
  if (!layer::ReadImageInfo(file.data(), file.size(), info)) return std::nullopt;
  return info;
}
// The decoded pixels, or an empty list when decoding failed.
inline Pixels PixelsOf(const Bytes& file) { return Decode(file).value_or(layer::DecodedImage{}).argb; }

}  // namespace pictures_test
