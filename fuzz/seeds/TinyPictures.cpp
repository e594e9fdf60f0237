#include "fuzz/seeds/TinyPictures.h"

#include <cstdio>  // jpeglib.h needs FILE
#include <cstring>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

namespace seeds {

namespace {

constexpr std::uint32_t kWidth = 5, kHeight = 3;

// Distinct colours, partial alpha and one opaque magenta (the colour key), 0xAARRGGBB.
const std::uint32_t kPixels[kWidth * kHeight] = {
    0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000, 0x80FF8000, 0xFFFF00FF, 0x00123456,
    0xFF808080, 0xC0102030, 0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC, 0x40DDEEFF,
};

std::uint8_t A(std::uint32_t p) { return static_cast<std::uint8_t>(p >> 24); }
std::uint8_t R(std::uint32_t p) { return static_cast<std::uint8_t>(p >> 16); }
std::uint8_t G(std::uint32_t p) { return static_cast<std::uint8_t>(p >> 8); }
std::uint8_t B(std::uint32_t p) { return static_cast<std::uint8_t>(p); }

struct Writer {
  Bytes bytes;
  Writer& U8(std::uint32_t v) {
    bytes.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  Writer& U16(std::uint32_t v) { return U8(v).U8(v >> 8); }
  Writer& U32(std::uint32_t v) { return U16(v).U16(v >> 16); }
  Writer& Text(const std::string& text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
    return *this;
  }
  Writer& Zeros(std::size_t count) {
    bytes.resize(bytes.size() + count, 0);
    return *this;
  }
};

Bytes Png(bool interlaced) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kWidth;
  image.height = kHeight;
  image.format = PNG_FORMAT_BGRA;  // the pixels' bytes in memory, little-endian
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, kPixels, 0, nullptr);
  Bytes file(size);
  if (!png_image_write_to_memory(&image, file.data(), &size, 0, kPixels, 0, nullptr)) return {};
  file.resize(size);
  // The simplified writer has no interlacing: the header is marked so (its checksum
  // made again), which gives a file whose data is too short for its passes.
  if (interlaced && file.size() > 32) {
    file[28] = 1;
    const uLong crc = crc32(0, file.data() + 12, 17);
    for (int i = 0; i < 4; ++i) file[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  }
  return file;
}

Bytes Jpeg(bool grey, bool progressive) {
  jpeg_compress_struct encoder{};
  jpeg_error_mgr errors{};
  encoder.err = jpeg_std_error(&errors);
  jpeg_create_compress(&encoder);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&encoder, &out, &size);
  encoder.image_width = kWidth;
  encoder.image_height = kHeight;
  encoder.input_components = grey ? 1 : 3;
  encoder.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&encoder);
  jpeg_set_quality(&encoder, 90, TRUE);
  if (progressive) jpeg_simple_progression(&encoder);
  jpeg_start_compress(&encoder, TRUE);
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    Bytes row;
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      const std::uint32_t p = kPixels[y * kWidth + x];
      if (grey) {
        row.push_back(G(p));
      } else {
        row.insert(row.end(), {R(p), G(p), B(p)});
      }
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&encoder, rows, 1);
  }
  jpeg_finish_compress(&encoder);
  jpeg_destroy_compress(&encoder);
  Bytes file(out, out + size);
  std::free(out);
  return file;
}

Bytes Bmp24() {
  const std::uint32_t rowBytes = (kWidth * 3 + 3) / 4 * 4;
  Writer w;
  w.Text("BM").U32(54 + rowBytes * kHeight).U32(0).U32(54);
  w.U32(40).U32(kWidth).U32(kHeight).U16(1).U16(24).U32(0).U32(rowBytes * kHeight).U32(2835).U32(2835).U32(0).U32(0);
  for (std::uint32_t y = kHeight; y-- > 0;) {  // bottom-up
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      const std::uint32_t p = kPixels[y * kWidth + x];
      w.U8(B(p)).U8(G(p)).U8(R(p));
    }
    w.Zeros(rowBytes - kWidth * 3);
  }
  return w.bytes;
}

Bytes Bmp8() {
  Writer w;
  w.Text("BM").U32(54 + 8 + 8).U32(0).U32(54 + 8);
  w.U32(40).U32(2).U32(2).U16(1).U16(8).U32(0).U32(8).U32(0).U32(0).U32(2).U32(0);
  w.U32(0x00FF0000).U32(0x0000FF00);   // palette
  w.U8(0).U8(1).Zeros(2).U8(1).U8(0).Zeros(2);
  return w.bytes;
}

Bytes Tga(bool rle) {
  Writer w;
  w.U8(0).U8(0).U8(rle ? 10 : 2).Zeros(5).U16(0).U16(0).U16(kWidth).U16(kHeight).U8(rle ? 32 : 24);
  w.U8(rle ? 0x28 : 0x00);  // RLE: top to bottom, 8 alpha bits
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    const std::uint32_t row = rle ? y : kHeight - 1 - y;
    if (rle) {
      // A run of the first pixel twice, then a packet of the other three as they are.
      const std::uint32_t first = kPixels[row * kWidth];
      w.U8(0x80 | 1).U8(B(first)).U8(G(first)).U8(R(first)).U8(A(first)).U8(kWidth - 3);
    }
    for (std::uint32_t x = rle ? 2 : 0; x < kWidth; ++x) {
      const std::uint32_t p = kPixels[row * kWidth + x];
      w.U8(B(p)).U8(G(p)).U8(R(p));
      if (rle) w.U8(A(p));
    }
  }
  return w.bytes;
}

Bytes Pnm(const std::string& magic) {
  const bool plain = magic == "P3", grey16 = magic == "P5";
  Writer w;
  w.Text(magic + "\n# seed\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n" +
         (grey16 ? "65535" : "255") + "\n");
  for (std::uint32_t p : kPixels) {
    if (grey16) {
      w.U8(G(p)).U8(R(p));
    } else if (plain) {
      w.Text(std::to_string(R(p)) + " " + std::to_string(G(p)) + " " + std::to_string(B(p)) + "\n");
    } else {
      w.U8(R(p)).U8(G(p)).U8(B(p));
    }
  }
  return w.bytes;
}

Bytes Pfm() {
  Writer w;
  w.Text("Pf\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n-1.0\n");
  for (std::uint32_t y = kHeight; y-- > 0;) {
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      const float value = static_cast<float>(G(kPixels[y * kWidth + x])) / 255.0f;
      std::uint32_t bits;
      std::memcpy(&bits, &value, sizeof bits);
      w.U32(bits);
    }
  }
  return w.bytes;
}

// Flat for a narrow picture; for 8 pixels or more, run-length coded rows.
Bytes Hdr(std::uint32_t width) {
  Writer w;
  w.Text("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X " + std::to_string(width) + "\n");
  for (std::uint32_t y = 0; y < 2; ++y) {
    if (width < 8) {
      for (std::uint32_t x = 0; x < width; ++x) w.U8(40 * x).U8(90).U8(200).U8(128);
      continue;
    }
    w.U8(2).U8(2).U8(width >> 8).U8(width & 0xFF);
    w.U8(width);  // channel 0: literal
    for (std::uint32_t x = 0; x < width; ++x) w.U8(10 * x);
    for (std::uint8_t value : {90, 200, 128}) w.U8(128 + width).U8(value);  // runs
  }
  return w.bytes;
}

Bytes Dds(const char* fourCc, std::size_t dataBytes) {
  Writer w;
  w.Text("DDS ").U32(124).U32(0x1007 | 0x20000).U32(kHeight).U32(kWidth).U32(0).U32(0).U32(1).Zeros(44);
  w.U32(32);  // pixel format
  if (fourCc != nullptr) {
    w.U32(0x4).Text(fourCc).Zeros(20);
  } else {
    w.U32(0x41).U32(0).U32(32).U32(0xFF0000).U32(0xFF00).U32(0xFF).U32(0xFF000000u);
  }
  w.U32(0x1000).Zeros(16);
  for (std::size_t i = 0; i < dataBytes; ++i) w.U8(i * 37 + 11);
  return w.bytes;
}

}  // namespace

std::vector<std::pair<std::string, Bytes>> TinyPictures() {
  return {
      {"tiny.png", Png(false)},          {"tiny-interlaced.png", Png(true)},
      {"tiny.jpg", Jpeg(false, false)},   {"tiny-progressive.jpg", Jpeg(false, true)},
      {"tiny-grey.jpg", Jpeg(true, false)}, {"tiny24.bmp", Bmp24()},
      {"tiny8.bmp", Bmp8()},              {"tiny24.tga", Tga(false)},
      {"tiny32-rle.tga", Tga(true)},      {"tiny.ppm", Pnm("P6")},
      {"tiny-plain.ppm", Pnm("P3")},      {"tiny16.pgm", Pnm("P5")},
      {"tiny.pfm", Pfm()},                {"tiny.hdr", Hdr(kWidth)},
      {"tiny-rle.hdr", Hdr(9)},           {"tiny-dxt1.dds", Dds("DXT1", 16)},
      {"tiny-dxt5.dds", Dds("DXT5", 32)}, {"tiny-rgba.dds", Dds(nullptr, 4 * kWidth * kHeight)},
  };
}

}  // namespace seeds
