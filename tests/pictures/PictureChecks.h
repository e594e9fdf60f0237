// Short ways to run the decoder on a test file.
#pragma once

#include <optional>

#include "platform/d3d9/image_decode.h"
#include "tests/pictures/PictureWriters.h"

namespace pictures_test {

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
inline Pixels PixelsOf(const Bytes& file) {
  auto image = Decode(file);
  return image ? image->argb : Pixels{};
}

}  // namespace pictures_test
