// Decoding speed of a full-window (640x480) picture per format, and the whole road to
// texture pixels (decode, colour key) that every picture of a scene takes.
#include <benchmark/benchmark.h>

// The layer's TRUE/FALSE come before jpeglib.h defines its own.
#include "platform/d3dx9/image_decode.h"
#include "platform/d3dx9/image_texture.h"

#include <cstdio>  // jpeglib.h needs FILE
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace {

constexpr std::uint32_t kWidth = 640, kHeight = 480;
using Bytes = std::vector<std::uint8_t>;

// A smooth gradient with a magenta band: compresses like interface art, not like noise.
std::vector<std::uint8_t> Rgba() {
  std::vector<std::uint8_t> rgba;
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      bool band = y % 64 < 8;
      rgba.insert(rgba.end(), {std::uint8_t(band ? 255 : x * 255 / kWidth), std::uint8_t(band ? 0 : y * 255 / kHeight),
                               std::uint8_t(255), std::uint8_t(255)});
    }
  }
  return rgba;
}

Bytes Png() {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = kWidth;
  image.height = kHeight;
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> rgba = Rgba();
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr);
  Bytes out(size);
  png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr);
  out.resize(size);
  return out;
}

Bytes Jpeg() {
  jpeg_compress_struct encoder{};
  jpeg_error_mgr errors{};
  encoder.err = jpeg_std_error(&errors);
  jpeg_create_compress(&encoder);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&encoder, &buffer, &size);
  encoder.image_width = kWidth;
  encoder.image_height = kHeight;
  encoder.input_components = 4;
  encoder.in_color_space = JCS_EXT_RGBA;
  jpeg_set_defaults(&encoder);
  jpeg_set_quality(&encoder, 90, TRUE);
  jpeg_start_compress(&encoder, TRUE);
  std::vector<std::uint8_t> rgba = Rgba();
  while (encoder.next_scanline < kHeight) {
    JSAMPROW row = rgba.data() + static_cast<std::size_t>(encoder.next_scanline) * kWidth * 4;
    jpeg_write_scanlines(&encoder, &row, 1);
  }
  jpeg_finish_compress(&encoder);
  jpeg_destroy_compress(&encoder);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// DXT5 with varied blocks; the header fields the reader checks, the rest zero.
Bytes Dds() {
  Bytes out(128, 0);
  auto put = [&](std::size_t at, std::uint32_t v) { std::memcpy(&out[at], &v, 4); };
  std::memcpy(out.data(), "DDS ", 4);
  put(4, 124), put(8, 0x1007), put(12, kHeight), put(16, kWidth), put(76, 32), put(80, 0x4);
  std::memcpy(&out[84], "DXT5", 4);
  for (std::uint32_t i = 0; i < kWidth * kHeight; ++i) out.push_back(std::uint8_t(i * 2654435761u >> 24));
  return out;
}

void Decode(benchmark::State& state, const Bytes& file) {
  layer::DecodedImage image;
  for (auto _ : state) {
    bool ok = layer::DecodeImage(file.data(), file.size(), image);
    benchmark::DoNotOptimize(ok);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_DecodePng(benchmark::State& state) { Decode(state, Png()); }
void BM_DecodeJpeg(benchmark::State& state) { Decode(state, Jpeg()); }
void BM_DecodeDxt5(benchmark::State& state) { Decode(state, Dds()); }

void BM_ReadInfoPng(benchmark::State& state) {
  Bytes file = Png();
  D3DXIMAGE_INFO info{};
  for (auto _ : state) benchmark::DoNotOptimize(layer::ReadImageInfo(file.data(), file.size(), info));
}

void BM_TexturePixelsWithColourKey(benchmark::State& state) {
  Bytes file = Png();
  layer::DecodedImage pixels;
  for (auto _ : state) {
    HRESULT result = layer::PrepareTexturePixels(file.data(), file.size(), D3DX_DEFAULT, D3DX_DEFAULT, 0xFFFF00FF,
                                                 nullptr, pixels);
    benchmark::DoNotOptimize(result);
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

BENCHMARK(BM_DecodePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeDxt5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadInfoPng)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TexturePixelsWithColourKey)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
