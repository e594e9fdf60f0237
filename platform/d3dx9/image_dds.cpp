// DirectDraw surfaces: 2D textures in DXT1/DXT3/DXT5 or uncompressed 32/24-bit RGB(A)
// with byte-wide channel masks, with or without mip levels. Cube maps, volumes, the
// DX10 extension and other pixel formats are refused. Every declared mip level must be
// present, though only the top one is decoded.
#include <algorithm>
#include <bit>

#include "platform/d3dx9/image_codecs.h"
#include "platform/d3dx9/image_dxt.h"

namespace layer::image {

namespace {

constexpr std::size_t kHeaderBytes = 4 + 124;  // "DDS " and the surface description
constexpr std::uint32_t kFlagMipCount = 0x20000, kFlagDepth = 0x800000;
constexpr std::uint32_t kPixelAlpha = 0x1, kPixelFourCc = 0x4, kPixelRgb = 0x40;
constexpr std::uint32_t kCaps2CubeMap = 0x200, kCaps2Volume = 0x200000;

constexpr std::uint32_t FourCc(const char (&code)[5]) {
  return static_cast<std::uint32_t>(code[0]) | static_cast<std::uint32_t>(code[1]) << 8 |
         static_cast<std::uint32_t>(code[2]) << 16 | static_cast<std::uint32_t>(code[3]) << 24;
}

struct DdsHeader {
  std::uint32_t width = 0, height = 0, mipLevels = 1;
  bool compressed = false;
  BlockFormat blocks = BlockFormat::Dxt1;
  std::uint32_t pixelBytes = 0;                           // uncompressed: 3 or 4
  std::uint32_t redShift = 0, greenShift = 0, blueShift = 0, alphaShift = 0;
  bool hasAlpha = false;
  D3DFORMAT format = D3DFMT_UNKNOWN;
};

std::uint64_t LevelBytes(const DdsHeader& h, std::uint32_t width, std::uint32_t height) {
  if (h.compressed) return SurfaceBytes(h.blocks, width, height);
  return static_cast<std::uint64_t>(width) * height * h.pixelBytes;
}

bool ParseCompressed(std::uint32_t fourCc, DdsHeader& h) {
  h.compressed = true;
  if (fourCc == FourCc("DXT1")) {
    h.blocks = BlockFormat::Dxt1;
    h.format = D3DFMT_DXT1;
  } else if (fourCc == FourCc("DXT3")) {
    h.blocks = BlockFormat::Dxt3;
    h.format = D3DFMT_DXT3;
  } else if (fourCc == FourCc("DXT5")) {
    h.blocks = BlockFormat::Dxt5;
    h.format = D3DFMT_DXT5;
  } else {
    return false;
  }
  return true;
}

// Channel masks must each be one whole byte, in one of the layouts D3D names.
bool ParseUncompressed(const std::uint8_t* pf, DdsHeader& h) {
  std::uint32_t flags = Le32(pf + 4), bits = Le32(pf + 12);
  std::uint32_t red = Le32(pf + 16), green = Le32(pf + 20), blue = Le32(pf + 24), alpha = Le32(pf + 28);
  h.hasAlpha = (flags & kPixelAlpha) != 0;
  if (green != 0xFF00 || (h.hasAlpha && alpha != 0xFF000000u)) return false;
  bool argb = red == 0xFF0000 && blue == 0xFF, abgr = red == 0xFF && blue == 0xFF0000;
  if (bits == 32 && argb) {
    h.format = h.hasAlpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  } else if (bits == 32 && abgr) {
    h.format = h.hasAlpha ? D3DFMT_A8B8G8R8 : D3DFMT_X8B8G8R8;
  } else if (bits == 24 && argb && !h.hasAlpha) {
    h.format = D3DFMT_R8G8B8;
  } else {
    return false;
  }
  h.pixelBytes = bits / 8;
  h.redShift = static_cast<std::uint32_t>(std::countr_zero(red));
  h.greenShift = 8;
  h.blueShift = static_cast<std::uint32_t>(std::countr_zero(blue));
  h.alphaShift = 24;
  return true;
}

bool ParseHeader(Bytes file, DdsHeader& h) {
  if (file.size() < kHeaderBytes) return false;
  const std::uint8_t* d = file.data() + 4;
  std::uint32_t flags = Le32(d + 4);
  h.height = Le32(d + 8);
  h.width = Le32(d + 12);
  std::uint32_t depth = Le32(d + 20), mipCount = Le32(d + 24);
  const std::uint8_t* pf = d + 72;
  std::uint32_t caps2 = Le32(d + 108);
  if (Le32(d) != 124 || Le32(pf) != 32) return false;
  if (!SidesAllowed(h.width, h.height)) return false;
  if ((caps2 & (kCaps2CubeMap | kCaps2Volume)) != 0 || ((flags & kFlagDepth) != 0 && depth > 1)) return false;

  std::uint32_t pixelFlags = Le32(pf + 4);
  if ((pixelFlags & kPixelFourCc) != 0) {
    if (!ParseCompressed(Le32(pf + 8), h)) return false;
  } else if ((pixelFlags & kPixelRgb) != 0) {
    if (!ParseUncompressed(pf, h)) return false;
  } else {
    return false;
  }

  std::uint32_t possibleLevels = static_cast<std::uint32_t>(std::bit_width(std::max(h.width, h.height)));
  h.mipLevels = (flags & kFlagMipCount) != 0 && mipCount > 1 ? mipCount : 1;
  if (h.mipLevels > possibleLevels) return false;
  std::uint64_t needed = 0;
  for (std::uint32_t level = 0; level < h.mipLevels; ++level) {
    needed += LevelBytes(h, std::max(1u, h.width >> level), std::max(1u, h.height >> level));
  }
  return file.size() - kHeaderBytes >= needed;
}

void DecodeUncompressed(const std::uint8_t* data, const DdsHeader& h, DecodedImage& image) {
  for (std::uint32_t& pixel : image.argb) {
    std::uint32_t v = h.pixelBytes == 4 ? Le32(data) : static_cast<std::uint32_t>(data[0] | data[1] << 8 | data[2] << 16);
    std::uint32_t a = h.hasAlpha ? v >> h.alphaShift & 0xFF : 0xFF;
    pixel = Argb(a, v >> h.redShift & 0xFF, v >> h.greenShift & 0xFF, v >> h.blueShift & 0xFF);
    data += h.pixelBytes;
  }
}

bool Matches(Bytes file) { return StartsWith(file, "DDS ", 4); }

bool ReadInfo(Bytes file, D3DXIMAGE_INFO& info) {
  DdsHeader h;
  if (!ParseHeader(file, h)) return false;
  SetInfo(info, h.width, h.height, h.mipLevels, h.format, D3DXIFF_DDS);
  return true;
}

bool Decode(Bytes file, DecodedImage& image) {
  DdsHeader h;
  if (!ParseHeader(file, h) || !AllocatePixels(image, h.width, h.height)) return false;
  const std::uint8_t* data = file.data() + kHeaderBytes;
  if (h.compressed) {
    DecodeSurface(h.blocks, data, h.width, h.height, image.argb.data());
  } else {
    DecodeUncompressed(data, h, image);
  }
  return true;
}

}  // namespace

const Codec kDdsCodec = {Matches, ReadInfo, Decode};

}  // namespace layer::image
