#include "tools/artgen/PngFile.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace artgen {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
  // libpng must not return from here; unwind to WritePng's cleanup through longjmp.
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  *text = message ? message : "libpng error";
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Kept apart so that no local changes between setjmp and a jump back to it.
bool Encode(png_structp png, png_infop info, std::FILE* file, png_bytepp rows, int width, int height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_compression_level(png, 9);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_rows(png, info, rows);
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  return true;
}

}  // namespace

void WritePng(const std::string& path, const Canvas& canvas) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) throw std::runtime_error("cannot write " + path);

  // libpng reports errors by a jump back into Encode, which skips only libpng's own
  // C frames; every C++ object lives out here.
  const int width = canvas.Width();
  const int height = canvas.Height();
  std::vector<png_byte> bytes(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0; i < canvas.Pixels().size(); ++i) {
    const Colour& c = canvas.Pixels()[i];
    bytes[i * 4 + 0] = c.r;
    bytes[i * 4 + 1] = c.g;
    bytes[i * 4 + 2] = c.b;
    bytes[i * 4 + 3] = c.a;
  }
  std::vector<png_bytep> rows(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) rows[y] = bytes.data() + static_cast<std::size_t>(y) * width * 4;

  std::string error;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    throw std::runtime_error("libpng could not start for " + path);
  }
  bool written = Encode(png, info, file.get(), rows.data(), width, height);
  png_destroy_write_struct(&png, &info);
  if (!written) throw std::runtime_error("cannot write " + path + ": " + error);
  if (std::fflush(file.get()) != 0) throw std::runtime_error("cannot write " + path);
}

}  // namespace artgen
