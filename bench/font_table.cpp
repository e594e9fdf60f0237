// What a bitmap font costs: the memory of its 65536-entry table (the program keeps one
// font per scene that shows text, six in all), loading a glyph set, and measuring and
// releasing glyphs.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "bench/support/Suite.h"
#include "engine/Font.h"
#include "engine/ResourceFile.h"
#include "engine/Window.h"

namespace {

// A 24-bit BMP file of one colour.
std::vector<std::uint8_t> SolidBmp(std::uint32_t width, std::uint32_t height) {
  const std::uint32_t rowBytes = (width * 3 + 3) & ~3u;
  std::vector<std::uint8_t> out(54 + rowBytes * height, 0x80);
  auto put32 = [&out](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, static_cast<std::uint32_t>(out.size()));
  put32(6, 0);
  put32(10, 54);
  put32(14, 40);
  put32(18, width);
  put32(22, height);
  put32(26, 1 | (24u << 16));
  for (std::size_t at = 30; at < 54; at += 4) put32(at, 0);
  return out;
}

// The glyph set the installer's texts need: printable ASCII and Russian Cyrillic.
class GlyphPack : public CTResourceFile {
 public:
  GlyphPack() {
    auto add = [this](std::uint32_t code) {
      char name[16];
      std::snprintf(name, sizeof name, "/Font%04X", code);
      std::wstring wide(name, name + std::char_traits<char>::length(name));
      std::vector<std::uint8_t> bytes = SolidBmp(12, 16);
      const auto size = static_cast<std::uint32_t>(bytes.size());
      items_.emplace_back(CTResource(wide, this, static_cast<std::uint32_t>(items_.size()), 0, size), std::move(bytes));
    };
    for (std::uint32_t c = 0x20; c <= 0x7E; ++c) add(c);
    for (std::uint32_t c = 0x410; c <= 0x44F; ++c) add(c);
    add(0x401);
    add(0x451);
  }
  std::vector<CTResource> GetByPrefix(const std::wstring& prefix) const override {
    std::vector<CTResource> found;
    for (const auto& item : items_) {
      if (item.first.GetName().starts_with(prefix)) found.push_back(item.first);
    }
    return found;
  }
  const std::uint8_t* GetData(CTResource resource) const override { return items_[resource.GetIndex()].second.data(); }
  std::size_t Count() const { return items_.size(); }

 private:
  std::vector<std::pair<CTResource, std::vector<std::uint8_t>>> items_;
};

GlyphPack& Pack() {
  static GlyphPack pack;
  return pack;
}

long ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(statm);
  }
  return resident * sysconf(_SC_PAGESIZE);
}

bool EnsureDevice() {
  static const bool made = [] {
    return CreateMainWindow(L"font bench", 640, 480, 0, 0, false, nullptr, nullptr, nullptr) == WindowOk;
  }();
  return made;
}

// The installer's scenes that show text each hold a font of their own.
constexpr int kSceneFonts = 6;

// Six fonts initialised and loaded once, as the installer's text scenes hold them: the
// tables come fresh from the system, so only their pages that hold symbols become
// resident. Run first, before other benchmarks have freed large blocks (after
// which the allocator may hand out reused memory that it must clear, all of it resident).
void BM_SixFontsResidentMemory(benchmark::State& state) {
  Pack();
  long perFont = 0;
  std::vector<CTFont> fonts(kSceneFonts);
  for (auto _ : state) {
    const long before = ResidentBytes();
    for (CTFont& font : fonts) {
      font.Init(0);
      font.Load(&Pack(), L"/Font");
    }
    perFont = (ResidentBytes() - before) / kSceneFonts;
  }
  state.counters["resident_bytes_per_font"] = static_cast<double>(perFont);
  state.counters["table_bytes_per_font"] = static_cast<double>(CTFont::kSymbolCount * sizeof(SymbolEntry));
  state.counters["glyphs"] = static_cast<double>(Pack().Count());
}
BENCHMARK(BM_SixFontsResidentMemory)->Iterations(1);

void BM_InitLoadFree(benchmark::State& state) {
  CTFont font;
  for (auto _ : state) {
    font.Init(0);
    font.Load(&Pack(), L"/Font");
    font.Free();
  }
}
BENCHMARK(BM_InitLoadFree);

// One index per code unit: the cost of measuring a line whose glyphs exist.
void BM_MeasureLine(benchmark::State& state) {
  if (!EnsureDevice()) {
    state.SkipWithError("no device");
    return;
  }
  CTFont font;
  font.Init(1);
  font.Load(&Pack(), L"/Font");
  const std::wstring line = L"Install the game onto the handheld \x0423\x0441\x0442\x0430\x043D\x043E\x0432\x043A\x0430";
  font.MeasureText(line, 1.0f);
  for (auto _ : state) benchmark::DoNotOptimize(font.MeasureText(line, 1.0f));
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(line.size()));
}
BENCHMARK(BM_MeasureLine);

// A scene switch releases the glyphs of all six fonts, each having made a line's worth.
void BM_ReleaseAllFontsAtSceneSwitch(benchmark::State& state) {
  if (!EnsureDevice()) {
    state.SkipWithError("no device");
    return;
  }
  std::vector<CTFont> fonts(kSceneFonts);
  for (CTFont& font : fonts) {
    font.Init(0);
    font.Load(&Pack(), L"/Font");
  }
  for (auto _ : state) {
    state.PauseTiming();
    for (CTFont& font : fonts) font.MeasureText(L"Main memory", 1.0f);
    state.ResumeTiming();
    ReleaseAllFonts();
  }
}
BENCHMARK(BM_ReleaseAllFontsAtSceneSwitch);

}  // namespace

int main(int argc, char** argv) {
  bench::UseHeadlessDrivers();
  return bench::RunWithRatios(argc, argv, {});
}
