// Truevision TGA: the header is read and checked here, the pixels by stb_image. TGA
// has no signature, so the header check is strict: it is what tells a TGA file from
// any other bytes.
#include <algorithm>
#include <initializer_list>

#include "platform/d3dx9/image_codecs.h"
#include "platform/d3dx9/image_stb.h"

namespace layer::image {

namespace {

constexpr std::size_t kHeaderBytes = 18;
constexpr std::uint8_t kIndexed = 1, kTrueColour = 2, kGrey = 3, kRle = 8;

struct TgaHeader {
  std::uint32_t width = 0, height = 0;
  std::uint32_t pixelBytes = 0;  // bytes of one stored pixel or index
  bool rle = false;
  bool rightToLeft = false;
  std::uint64_t dataOffset = 0;  // first byte after id and colour map
  D3DFORMAT format = D3DFMT_UNKNOWN;
};

bool OneOf(std::uint32_t value, std::initializer_list<std::uint32_t> allowed) {
  for (std::uint32_t a : allowed) {
    if (value == a) return true;
  }
  return false;
}

// D3DX's view of the pixels: 32 bits A8R8G8B8, 24 bits R8G8B8, 15/16 bits X1R5G5B5
// (stb reads them without the attribute bit), grey L8 or, with alpha, A8L8; indexed
// pictures take the format of their colour map.
D3DFORMAT FormatOf(std::uint32_t colourBits, bool grey) {
  if (grey) return colourBits == 16 ? D3DFMT_A8L8 : D3DFMT_L8;
  switch (colourBits) {
    case 32: return D3DFMT_A8R8G8B8;
    case 24: return D3DFMT_R8G8B8;
    default: return D3DFMT_X1R5G5B5;
  }
}

bool ParseHeader(Bytes file, TgaHeader& h) {
  if (file.size() < kHeaderBytes) return false;
  const std::uint8_t* p = file.data();
  std::uint32_t idBytes = p[0], mapType = p[1], type = p[2];
  std::uint32_t mapFirst = Le16(p + 3), mapLength = Le16(p + 5), mapBits = p[7];
  h.width = Le16(p + 12);
  h.height = Le16(p + 14);
  std::uint32_t bits = p[16], descriptor = p[17];
  h.rle = (type & kRle) != 0;
  std::uint32_t kind = type & ~static_cast<std::uint32_t>(kRle);
  if (!OneOf(type, {1, 2, 3, 9, 10, 11}) || mapType > 1) return false;
  if (!SidesAllowed(h.width, h.height)) return false;
  // Interleaved rows (bits 6-7) are not read; more than 8 attribute bits is nonsense.
  if ((descriptor & 0xC0) != 0 || (descriptor & 0x0F) > 8) return false;
  h.rightToLeft = (descriptor & 0x10) != 0;

  std::uint64_t mapBytes = 0;
  if (kind == kIndexed) {
    // stb reads a colour map only from its first entry and for 8-bit indexes here.
    if (mapType != 1 || mapFirst != 0 || mapLength == 0 || !OneOf(mapBits, {15, 16, 24, 32})) return false;
    if (bits != 8) return false;
    mapBytes = static_cast<std::uint64_t>(mapLength) * ((mapBits + 7) / 8);
    h.format = FormatOf(mapBits, false);
  } else {
    if (mapType != 0 || mapFirst != 0 || mapLength != 0 || !OneOf(mapBits, {0, 15, 16, 24, 32})) return false;
    if (kind == kTrueColour && !OneOf(bits, {15, 16, 24, 32})) return false;
    if (kind == kGrey && !OneOf(bits, {8, 16})) return false;
    h.format = FormatOf(bits, kind == kGrey);
  }
  h.pixelBytes = (bits + 7) / 8;
  h.dataOffset = kHeaderBytes + idBytes + mapBytes;
  return h.dataOffset <= file.size();
}

// Where the pixel data ends, or 0 when it runs past the file. RLE packets are walked
// here because stb reads zeros past the end of a cut-off file without noticing.
std::uint64_t DataEnd(Bytes file, const TgaHeader& h) {
  std::uint64_t pixels = static_cast<std::uint64_t>(h.width) * h.height;
  if (!h.rle) {
    std::uint64_t end = h.dataOffset + pixels * h.pixelBytes;
    return end <= file.size() ? end : 0;
  }
  std::uint64_t at = h.dataOffset;
  while (pixels > 0) {
    if (at >= file.size()) return 0;
    std::uint8_t packet = file[at++];
    std::uint64_t count = (packet & 0x7F) + 1u;
    // A packet may run on into the next row, as stb reads them; not past the picture.
    if (count > pixels) return 0;
    at += (packet & 0x80) ? h.pixelBytes : count * h.pixelBytes;
    pixels -= count;
  }
  return at <= file.size() ? at : 0;
}

bool Matches(Bytes file) {
  TgaHeader h;
  return ParseHeader(file, h);
}

bool ReadInfo(Bytes file, D3DXIMAGE_INFO& info) {
  TgaHeader h;
  if (!ParseHeader(file, h) || DataEnd(file, h) == 0) return false;
  SetInfo(info, h.width, h.height, 1, h.format, D3DXIFF_TGA);
  return true;
}

bool Decode(Bytes file, DecodedImage& image) {
  TgaHeader h;
  if (!ParseHeader(file, h) || DataEnd(file, h) == 0) return false;
  if (!StbDecode8(file, h.width, h.height, image)) return false;
  // stb honours the top-to-bottom bit of the descriptor but not right-to-left.
  if (h.rightToLeft) {
    for (std::uint32_t y = 0; y < h.height; ++y) {
      auto row = image.argb.begin() + static_cast<std::ptrdiff_t>(y) * h.width;
      std::reverse(row, row + h.width);
    }
  }
  return true;
}

}  // namespace

const Codec kTgaCodec = {Matches, ReadInfo, Decode};

}  // namespace layer::image
