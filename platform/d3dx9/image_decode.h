// Decoding of picture files by content (BMP, JPEG, PNG, TGA, PPM, DDS, PFM, HDR) into
// 32-bit ARGB pixels. Used by the D3DX picture functions; bad input of any kind gives
// false, never a read outside the given bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3dx9/d3dx9.h"

namespace layer {

// Pictures whose declared width or height exceeds this are refused before allocating.
constexpr std::uint32_t kMaxImageSide = 16384;

struct DecodedImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  // width * height pixels, rows top to bottom, each 0xAARRGGBB.
  std::vector<std::uint32_t> argb;
};

// The picture's facts without decoding its pixels (as D3DXGetImageInfoFromFileInMemory).
bool ReadImageInfo(const std::uint8_t* data, std::size_t size, D3DXIMAGE_INFO& info);
// The picture's top-level pixels.
bool DecodeImage(const std::uint8_t* data, std::size_t size, DecodedImage& image);

}  // namespace layer
