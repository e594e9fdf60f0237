// CTResourceFile::Load (read the whole file, decipher it, list its entries) of the
// sample's common pack and of a 16 MiB pack, each beside memcpy of as many bytes (the
// floor of any pass over them) and beside reading the file alone through the same
// Win32 calls, so the ratios split the load into its reading and its deciphering.
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/support/SampleSetup.h"
#include "bench/support/Suite.h"
#include "engine/ResourceFile.h"
#include "installer/PackKeys.h"
#include "platform/win32/files.h"
#include "platform/win32/strings.h"
#include "tools/packtool/PackWriter.h"

namespace {

constexpr std::size_t kLargeEntries = 256;
constexpr std::size_t kLargeEntrySize = 64u << 10;  // 256 x 64 KiB = 16 MiB of entries

struct PackFile {
  std::wstring path;
  std::uint32_t size = 0;
};

PackFile SamplePack() {
  const std::string path = bench::DistFolder() + "/Common.pak";
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  return {layer::Utf8ToWide(path), file ? static_cast<std::uint32_t>(file.tellg()) : 0u};
}

// Written once with the common pack's secrets, so it loads as the sample pack does.
PackFile LargePack() {
  static bench::TempFolder folder("bench-pack");
  static const PackFile pack = [] {
    std::vector<packwriter::Entry> entries;
    std::mt19937 random(7);
    for (std::size_t i = 0; i < kLargeEntries; ++i) {
      packwriter::Entry entry{"/Entry" + std::to_string(i), std::vector<std::uint8_t>(kLargeEntrySize)};
      for (auto& byte : entry.bytes) byte = static_cast<std::uint8_t>(random());
      entries.push_back(std::move(entry));
    }
    const packwriter::Secrets secrets{kCommonPackKeys.salt,
                                      {kCommonPackKeys.mask[0], kCommonPackKeys.mask[1], kCommonPackKeys.mask[2],
                                       kCommonPackKeys.mask[3]},
                                      kCommonPackKeys.passText};
    const std::vector<std::uint8_t> bytes = packwriter::Build(entries, secrets);
    const std::string path = folder.path() + "/Large.pak";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return PackFile{layer::Utf8ToWide(path), static_cast<std::uint32_t>(bytes.size())};
  }();
  return pack;
}

using PackSource = PackFile (*)();

void BM_LoadPack(benchmark::State& state, PackSource source) {
  const PackFile pack = source();
  if (pack.size == 0) {
    state.SkipWithError("no pack file");
    return;
  }
  CTResourceFile file;
  for (auto _ : state) {
    file.Load(pack.path, kCommonPackKeys.salt, kCommonPackKeys.mask, kCommonPackKeys.passText);
    benchmark::DoNotOptimize(file.GetEntries().data());
  }
  if (file.GetEntries().empty()) state.SkipWithError("the pack lists no entries");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * pack.size);
  state.counters["entries"] = static_cast<double>(file.GetEntries().size());
}

void BM_ReadFile(benchmark::State& state, PackSource source) {
  const PackFile pack = source();
  std::vector<BYTE> buffer(pack.size);
  for (auto _ : state) {
    HANDLE in = CreateFileW(pack.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    ReadFile(in, buffer.data(), pack.size, &done, nullptr);
    CloseHandle(in);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * pack.size);
}

void BM_Memcpy(benchmark::State& state, PackSource source) {
  const PackFile pack = source();
  std::vector<std::uint8_t> from(pack.size, 0x5A), to(pack.size);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), pack.size);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * pack.size);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<bench::Ratio> ratios;
  for (auto [label, source] : {std::pair{"common", &SamplePack}, std::pair{"16MiB", &LargePack}}) {
    const std::string suffix = std::string("/") + label;
    for (auto [name, function] : {std::pair{"BM_LoadPack", &BM_LoadPack}, std::pair{"BM_ReadFile", &BM_ReadFile},
                                  std::pair{"BM_Memcpy", &BM_Memcpy}}) {
      benchmark::RegisterBenchmark((name + suffix).c_str(), function, source)->Unit(benchmark::kMicrosecond);
    }
    ratios.push_back({std::string("Load of the ") + label + " pack / memcpy of its bytes", "BM_LoadPack" + suffix,
                      "BM_Memcpy" + suffix, bench::Ratio::Real});
    ratios.push_back({std::string("Load of the ") + label + " pack / reading the file alone", "BM_LoadPack" + suffix,
                      "BM_ReadFile" + suffix, bench::Ratio::Real});
  }
  return bench::RunWithRatios(argc, argv, ratios);
}
