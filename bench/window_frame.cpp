// What the main loop pays per frame in the layer: the sprite transformation, drawing
// glyph-sized sprites into a 640x480 frame and presenting it, one message pump with
// its input poll. Runs headless (SDL's offscreen driver and software renderer unless
// the environment chooses otherwise).
#include <benchmark/benchmark.h>
#include <vector>

#include "bench/support/Suite.h"
#include "engine/Window.h"
#include "platform/d3d9/texture_factory.h"
#include "platform/testkit/display.h"

namespace {

bool OpenWindowOnce() {
  static bool open = [] {
    testkit::SetScreenSize(1280, 1024);
    return CreateMainWindow(L"Bench", 640, 480, 0, 0, false, nullptr, nullptr, nullptr) == WindowOk;
  }();
  return open;
}

void BM_MatrixTransformation2D(benchmark::State& state) {
  D3DXVECTOR2 scaling{1.5f, 1.5f}, translation{100.0f, 40.0f};
  D3DXMATRIX matrix;
  float rotation = 0.0f;
  for (auto _ : state) {
    D3DXMatrixTransformation2D(&matrix, nullptr, 0.0f, &scaling, nullptr, rotation, &translation);
    benchmark::DoNotOptimize(matrix);
    rotation += 0.001f;
  }
}
BENCHMARK(BM_MatrixTransformation2D);

// A frame of state.range(0) glyphs of 16 x 16, as a screen of text labels draws them.
void BM_FrameOfGlyphs(benchmark::State& state) {
  if (!OpenWindowOnce()) {
    state.SkipWithError("no window");
    return;
  }
  std::vector<std::uint32_t> pixels(16 * 16, 0xC0FFFFFF);
  IDirect3DTexture9* glyph = nullptr;
  layer::CreateTextureFromPixels(g_Device, 16, 16, pixels.data(), D3DPOOL_DEFAULT, &glyph);
  const int glyphs = static_cast<int>(state.range(0));
  D3DXVECTOR2 scaling{1.0f, 1.0f};
  for (auto _ : state) {
    BeginFrame();
    for (int i = 0; i < glyphs; ++i) {
      D3DXVECTOR2 pen{static_cast<float>((i * 12) % 620), static_cast<float>((i * 12) / 620 * 18 % 460)};
      D3DXMATRIX matrix;
      D3DXMatrixTransformation2D(&matrix, nullptr, 0.0f, &scaling, nullptr, 0.0f, &pen);
      GetSprite()->SetTransform(&matrix);
      GetSprite()->Draw(glyph, nullptr, nullptr, nullptr, 0xFF202020);
    }
    EndFrame(true);
  }
  state.SetItemsProcessed(state.iterations() * glyphs);
  glyph->Release();
}
BENCHMARK(BM_FrameOfGlyphs)->Arg(0)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);

// The same frame with each glyph turned, which leaves the rectangle copy for triangles.
void BM_FrameOfTurnedSprites(benchmark::State& state) {
  if (!OpenWindowOnce()) {
    state.SkipWithError("no window");
    return;
  }
  std::vector<std::uint32_t> pixels(16 * 16, 0xC0FFFFFF);
  IDirect3DTexture9* glyph = nullptr;
  layer::CreateTextureFromPixels(g_Device, 16, 16, pixels.data(), D3DPOOL_MANAGED, &glyph);
  const int sprites = static_cast<int>(state.range(0));
  for (auto _ : state) {
    BeginFrame();
    for (int i = 0; i < sprites; ++i) {
      D3DXVECTOR2 at{static_cast<float>(20 + (i * 12) % 600), static_cast<float>(20 + (i * 12) / 600 * 18 % 440)};
      D3DXMATRIX matrix;
      D3DXMatrixTransformation2D(&matrix, nullptr, 0.0f, nullptr, nullptr, 0.3f, &at);
      GetSprite()->SetTransform(&matrix);
      GetSprite()->Draw(glyph, nullptr, nullptr, nullptr, 0xFFFFFFFF);
    }
    EndFrame(true);
  }
  state.SetItemsProcessed(state.iterations() * sprites);
  glyph->Release();
}
BENCHMARK(BM_FrameOfTurnedSprites)->Arg(200)->Unit(benchmark::kMicrosecond);

// An iteration's pump with nothing queued: SDL's events, keyboard, mouse and cursor.
void BM_PumpMessagesIdle(benchmark::State& state) {
  if (!OpenWindowOnce()) {
    state.SkipWithError("no window");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(PumpMessages());
}
BENCHMARK(BM_PumpMessagesIdle);

}  // namespace

int main(int argc, char** argv) {
  bench::UseHeadlessDrivers();
  return bench::RunWithRatios(
      argc, argv,
      {{"frame of 200 glyphs / frame without sprites", "BM_FrameOfGlyphs/200", "BM_FrameOfGlyphs/0", bench::Ratio::Cpu},
       {"frame of 2000 glyphs / frame without sprites", "BM_FrameOfGlyphs/2000", "BM_FrameOfGlyphs/0",
        bench::Ratio::Cpu},
       {"200 turned sprites / 200 unturned glyphs", "BM_FrameOfTurnedSprites/200", "BM_FrameOfGlyphs/200",
        bench::Ratio::Cpu}});
}
