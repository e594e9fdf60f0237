// Decoding speed of a full-window (640x480) picture per format, and the whole road to
// texture pixels (decode, colour key) that every picture of a scene takes.
#include <benchmark/benchmark.h>

#include "platform/d3dx9/image_decode.h"
#include "platform/d3dx9/image_texture.h"
#include "tests/support/PictureWriters.h"

#include <vector>

namespace {

constexpr std::uint32_t kWidth = 640, kHeight = 480;
using pictures_test::Bytes;

// A smooth gradient with a magenta band: compresses like interface art, not like noise.
pictures_test::Pixels Gradient() {
  pictures_test::Pixels pixels;
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      const bool band = y % 64 < 8;
      const std::uint32_t red = band ? 255 : x * 255 / kWidth, green = band ? 0 : y * 255 / kHeight;
      pixels.push_back(0xFF0000FFu | red << 16 | green << 8);
    }
  }
  return pixels;
}

Bytes Png() { return pictures_test::WritePngRgba(kWidth, kHeight, Gradient()); }
Bytes Jpeg() { return pictures_test::WriteJpeg(kWidth, kHeight, Gradient(), false, false); }

// DXT5 with varied blocks.
Bytes Dds() {
  Bytes blocks;
  for (std::uint32_t i = 0; i < kWidth * kHeight; ++i) blocks.push_back(std::uint8_t(i * 2654435761u >> 24));
  return pictures_test::WriteDds(kWidth, kHeight, pictures_test::DdsLayout{"DXT5"}, blocks);
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
