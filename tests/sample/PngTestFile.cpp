#include "tests/sample/PngTestFile.h"

#include <png.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace sampletest {

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<artgen::Canvas> DecodePng(const std::uint8_t* data, std::size_t size) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) return std::nullopt;
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> rgba(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  artgen::Canvas canvas(static_cast<int>(image.width), static_cast<int>(image.height));
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * canvas.Width() + x) * 4];
      canvas.Set(x, y, artgen::Rgb(p[0], p[1], p[2], p[3]));
    }
  }
  return canvas;
}

std::optional<artgen::Canvas> DecodePngFile(const std::string& path) {
  std::vector<std::uint8_t> bytes = ReadFileBytes(path);
  if (bytes.empty()) return std::nullopt;
  return DecodePng(bytes.data(), bytes.size());
}

std::string MakeScratchFolder(const std::string& name) {
  std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                  ("quellor_sample_" + name + "_" + std::to_string(getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder.string();
}

int Luminance(artgen::Colour c) { return (299 * c.r + 587 * c.g + 114 * c.b) / 1000; }

}  // namespace sampletest
