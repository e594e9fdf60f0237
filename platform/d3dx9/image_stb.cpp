// stb_image, compiled here rather than linked from Debian's libstb.so: that library
// carries every stb decoder (GIF, PSD, PIC...) with stb's default size limit, while
// here only the formats the layer hands it are built, with the layer's limit, without
// stdio or shared failure strings, and under the project's warnings and sanitizers.
// Its functions stay private to this file.
#include "platform/d3dx9/image_stb.h"

#include <climits>
#include <memory>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_ONLY_HDR
#define STBI_NO_STDIO
#define STBI_NO_FAILURE_STRINGS
#define STBI_MAX_DIMENSIONS 16384
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wtype-limits"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wold-style-cast"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace layer::image {

static_assert(STBI_MAX_DIMENSIONS == kMaxImageSide, "stb's own limit is the layer's");

namespace {

struct StbFree {
  void operator()(void* pixels) const { stbi_image_free(pixels); }
};

bool FitsStb(Bytes file) { return !file.empty() && file.size() <= static_cast<std::size_t>(INT_MAX); }

}  // namespace

bool StbDecode8(Bytes file, std::uint32_t width, std::uint32_t height, DecodedImage& image) {
  if (!FitsStb(file)) return false;
  int w = 0, h = 0, channels = 0;
  std::unique_ptr<stbi_uc, StbFree> rgba(
      stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &channels, 4));
  if (!rgba || static_cast<std::uint32_t>(w) != width || static_cast<std::uint32_t>(h) != height) return false;
  if (!AllocatePixels(image, width, height)) return false;
  const stbi_uc* p = rgba.get();
  for (std::uint32_t& pixel : image.argb) {
    pixel = Argb(p[3], p[0], p[1], p[2]);
    p += 4;
  }
  return true;
}

bool StbDecodeHdr(Bytes file, std::uint32_t width, std::uint32_t height, DecodedImage& image) {
  if (!FitsStb(file)) return false;
  int w = 0, h = 0, channels = 0;
  std::unique_ptr<float, StbFree> rgb(
      stbi_loadf_from_memory(file.data(), static_cast<int>(file.size()), &w, &h, &channels, 3));
  if (!rgb || static_cast<std::uint32_t>(w) != width || static_cast<std::uint32_t>(h) != height) return false;
  if (!AllocatePixels(image, width, height)) return false;
  const float* p = rgb.get();
  for (std::uint32_t& pixel : image.argb) {
    pixel = Argb(255, FloatToByte(p[0]), FloatToByte(p[1]), FloatToByte(p[2]));
    p += 3;
  }
  return true;
}

}  // namespace layer::image
