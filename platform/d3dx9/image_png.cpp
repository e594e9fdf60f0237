// PNG through libpng. libpng reports errors by longjmp; everything it touches lives in
// a PngJob outside the frame that calls setjmp, so the jump skips no destructor.
#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstring>

#include "platform/d3dx9/image_codecs.h"

namespace layer::image {

namespace {

// libpng writes B, G, R, A bytes straight into the pixel buffer, which a little-endian
// std::uint32_t reads as 0xAARRGGBB.
static_assert(std::endian::native == std::endian::little, "pixel layout assumes a little-endian host");

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Ancillary chunks (text, profiles) larger than this are refused rather than buffered.
constexpr png_alloc_size_t kMaxChunkBytes = 8u * 1024 * 1024;

struct PngJob {
  Bytes file;
  std::size_t position = 0;
  png_structp png = nullptr;
  png_infop info = nullptr;
  D3DXIMAGE_INFO header{};
  DecodedImage* image = nullptr;  // null: header only
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (length > job->file.size() - job->position) png_error(png, "truncated");
  std::memcpy(out, job->file.data() + job->position, length);
  job->position += length;
}

[[noreturn]] void FailByJump(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void IgnoreWarning(png_structp, png_const_charp) {}

// The format D3DX reports for the picture: with any transparency A8R8G8B8; grey
// without it L8; indexed X8R8G8B8 (the layer has no P8 textures); colour R8G8B8.
D3DFORMAT FormatOf(png_structp png, png_infop info) {
  int colorType = png_get_color_type(png, info);
  bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (alpha) return D3DFMT_A8R8G8B8;
  if (colorType == PNG_COLOR_TYPE_GRAY) return D3DFMT_L8;
  if (colorType == PNG_COLOR_TYPE_PALETTE) return D3DFMT_X8R8G8B8;
  return D3DFMT_R8G8B8;
}

// Asks libpng for 8-bit B, G, R, A whatever the file holds; returns the pass count.
int RequestBgra(png_structp png, png_infop info) {
  int colorType = png_get_color_type(png, info);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS) != 0) png_set_tRNS_to_alpha(png);
  png_set_scale_16(png);
  if ((colorType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return passes;
}

// The only frame with setjmp: it keeps no state of its own beyond the job.
bool RunPng(PngJob& job) {
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, FailByJump, IgnoreWarning);
  if (job.png == nullptr) return false;
  job.info = png_create_info_struct(job.png);
  if (job.info == nullptr) {
    png_destroy_read_struct(&job.png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(job.png))) {
    png_destroy_read_struct(&job.png, &job.info, nullptr);
    return false;
  }
  png_set_user_limits(job.png, kMaxImageSide, kMaxImageSide);
  png_set_chunk_malloc_max(job.png, kMaxChunkBytes);
  png_set_read_fn(job.png, &job, ReadFromMemory);
  png_read_info(job.png, job.info);

  png_uint_32 width = png_get_image_width(job.png, job.info);
  png_uint_32 height = png_get_image_height(job.png, job.info);
  if (!SidesAllowed(width, height)) png_error(job.png, "size");
  SetInfo(job.header, width, height, 1, FormatOf(job.png, job.info), D3DXIFF_PNG);

  if (job.image != nullptr) {
    int passes = RequestBgra(job.png, job.info);
    if (png_get_rowbytes(job.png, job.info) != static_cast<png_size_t>(width) * 4) png_error(job.png, "layout");
    if (!AllocatePixels(*job.image, width, height)) png_error(job.png, "memory");
    // Interlaced pictures fill the same rows once per pass.
    auto* base = reinterpret_cast<png_bytep>(job.image->argb.data());
    for (int pass = 0; pass < passes; ++pass) {
      for (png_uint_32 y = 0; y < height; ++y) png_read_row(job.png, base + static_cast<std::size_t>(y) * width * 4, nullptr);
    }
    // Reading to the end catches a file cut off after its image data.
    png_read_end(job.png, nullptr);
  }
  png_destroy_read_struct(&job.png, &job.info, nullptr);
  return true;
}

bool Matches(Bytes file) { return StartsWith(file, reinterpret_cast<const char*>(kSignature), sizeof kSignature); }

bool ReadInfo(Bytes file, D3DXIMAGE_INFO& info) {
  PngJob job;
  job.file = file;
  if (!RunPng(job)) return false;
  info = job.header;
  return true;
}

bool Decode(Bytes file, DecodedImage& image) {
  PngJob job;
  job.file = file;
  job.image = &image;
  return RunPng(job);
}

}  // namespace

const Codec kPngCodec = {Matches, ReadInfo, Decode};

}  // namespace layer::image
