#include "tests/sample/SampleKit.h"

#include <fstream>
#include <iterator>

#include "platform/d3dx9/image_decode.h"

namespace sampletest {

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<artgen::Canvas> Decode(const std::uint8_t* data, std::size_t size) {
  D3DXIMAGE_INFO info{};
  layer::DecodedImage image;
  if (data == nullptr || !layer::ReadImageInfo(data, size, info) || !layer::DecodeImage(data, size, image) ||
      info.Width != image.width || info.Height != image.height || image.width == 0 || image.height == 0) {
    return std::nullopt;
  }
  artgen::Canvas canvas(static_cast<int>(image.width), static_cast<int>(image.height));
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      std::uint32_t argb = image.argb[static_cast<std::size_t>(y) * image.width + x];
      canvas.Set(x, y, artgen::Rgb(argb >> 16 & 0xFF, argb >> 8 & 0xFF, argb & 0xFF, argb >> 24));
    }
  }
  return canvas;
}

std::optional<artgen::Canvas> DecodeFile(const std::string& path) {
  std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  return Decode(bytes.data(), bytes.size());
}

}  // namespace sampletest
