// Picks the format of a picture file by its content and hands it to that codec.
#include "platform/d3dx9/image_decode.h"

#include <utility>

#include "platform/d3dx9/image_codecs.h"

namespace layer {

namespace {

// Formats with a signature come first; TGA has none, so it is tried last and only
// takes a file whose header passes its strict check.
const image::Codec* const kCodecs[] = {
    &image::kPngCodec, &image::kJpegCodec, &image::kDdsCodec, &image::kBmpCodec,
    &image::kPnmCodec, &image::kPfmCodec,  &image::kHdrCodec, &image::kTgaCodec,
};

const image::Codec* FindCodec(image::Bytes file) {
  if (file.empty()) return nullptr;
  for (const image::Codec* codec : kCodecs) {
    if (codec->matches(file)) return codec;
  }
  return nullptr;
}

}  // namespace

bool ReadImageInfo(const std::uint8_t* data, std::size_t size, D3DXIMAGE_INFO& info) {
  if (data == nullptr) return false;
  image::Bytes file(data, size);
  const image::Codec* codec = FindCodec(file);
  D3DXIMAGE_INFO read{};
  if (codec == nullptr || !codec->readInfo(file, read)) return false;
  info = read;
  return true;
}

bool DecodeImage(const std::uint8_t* data, std::size_t size, DecodedImage& image) {
  if (data == nullptr) return false;
  image::Bytes file(data, size);
  const image::Codec* codec = FindCodec(file);
  DecodedImage decoded;
  if (codec == nullptr || !codec->decode(file, decoded)) return false;
  if (decoded.argb.size() != static_cast<std::size_t>(decoded.width) * decoded.height) return false;
  image = std::move(decoded);
  return true;
}

}  // namespace layer
