#include "tests/support/PictureWriters.h"

#include <algorithm>
#include <cstdio>  // jpeglib.h needs FILE
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <png.h>

namespace pictures_test {

Pixels SamplePixels() {
  return {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000,  //
          0x80FF8000, 0xFFFF00FF, 0x00123456, 0xFF808080, 0xC0102030,  //
          0xFF112233, 0xFF445566, 0xFF778899, 0xFFAABBCC, 0x40DDEEFF};
}

Pixels Opaque(Pixels pixels) {
  for (std::uint32_t& p : pixels) p |= 0xFF000000u;
  return pixels;
}

std::vector<std::uint32_t> Channels(const Pixels& pixels, std::initializer_list<int> shifts) {
  std::vector<std::uint32_t> samples;
  for (std::uint32_t p : pixels)
    for (int shift : shifts) samples.push_back(p >> shift & 0xFF);
  return samples;
}

// libpng's default error handler aborts when no jump buffer is set: right for a test.
Bytes WritePng(std::uint32_t width, std::uint32_t height, int colorType, int bitDepth, const Bytes& rows,
               bool interlaced, const Bytes& palette, const Bytes& transparency) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, [](png_structp p, png_bytep data, png_size_t length) {
    auto* bytes = static_cast<Bytes*>(png_get_io_ptr(p));
    bytes->insert(bytes->end(), data, data + length);
  }, nullptr);
  png_set_IHDR(png, info, width, height, bitDepth, colorType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!palette.empty()) {
    png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(palette.data()), int(palette.size() / 3));
  }
  if (!transparency.empty()) png_set_tRNS(png, info, transparency.data(), int(transparency.size()), nullptr);
  std::vector<png_bytep> rowPointers;
  for (unsigned y = 0; y < height; ++y) rowPointers.push_back(const_cast<png_byte*>(&rows[y * rows.size() / height]));
  png_set_rows(png, info, rowPointers.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

Bytes WritePngRgba(std::uint32_t width, std::uint32_t height, const Pixels& pixels, bool interlaced) {
  const std::vector<std::uint32_t> rgba = Channels(pixels, {16, 8, 0, 24});
  return WritePng(width, height, PNG_COLOR_TYPE_RGBA, 8, Bytes(rgba.begin(), rgba.end()), interlaced);
}

Bytes WriteJpeg(std::uint32_t width, std::uint32_t height, const Pixels& pixels, bool grey, bool progressive) {
  jpeg_compress_struct encoder{};
  jpeg_error_mgr errors{};
  encoder.err = jpeg_std_error(&errors);
  jpeg_create_compress(&encoder);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&encoder, &buffer, &size);
  encoder.image_width = width;
  encoder.image_height = height;
  encoder.input_components = grey ? 1 : 3;
  encoder.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&encoder);
  jpeg_set_quality(&encoder, 95, TRUE);
  // Full-resolution colour, so no chroma is shared (and blended) across neighbours.
  encoder.comp_info[0].h_samp_factor = encoder.comp_info[0].v_samp_factor = 1;
  if (progressive) jpeg_simple_progression(&encoder);
  jpeg_start_compress(&encoder, TRUE);
  const std::vector<std::uint32_t> wide = grey ? Channels(pixels, {8}) : Channels(pixels, {16, 8, 0});
  Bytes samples(wide.begin(), wide.end());
  for (JSAMPROW row = samples.data(); encoder.next_scanline < height; row += width * (grey ? 1 : 3)) {
    jpeg_write_scanlines(&encoder, &row, 1);
  }
  jpeg_finish_compress(&encoder);
  jpeg_destroy_compress(&encoder);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

Bytes WriteBmp(std::uint32_t width, std::uint32_t height, const Pixels& pixels, int bits, bool topDown,
               std::uint32_t alphaMask, const Pixels& palette) {
  ByteWriter rows;
  for (std::uint32_t i = 0; i < height; ++i) {
    for (std::uint32_t x = 0; x < width; ++x) {
      std::uint32_t p = pixels[(topDown ? i : height - 1 - i) * width + x];
      bits == 8 ? rows.U8(p) : rows.U8(p).U8(p >> 8).U8(p >> 16);
      if (bits == 32) rows.U8(p >> 24);
    }
    while (rows.bytes.size() % 4 != 0) rows.U8(0);
  }
  std::uint32_t infoBytes = alphaMask != 0 ? 124 : 40, offset = 14 + infoBytes + 4 * std::uint32_t(palette.size());
  ByteWriter w;
  w.Text("BM").U32(offset + rows.bytes.size()).U32(0).U32(offset);
  w.U32(infoBytes).U32(width).U32(topDown ? 0u - height : height).U16(1).U16(bits);
  w.U32(alphaMask != 0 ? 3 : 0).U32(rows.bytes.size()).U32(2835).U32(2835).U32(palette.size()).U32(0);
  if (alphaMask != 0) {
    w.U32(0xFF0000).U32(0xFF00).U32(0xFF).U32(alphaMask).Text("BGRs");
    for (int i = 0; i < 12 + 4; ++i) w.U32(0);  // colour space end points, gamma, intent...
  }
  for (std::uint32_t c : palette) w.U32(c & 0xFFFFFF);
  return w.Append(rows.bytes).bytes;
}

Bytes WriteTga(std::uint32_t width, std::uint32_t height, const Pixels& pixels, int bits, bool rle, bool topDown,
               bool rightToLeft) {
  ByteWriter w;
  std::uint32_t descriptor = (bits == 32 ? 8 : 0) | (topDown ? 0x20 : 0) | (rightToLeft ? 0x10 : 0);
  w.U8(3).U8(0).U8(rle ? 10 : 2).U16(0).U16(0).U8(0).U16(0).U16(0).U16(width).U16(height).U8(bits).U8(descriptor);
  w.Text("id!");
  for (std::uint32_t i = 0; i < height; ++i) {
    Pixels row;
    for (std::uint32_t j = 0; j < width; ++j) {
      row.push_back(pixels[(topDown ? i : height - 1 - i) * width + (rightToLeft ? width - 1 - j : j)]);
    }
    for (std::size_t x = 0, run = 1; x < row.size(); x += run, run = 1) {
      while (rle && x + run < row.size() && row[x + run] == row[x]) ++run;
      if (rle) w.U8(run > 1 ? 0x80 | (run - 1) : 0);
      w.U8(row[x]).U8(row[x] >> 8).U8(row[x] >> 16);
      if (bits == 32) w.U8(row[x] >> 24);
    }
  }
  return w.bytes;
}

Bytes WritePnm(const std::string& magic, std::uint32_t width, std::uint32_t height, std::uint32_t maxValue,
               const std::vector<std::uint32_t>& samples) {
  ByteWriter w;
  w.Text(magic + "\n# made by a test\n" + std::to_string(width) + " " + std::to_string(height) + "\n" +
         std::to_string(maxValue) + "\n");
  for (std::size_t i = 0; i < samples.size(); ++i) {
    if (magic == "P2" || magic == "P3") {
      w.Text(std::to_string(samples[i]) + ((i + 1) % 8 == 0 ? "\n" : " "));
    } else {
      if (maxValue > 255) w.U8(samples[i] >> 8);
      w.U8(samples[i]);
    }
  }
  return w.bytes;
}

Bytes WritePfm(bool colour, std::uint32_t width, std::uint32_t height, const std::vector<float>& samples,
               bool littleEndian) {
  ByteWriter w;
  w.Text(std::string(colour ? "PF" : "Pf") + "\n" + std::to_string(width) + " " + std::to_string(height) + "\n" +
         (littleEndian ? "-1.0" : "1.0") + "\n");
  std::uint32_t rowSamples = width * (colour ? 3 : 1);
  for (std::uint32_t i = 0; i < height * rowSamples; ++i) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &samples[(height - 1 - i / rowSamples) * rowSamples + i % rowSamples], 4);
    littleEndian ? w.U32(bits) : w.U8(bits >> 24).U8(bits >> 16).U8(bits >> 8).U8(bits);
  }
  return w.bytes;
}

Bytes WriteHdr(std::uint32_t width, std::uint32_t height, const Bytes& rgbe, bool rle) {
  ByteWriter w;
  w.Text("#?RADIANCE\n# made by a test\nFORMAT=32-bit_rle_rgbe\nEXPOSURE=1.0\n\n-Y " + std::to_string(height) +
         " +X " + std::to_string(width) + "\n");
  if (!rle) return w.Append(rgbe).bytes;
  for (std::uint32_t y = 0; y < height; ++y) {
    w.U8(2).U8(2).U8(width >> 8).U8(width & 0xFF);
    for (std::uint32_t channel = 0; channel < 4; ++channel) {
      Bytes samples;
      for (std::uint32_t x = 0; x < width; ++x) samples.push_back(rgbe[(y * width + x) * 4 + channel]);
      if (std::count(samples.begin(), samples.end(), samples[0]) == std::ptrdiff_t(width)) {
        w.U8(128 + width).U8(samples[0]);
      } else {
        w.U8(width).Append(samples);
      }
    }
  }
  return w.bytes;
}

Bytes WriteDds(std::uint32_t width, std::uint32_t height, const DdsLayout& layout, const Bytes& data) {
  ByteWriter w;
  std::uint32_t flags = 0x1 | 0x2 | 0x4 | 0x1000 | (layout.mipLevels > 1 ? 0x20000 : 0);
  w.Text("DDS ").U32(124).U32(flags).U32(height).U32(width).U32(0).U32(0).U32(layout.mipLevels);
  for (int i = 0; i < 11; ++i) w.U32(0);
  w.U32(32);
  if (!layout.fourCc.empty()) {
    w.U32(0x4).Text(layout.fourCc).U32(0).U32(0).U32(0).U32(0).U32(0);
  } else {
    w.U32(0x40 | (layout.alphaPixels ? 0x1 : 0)).U32(0).U32(layout.bits);
    w.U32(layout.red).U32(layout.green).U32(layout.blue).U32(layout.alpha);
  }
  w.U32(0x1000 | (layout.mipLevels > 1 ? 0x400008 : 0)).U32(layout.caps2).U32(0).U32(0).U32(0);
  return w.Append(data).bytes;
}

}  // namespace pictures_test
