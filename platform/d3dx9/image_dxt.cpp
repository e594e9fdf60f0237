#include "platform/d3dx9/image_dxt.h"

#include <algorithm>
#include <cstring>

namespace layer::image {

namespace {

struct Rgb {
  std::uint32_t r, g, b;
};

Rgb Expand565(std::uint32_t c) {
  std::uint32_t r = c >> 11 & 31, g = c >> 5 & 63, b = c & 31;
  return {r << 3 | r >> 2, g << 2 | g >> 4, b << 3 | b >> 2};
}

// (a * wa + b * wb) / (wa + wb), rounded.
std::uint32_t Mix(std::uint32_t a, std::uint32_t wa, std::uint32_t b, std::uint32_t wb) {
  std::uint32_t total = wa + wb;
  return (a * wa + b * wb + total / 2) / total;
}

std::uint32_t Opaque(Rgb c) { return 0xFF000000u | c.r << 16 | c.g << 8 | c.b; }

// The colour half of a block: two 5:6:5 end points and 2-bit indexes. DXT1 blocks
// whose first end point is not above the second have three colours and transparent
// black; DXT3/DXT5 colour halves always have four.
void DecodeColours(const std::uint8_t* block, bool allowTransparent, std::uint32_t pixels[16]) {
  std::uint32_t c0 = block[0] | block[1] << 8, c1 = block[2] | block[3] << 8;
  Rgb e0 = Expand565(c0), e1 = Expand565(c1);
  std::uint32_t palette[4] = {Opaque(e0), Opaque(e1), 0, 0};
  if (c0 > c1 || !allowTransparent) {
    palette[2] = Opaque({Mix(e0.r, 2, e1.r, 1), Mix(e0.g, 2, e1.g, 1), Mix(e0.b, 2, e1.b, 1)});
    palette[3] = Opaque({Mix(e0.r, 1, e1.r, 2), Mix(e0.g, 1, e1.g, 2), Mix(e0.b, 1, e1.b, 2)});
  } else {
    palette[2] = Opaque({Mix(e0.r, 1, e1.r, 1), Mix(e0.g, 1, e1.g, 1), Mix(e0.b, 1, e1.b, 1)});
    palette[3] = 0x00000000u;
  }
  std::uint32_t indexes = block[4] | block[5] << 8 | block[6] << 16 | static_cast<std::uint32_t>(block[7]) << 24;
  for (int i = 0; i < 16; ++i) pixels[i] = palette[indexes >> (2 * i) & 3];
}

void SetAlpha(std::uint32_t& pixel, std::uint32_t alpha) { pixel = (pixel & 0x00FFFFFFu) | alpha << 24; }

// DXT3: sixteen explicit 4-bit alphas.
void DecodeExplicitAlpha(const std::uint8_t* block, std::uint32_t pixels[16]) {
  for (int i = 0; i < 16; ++i) {
    std::uint32_t a4 = block[i / 2] >> (4 * (i % 2)) & 15;
    SetAlpha(pixels[i], a4 * 17);
  }
}

// DXT5: two alpha end points and 3-bit indexes into eight interpolated values (or six
// and the two extremes 0 and 255 when the first end point is not above the second).
void DecodeInterpolatedAlpha(const std::uint8_t* block, std::uint32_t pixels[16]) {
  std::uint32_t a0 = block[0], a1 = block[1];
  std::uint32_t table[8] = {a0, a1};
  if (a0 > a1) {
    for (std::uint32_t k = 1; k <= 6; ++k) table[k + 1] = Mix(a0, 7 - k, a1, k);
  } else {
    for (std::uint32_t k = 1; k <= 4; ++k) table[k + 1] = Mix(a0, 5 - k, a1, k);
    table[6] = 0;
    table[7] = 255;
  }
  std::uint64_t indexes = 0;
  for (int i = 0; i < 6; ++i) indexes |= static_cast<std::uint64_t>(block[2 + i]) << (8 * i);
  for (int i = 0; i < 16; ++i) SetAlpha(pixels[i], table[indexes >> (3 * i) & 7]);
}

}  // namespace

void DecodeBlock(BlockFormat format, const std::uint8_t* block, std::uint32_t pixels[16]) {
  switch (format) {
    case BlockFormat::Dxt1:
      DecodeColours(block, true, pixels);
      break;
    case BlockFormat::Dxt3:
      DecodeColours(block + 8, false, pixels);
      DecodeExplicitAlpha(block, pixels);
      break;
    case BlockFormat::Dxt5:
      DecodeColours(block + 8, false, pixels);
      DecodeInterpolatedAlpha(block, pixels);
      break;
  }
}

void DecodeSurface(BlockFormat format, const std::uint8_t* data, std::uint32_t width, std::uint32_t height,
                   std::uint32_t* argb) {
  std::size_t blockBytes = BlockBytes(format);
  for (std::uint32_t by = 0; by < height; by += 4) {
    for (std::uint32_t bx = 0; bx < width; bx += 4) {
      std::uint32_t pixels[16];
      DecodeBlock(format, data, pixels);
      data += blockBytes;
      std::uint32_t columns = std::min(4u, width - bx), rows = std::min(4u, height - by);
      for (std::uint32_t y = 0; y < rows; ++y) {
        std::memcpy(argb + static_cast<std::size_t>(by + y) * width + bx, pixels + 4 * y, columns * 4);
      }
    }
  }
}

}  // namespace layer::image
