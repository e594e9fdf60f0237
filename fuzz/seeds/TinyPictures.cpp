#include "fuzz/seeds/TinyPictures.h"

#include <png.h>

#include "tests/support/PictureWriters.h"

namespace seeds {

namespace {

using namespace pictures_test;

// Two rows of RGBE quadruples; the red channel varies so that a run-length row holds
// a literal packet beside the runs of the other channels.
Bytes Rgbe(std::uint32_t width) {
  Bytes rgbe;
  for (std::uint32_t y = 0; y < 2; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) rgbe.insert(rgbe.end(), {std::uint8_t(10 * x), 90, 200, 128});
  }
  return rgbe;
}

// Block data for DXT and raw data for RGBA: a fixed, varied byte pattern.
Bytes Filler(std::size_t count) {
  Bytes bytes;
  for (std::size_t i = 0; i < count; ++i) bytes.push_back(std::uint8_t(i * 37 + 11));
  return bytes;
}

std::vector<std::uint32_t> RgbSamples(const Pixels& pixels) {
  std::vector<std::uint32_t> samples;
  for (std::uint32_t p : pixels) samples.insert(samples.end(), {p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF});
  return samples;
}

std::vector<std::uint32_t> Grey16Samples(const Pixels& pixels) {
  std::vector<std::uint32_t> samples;
  for (std::uint32_t p : pixels) samples.push_back(p >> 8 & 0xFFFF);
  return samples;
}

std::vector<float> GreyFloats(const Pixels& pixels) {
  std::vector<float> samples;
  for (std::uint32_t p : pixels) samples.push_back(static_cast<float>(p >> 8 & 0xFF) / 255.0f);
  return samples;
}

}  // namespace

std::vector<std::pair<std::string, Bytes>> TinyPictures() {
  const Pixels pixels = SamplePixels();
  const std::uint32_t w = kWidth, h = kHeight;
  const std::uint32_t blocks = (w + 3) / 4 * ((h + 3) / 4);
  return {
      {"tiny.png", WritePngRgba(w, h, pixels)},
      {"tiny-interlaced.png", WritePngRgba(w, h, pixels, true)},
      {"tiny-palette.png", WritePng(2, 2, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 1, 0}, false, {255, 0, 0, 0, 255, 0}, {128})},
      {"tiny.jpg", WriteJpeg(w, h, pixels, false, false)},
      {"tiny-progressive.jpg", WriteJpeg(w, h, pixels, false, true)},
      {"tiny-grey.jpg", WriteJpeg(w, h, pixels, true, false)},
      {"tiny24.bmp", WriteBmp(w, h, pixels, 24)},
      {"tiny8.bmp", WriteBmp(2, 2, {0, 1, 1, 0}, 8, false, 0, {0xFF0000, 0x00FF00})},
      {"tiny32-v5.bmp", WriteBmp(w, h, pixels, 32, true, 0xFF000000u)},
      {"tiny24.tga", WriteTga(w, h, pixels, 24, false)},
      {"tiny32-rle.tga", WriteTga(w, h, pixels, 32, true, true)},
      {"tiny.ppm", WritePnm("P6", w, h, 255, RgbSamples(pixels))},
      {"tiny-plain.ppm", WritePnm("P3", w, h, 255, RgbSamples(pixels))},
      {"tiny16.pgm", WritePnm("P5", w, h, 65535, Grey16Samples(pixels))},
      {"tiny.pfm", WritePfm(false, w, h, GreyFloats(pixels), true)},
      {"tiny.hdr", WriteHdr(w, 2, Rgbe(w), false)},
      {"tiny-rle.hdr", WriteHdr(9, 2, Rgbe(9), true)},
      {"tiny-dxt1.dds", WriteDds(w, h, {.fourCc = "DXT1"}, Filler(8 * blocks))},
      {"tiny-dxt5.dds", WriteDds(w, h, {.fourCc = "DXT5"}, Filler(16 * blocks))},
      {"tiny-rgba.dds", WriteDds(w, h, {}, Filler(4 * w * h))},
  };
}

}  // namespace seeds
