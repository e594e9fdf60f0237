// Windows bitmaps: the header is read and checked here, the pixels by stb_image.
// Uncompressed and bit-field bitmaps of 1, 4, 8, 16, 24 and 32 bits are read; RLE
// and embedded JPEG/PNG bitmaps, and what stb misreads, are refused.
#include <bit>

#include "platform/d3dx9/image_codecs.h"
#include "platform/d3dx9/image_stb.h"

namespace layer::image {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::uint32_t kRgb = 0, kBitFields = 3;

struct BmpHeader {
  std::uint32_t width = 0, height = 0;
  std::uint32_t bitCount = 0;
  std::uint64_t pixelOffset = 0, rowBytes = 0;
  std::uint32_t paletteEntries = 0;
  std::uint32_t red = 0, green = 0, blue = 0, alpha = 0;  // channel masks (16 and 32 bits)
  bool hasAlpha = false;
  D3DFORMAT format = D3DFMT_UNKNOWN;
};

bool MasksUsable(const BmpHeader& h) {
  if (h.red == 0 || h.green == 0 || h.blue == 0 || (h.red == h.green && h.green == h.blue)) return false;
  for (std::uint32_t mask : {h.red, h.green, h.blue, h.alpha}) {
    if (std::popcount(mask) > 8) return false;
  }
  return true;
}

// D3DX's view of the pixels: palette pictures as X8R8G8B8 (the layer has no P8),
// 24 bits R8G8B8, 16 bits R5G6B5 or X1R5G5B5/A1R5G5B5, 32 bits X8R8G8B8, or
// A8R8G8B8 when a V4/V5 header declares an alpha mask.
D3DFORMAT FormatOf(const BmpHeader& h) {
  switch (h.bitCount) {
    case 16:
      if (h.red == 0xF800 && h.green == 0x07E0 && h.blue == 0x001F) return D3DFMT_R5G6B5;
      return h.hasAlpha ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;
    case 24: return D3DFMT_R8G8B8;
    case 32: return h.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    default: return D3DFMT_X8R8G8B8;
  }
}

bool ParseHeader(Bytes file, BmpHeader& h) {
  const std::uint8_t* p = file.data();
  if (file.size() < kFileHeaderBytes + 4) return false;
  std::uint64_t pixelOffset = Le32(p + 10);
  std::uint32_t infoBytes = Le32(p + 14);
  if (infoBytes != 12 && infoBytes != 40 && infoBytes != 56 && infoBytes != 108 && infoBytes != 124) return false;
  if (file.size() < kFileHeaderBytes + infoBytes) return false;
  const std::uint8_t* info = p + kFileHeaderBytes;

  std::int64_t signedHeight = 0;
  std::uint32_t planes = 0, compression = kRgb;
  std::uint64_t headerEnd = kFileHeaderBytes + infoBytes;  // where palette or masks follow
  if (infoBytes == 12) {
    h.width = Le16(info + 4);
    signedHeight = Le16(info + 6);
    planes = Le16(info + 8);
    h.bitCount = Le16(info + 10);
  } else {
    h.width = Le32(info + 4);
    signedHeight = static_cast<std::int32_t>(Le32(info + 8));
    planes = Le16(info + 12);
    h.bitCount = Le16(info + 14);
    compression = Le32(info + 16);
  }
  if (planes != 1) return false;
  h.height = static_cast<std::uint32_t>(signedHeight < 0 ? -signedHeight : signedHeight);
  if (!SidesAllowed(h.width, h.height)) return false;

  switch (h.bitCount) {
    case 1: case 4: case 8:
      // stb places the palette of a 12-byte (OS/2) header four entries short.
      if (infoBytes == 12) return false;
      [[fallthrough]];
    case 24:
      if (compression != kRgb) return false;
      break;
    case 16: case 32:
      if (compression == kRgb) {
        h.red = h.bitCount == 16 ? 0x7C00 : 0xFF0000;
        h.green = h.bitCount == 16 ? 0x03E0 : 0xFF00;
        h.blue = h.bitCount == 16 ? 0x001F : 0xFF;
      } else if (compression == kBitFields) {
        if (infoBytes >= 108) {
          h.red = Le32(info + 40);
          h.green = Le32(info + 44);
          h.blue = Le32(info + 48);
          h.alpha = Le32(info + 52);
          h.hasAlpha = h.alpha != 0;
        } else if (infoBytes == 40) {
          if (file.size() < headerEnd + 12) return false;
          h.red = Le32(p + headerEnd);
          h.green = Le32(p + headerEnd + 4);
          h.blue = Le32(p + headerEnd + 8);
          headerEnd += 12;
        } else {
          return false;  // masks inside a 56-byte header are not where stb looks for them
        }
        if (!MasksUsable(h)) return false;
      } else {
        return false;
      }
      break;
    default:
      return false;
  }

  // A palette lies between the header and the pixels; stb wants one for 1-8 bits and
  // none otherwise (then the pixels start right after the header).
  if (pixelOffset < headerEnd) return false;
  std::uint64_t paletteEntries = (pixelOffset - headerEnd) / 4;
  if (h.bitCount <= 8) {
    if (paletteEntries == 0 || paletteEntries > 256) return false;
  } else if (pixelOffset != headerEnd) {
    return false;
  }

  h.paletteEntries = static_cast<std::uint32_t>(paletteEntries);
  h.pixelOffset = pixelOffset;
  h.rowBytes = (static_cast<std::uint64_t>(h.width) * h.bitCount + 31) / 32 * 4;
  if (pixelOffset + h.rowBytes * h.height > file.size()) return false;
  h.format = FormatOf(h);
  return true;
}

// stb looks up an index beyond a short palette in entries it never filled.
bool IndexesInPalette(Bytes file, const BmpHeader& h) {
  if (h.bitCount > 8 || h.paletteEntries >= (1u << h.bitCount)) return true;
  std::uint32_t perByte = 8 / h.bitCount, mask = (1u << h.bitCount) - 1;
  for (std::uint32_t y = 0; y < h.height; ++y) {
    const std::uint8_t* row = file.data() + h.pixelOffset + h.rowBytes * y;
    for (std::uint32_t x = 0; x < h.width; ++x) {
      std::uint32_t shift = 8 - h.bitCount * (x % perByte + 1);
      if ((row[x / perByte] >> shift & mask) >= h.paletteEntries) return false;
    }
  }
  return true;
}

bool Matches(Bytes file) { return StartsWith(file, "BM", 2); }

bool ReadInfo(Bytes file, D3DXIMAGE_INFO& info) {
  BmpHeader h;
  if (!ParseHeader(file, h)) return false;
  SetInfo(info, h.width, h.height, 1, h.format, D3DXIFF_BMP);
  return true;
}

bool Decode(Bytes file, DecodedImage& image) {
  BmpHeader h;
  if (!ParseHeader(file, h) || !IndexesInPalette(file, h) || !StbDecode8(file, h.width, h.height, image)) {
    return false;
  }
  // stb keeps the fourth byte of plain 32-bit pixels as alpha; without a declared
  // alpha mask it is padding and the picture is opaque.
  if (!h.hasAlpha) {
    for (std::uint32_t& pixel : image.argb) pixel |= 0xFF000000u;
  }
  return true;
}

}  // namespace

const Codec kBmpCodec = {Matches, ReadInfo, Decode};

}  // namespace layer::image
