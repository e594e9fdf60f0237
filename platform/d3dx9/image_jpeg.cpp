// JPEG through libjpeg (libjpeg-turbo). libjpeg's default error handler prints and
// exits the process; ours jumps back instead, and treats corrupt-data warnings (a
// file cut short, a bad Huffman code) as errors, so a damaged file fails instead of
// coming back patched with grey.
// The layer's own TRUE/FALSE come first; jpeglib.h then defines its macros to match.
#include "platform/d3dx9/image_codecs.h"

#include <bit>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

namespace layer::image {

namespace {

// JCS_EXT_BGRA writes B, G, R, A bytes, which a little-endian std::uint32_t reads as
// 0xAARRGGBB.
static_assert(std::endian::native == std::endian::little, "pixel layout assumes a little-endian host");

// A progressive file may declare any number of scans, each costing a pass over the
// whole picture; real files have about ten.
constexpr int kMaxScans = 500;
// libjpeg's working memory beyond the output rows (progressive coefficients).
constexpr long kMaxWorkingMemory = 512L * 1024 * 1024;

struct JpegJob {
  jpeg_decompress_struct decoder{};
  jpeg_error_mgr errors{};
  jpeg_progress_mgr progress{};
  std::jmp_buf failure{};
  D3DXIMAGE_INFO header{};
  DecodedImage* image = nullptr;  // null: header only
};

JpegJob& JobOf(j_common_ptr common) { return *static_cast<JpegJob*>(common->client_data); }

[[noreturn]] void FailByJump(j_common_ptr common) { std::longjmp(JobOf(common).failure, 1); }

void OnMessage(j_common_ptr common, int level) {
  if (level < 0) FailByJump(common);  // corrupt data; trace messages (level >= 0) are ignored
}

void SayNothing(j_common_ptr) {}

void LimitScans(j_common_ptr common) {
  auto* decoder = reinterpret_cast<j_decompress_ptr>(common);
  if (decoder->input_scan_number > kMaxScans) FailByJump(common);
}

bool Matches(Bytes file) { return StartsWith(file, "\xFF\xD8\xFF", 3); }

// Grey stays L8, colour is R8G8B8 as D3DX reports them; CMYK files are not read.
bool FormatOf(const jpeg_decompress_struct& decoder, D3DFORMAT& format) {
  if (decoder.num_components == 1 && decoder.jpeg_color_space == JCS_GRAYSCALE) {
    format = D3DFMT_L8;
    return true;
  }
  if (decoder.num_components == 3 && (decoder.jpeg_color_space == JCS_YCbCr || decoder.jpeg_color_space == JCS_RGB)) {
    format = D3DFMT_R8G8B8;
    return true;
  }
  return false;
}

// The only frame with setjmp: it keeps no state of its own beyond the job.
bool RunJpeg(JpegJob& job, Bytes file) {
  job.decoder.err = jpeg_std_error(&job.errors);
  job.errors.error_exit = FailByJump;
  job.errors.emit_message = OnMessage;
  job.errors.output_message = SayNothing;
  job.decoder.client_data = &job;
  if (setjmp(job.failure)) {
    jpeg_destroy_decompress(&job.decoder);
    return false;
  }
  jpeg_create_decompress(&job.decoder);
  job.decoder.mem->max_memory_to_use = kMaxWorkingMemory;
  job.progress.progress_monitor = LimitScans;
  job.decoder.progress = &job.progress;
  jpeg_mem_src(&job.decoder, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&job.decoder, TRUE);

  D3DFORMAT format = D3DFMT_UNKNOWN;
  if (!SidesAllowed(job.decoder.image_width, job.decoder.image_height) || !FormatOf(job.decoder, format)) {
    FailByJump(reinterpret_cast<j_common_ptr>(&job.decoder));
  }
  SetInfo(job.header, job.decoder.image_width, job.decoder.image_height, 1, format, D3DXIFF_JPG);

  if (job.image != nullptr) {
    job.decoder.out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(&job.decoder);
    JDIMENSION width = job.decoder.output_width, height = job.decoder.output_height;
    if (width != job.header.Width || height != job.header.Height || job.decoder.output_components != 4 ||
        !AllocatePixels(*job.image, width, height)) {
      FailByJump(reinterpret_cast<j_common_ptr>(&job.decoder));
    }
    while (job.decoder.output_scanline < height) {
      JSAMPROW row = reinterpret_cast<JSAMPROW>(job.image->argb.data() +
                                                static_cast<std::size_t>(job.decoder.output_scanline) * width);
      jpeg_read_scanlines(&job.decoder, &row, 1);
    }
    // Finishing reads up to the end marker, so a file cut off after the last scan fails.
    jpeg_finish_decompress(&job.decoder);
  }
  jpeg_destroy_decompress(&job.decoder);
  return true;
}

bool ReadInfo(Bytes file, D3DXIMAGE_INFO& info) {
  JpegJob job;
  if (!RunJpeg(job, file)) return false;
  info = job.header;
  return true;
}

bool Decode(Bytes file, DecodedImage& image) {
  JpegJob job;
  job.image = &image;
  return RunJpeg(job, file);
}

}  // namespace

const Codec kJpegCodec = {Matches, ReadInfo, Decode};

}  // namespace layer::image
