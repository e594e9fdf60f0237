// Reading back what artgen and the build wrote: whole files, and pictures through the
// program's own decoder, as the program would read them.
#pragma once

#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/d3d9/image_decode.h"
#include "tools/artgen/Canvas.h"

namespace sampletest {

inline const std::string kDist = QUELLOR_DIST_DIR;

inline std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The picture as the program's decoder reads it; nothing when it refuses the bytes.
inline std::optional<artgen::Canvas> Decode(const std::vector<std::uint8_t>& bytes) {
  layer::DecodedImage image;
  if (!layer::DecodeImage(bytes.data(), bytes.size(), image) || image.argb.empty()) return std::nullopt;
  artgen::Canvas canvas(static_cast<int>(image.width), static_cast<int>(image.height));
  for (std::size_t i = 0; i < image.argb.size(); ++i) {
    const std::uint32_t p = image.argb[i];
    canvas.Set(int(i % image.width), int(i / image.width), artgen::Rgb(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF, p >> 24));
  }
  return canvas;
}

// Perceived brightness 0..255 of an opaque pixel.
inline int Luminance(artgen::Colour c) { return (299 * c.r + 587 * c.g + 114 * c.b) / 1000; }

}  // namespace sampletest
