#include "fuzz/probes/ReferencePictures.h"

#include <climits>
#include <memory>

#include <zlib.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_PNM
#define STBI_NO_STDIO
#define STBI_NO_FAILURE_STRINGS
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wtype-limits"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace fuzzprobe {

namespace {

bool IsPng(std::span<const std::uint8_t> file) {
  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return file.size() >= 8 && std::equal(kSignature, kSignature + 8, file.begin());
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// libpng drops an ancillary chunk (tRNS, gAMA...) whose checksum is wrong; stb reads
// it all the same.
bool PngChecksumsMatch(std::span<const std::uint8_t> file) {
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::uint32_t length = BigEndian32(&file[at]);
    if (length > file.size() - at - 12) return true;  // cut short: both readers decide alone
    const uLong crc = crc32(0, &file[at + 4], static_cast<uInt>(length + 4));
    if (crc != BigEndian32(&file[at + 8 + length])) return false;
    at += 12 + length;
  }
  return true;
}

// IHDR comes first: signature, length, "IHDR", width, height, then the bit depth.
bool PngComparable(std::span<const std::uint8_t> file) {
  return file.size() > 24 && file[24] <= 8 && PngChecksumsMatch(file);
}

bool NetpbmComparable(std::span<const std::uint8_t> file) {
  if (file.size() < 3 || file[0] != 'P' || (file[1] != '5' && file[1] != '6')) return false;
  std::size_t at = 2;
  std::uint32_t numbers[3] = {};
  for (std::uint32_t& number : numbers) {
    while (at < file.size()) {
      const std::uint8_t c = file[at];
      if (c == '#') {
        while (at < file.size() && file[at] != '\n' && file[at] != '\r') ++at;
      } else if (c == ' ' || (c >= '\t' && c <= '\r')) {
        ++at;
      } else {
        break;
      }
    }
    if (at >= file.size() || file[at] < '0' || file[at] > '9') return false;
    for (; at < file.size() && file[at] >= '0' && file[at] <= '9' && number < 100000; ++at) {
      number = number * 10 + (file[at] - '0');
    }
  }
  return numbers[2] == 255;
}

struct StbFree {
  void operator()(stbi_uc* pixels) const { stbi_image_free(pixels); }
};

}  // namespace

bool ReferenceDecode(std::span<const std::uint8_t> file, layer::DecodedImage& image) {
  if (!(IsPng(file) ? PngComparable(file) : NetpbmComparable(file)) || file.size() > INT_MAX) return false;
  int width = 0, height = 0, channels = 0;
  std::unique_ptr<stbi_uc, StbFree> rgba(
      stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &channels, 4));
  if (!rgba) return false;
  image.width = static_cast<std::uint32_t>(width);
  image.height = static_cast<std::uint32_t>(height);
  image.argb.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  const stbi_uc* p = rgba.get();
  for (std::uint32_t& pixel : image.argb) {
    pixel = static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[0]) << 16 |
            static_cast<std::uint32_t>(p[1]) << 8 | p[2];
    p += 4;
  }
  return true;
}

}  // namespace fuzzprobe
