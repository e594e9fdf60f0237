// The picture file formats the decoder knows, one Codec each, and the small helpers
// they share. Internal to the layer's picture code (image_*.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <vector>

#include "platform/d3dx9/image_decode.h"

namespace layer::image {

using Bytes = std::span<const std::uint8_t>;

// One file format. Every function takes the whole file and may assume that matches()
// said yes. readInfo reads the header and, where the header alone fixes the size of
// the pixel data, checks that all of it is present; decode reads everything and fails
// on any damage, so a picture that decodes is the whole picture.
struct Codec {
  bool (*matches)(Bytes file);
  bool (*readInfo)(Bytes file, D3DXIMAGE_INFO& info);
  bool (*decode)(Bytes file, DecodedImage& image);
};

extern const Codec kPngCodec;
extern const Codec kJpegCodec;
extern const Codec kDdsCodec;
extern const Codec kBmpCodec;
extern const Codec kPnmCodec;
extern const Codec kPfmCodec;
extern const Codec kHdrCodec;
extern const Codec kTgaCodec;

// --- helpers shared by the codecs ---

inline std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t Le32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint32_t Be32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

inline bool StartsWith(Bytes file, const char* magic, std::size_t length) {
  if (file.size() < length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (file[i] != static_cast<std::uint8_t>(magic[i])) return false;
  }
  return true;
}

// Both sides between 1 and kMaxImageSide: checked on every header before anything
// is allocated for its pixels.
inline bool SidesAllowed(std::uint64_t width, std::uint64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide;
}

inline void SetInfo(D3DXIMAGE_INFO& info, std::uint32_t width, std::uint32_t height, std::uint32_t mipLevels,
                    D3DFORMAT format, D3DXIMAGE_FILEFORMAT fileFormat) {
  info.Width = width;
  info.Height = height;
  info.Depth = 1;
  info.MipLevels = mipLevels;
  info.Format = format;
  info.ResourceType = D3DRTYPE_TEXTURE;
  info.ImageFileFormat = fileFormat;
}

constexpr std::uint32_t Argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

// Sizes the pixel buffer; false instead of an exception when memory runs out.
inline bool AllocatePixels(DecodedImage& image, std::uint32_t width, std::uint32_t height) noexcept {
  try {
    image.argb.assign(static_cast<std::size_t>(width) * height, 0u);
  } catch (const std::bad_alloc&) {
    image.argb.clear();
    return false;
  }
  image.width = width;
  image.height = height;
  return true;
}

// Floating-point samples (HDR, PFM) become 8-bit the way a texture format conversion
// does it: clamped to 0..1 and scaled, linear, no tone mapping. NaN reads as 0.
inline std::uint32_t FloatToByte(float value) {
  if (!(value > 0.0f)) return 0;
  if (value >= 1.0f) return 255;
  return static_cast<std::uint32_t>(value * 255.0f + 0.5f);
}

}  // namespace layer::image
