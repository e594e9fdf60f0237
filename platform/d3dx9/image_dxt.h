// Decoding of DXT1, DXT3 and DXT5 (S3TC / BC1-3) compressed surfaces: 4x4 pixel
// blocks of 8 (DXT1) or 16 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace layer::image {

enum class BlockFormat { Dxt1, Dxt3, Dxt5 };

constexpr std::size_t BlockBytes(BlockFormat format) { return format == BlockFormat::Dxt1 ? 8 : 16; }

// Bytes of a width x height surface: whole blocks, at least one each way.
constexpr std::uint64_t SurfaceBytes(BlockFormat format, std::uint32_t width, std::uint32_t height) {
  return static_cast<std::uint64_t>((width + 3) / 4) * ((height + 3) / 4) * BlockBytes(format);
}

// One block to 16 pixels 0xAARRGGBB, rows top to bottom.
void DecodeBlock(BlockFormat format, const std::uint8_t* block, std::uint32_t pixels[16]);

// A whole surface of SurfaceBytes(format, width, height) bytes into width * height
// pixels; the blocks' pixels beyond the right and bottom edges are dropped.
void DecodeSurface(BlockFormat format, const std::uint8_t* data, std::uint32_t width, std::uint32_t height,
                   std::uint32_t* argb);

}  // namespace layer::image
