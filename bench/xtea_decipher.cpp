// XTEAMod::Decipher on a 16 MiB buffer, set up as the pack reader sets it up (5 cycles,
// the 12-character pass text), beside two floors: an in-place pass that XORs each
// 8-byte word of the same buffer (the least any in-place decipher must cost: it reads
// and writes every byte where it lies, as Decipher does) and memcpy into a second
// buffer, whose time swings with what the caches hold. Also each batch path on its own
// and the one-block-at-a-time reference, so the speed-up shows. Prints the times as
// ratios to the in-place pass (and Decipher's to memcpy too) at the end.
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bench/support/Suite.h"
#include "engine/XTEA.h"
#include "engine/XTEABatch.h"

namespace {

constexpr std::size_t kBufferSize = 16u << 20;
const char* const kMemcpy = "memcpy";
const char* const kInPlace = "in-place XOR pass";
const char* const kDecipher = "XTEAMod::Decipher";
const char* const kReference = "XTEAMod::DecipherOneByOne";

std::vector<std::uint8_t> RandomBuffer() {
  std::vector<std::uint8_t> bytes(kBufferSize);
  std::mt19937 random(1);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

XTEAMod PackCipher() {
  XTEAMod cipher;
  const std::uint32_t key[4] = {0x01234567, 0x89ABCDEF, 0xFEDCBA98, 0x76543210};
  const std::uint32_t vector[2] = {kBufferSize + 1234, kBufferSize - 1234};
  cipher.SetPad(vector, "ZorvempLaxit");
  cipher.SetKey(key);
  cipher.SetRounds(5);
  return cipher;
}

void Memcpy(benchmark::State& state) {
  const std::vector<std::uint8_t> source = RandomBuffer();
  std::vector<std::uint8_t> target(kBufferSize);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), kBufferSize);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBufferSize));
}

void InPlaceXor(benchmark::State& state) {
  std::vector<std::uint8_t> buffer = RandomBuffer();
  for (auto _ : state) {
    for (std::size_t at = 0; at < kBufferSize; at += 8) {
      std::uint64_t word;
      std::memcpy(&word, buffer.data() + at, 8);
      word ^= 0x9E3779B97F4A7C15u;
      std::memcpy(buffer.data() + at, &word, 8);
    }
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBufferSize));
}

// Deciphering the same buffer again and again costs the same as deciphering it once.
void Decipher(benchmark::State& state) {
  std::vector<std::uint8_t> buffer = RandomBuffer();
  XTEAMod cipher = PackCipher();
  for (auto _ : state) {
    cipher.Decipher(buffer.data(), kBufferSize);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBufferSize));
  state.SetLabel(xtea_batch::PathName(xtea_batch::BestPath()));
}

void DecipherOneByOne(benchmark::State& state) {
  std::vector<std::uint8_t> buffer = RandomBuffer();
  const XTEAMod cipher = PackCipher();
  for (auto _ : state) {
    cipher.DecipherOneByOne(buffer.data(), kBufferSize);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBufferSize));
}

void DecipherPath(benchmark::State& state, xtea_batch::Path path) {
  if (!xtea_batch::PathAvailable(path)) {
    state.SkipWithError("this processor lacks the instructions");
    return;
  }
  std::vector<std::uint8_t> buffer = RandomBuffer();
  const std::uint32_t key[4] = {1, 2, 3, 4};
  const xtea_batch::Schedule schedule = xtea_batch::DecipherSchedule(5, key);
  xtea_batch::Whitening whitening{};
  for (auto _ : state) {
    xtea_batch::Decipher(path, buffer.data(), kBufferSize / 8, schedule, whitening);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBufferSize));
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<bench::Ratio> ratios;
  auto add = [&ratios](const std::string& name, void (*function)(benchmark::State&)) {
    benchmark::RegisterBenchmark(name.c_str(), function)->Unit(benchmark::kMillisecond);
    if (name != kInPlace) ratios.push_back({name + " / in-place pass, 16 MiB", name, kInPlace, bench::Ratio::Real});
  };
  add(kInPlace, InPlaceXor);
  add(kMemcpy, Memcpy);
  add(kDecipher, Decipher);
  ratios.push_back({std::string(kDecipher) + " / memcpy, 16 MiB", kDecipher, kMemcpy, bench::Ratio::Real});
  add(kReference, DecipherOneByOne);
  for (auto path : {xtea_batch::Path::OneByOne, xtea_batch::Path::Sse2, xtea_batch::Path::Avx2}) {
    const std::string name = std::string("batch/") + xtea_batch::PathName(path);
    benchmark::RegisterBenchmark(name.c_str(), DecipherPath, path)->Unit(benchmark::kMillisecond);
    ratios.push_back({name + " / in-place pass, 16 MiB", name, kInPlace, bench::Ratio::Real});
  }
  ratios.push_back({"one-by-one reference / XTEAMod::Decipher (speed-up)", kReference, kDecipher, bench::Ratio::Real});
  return bench::RunWithRatios(argc, argv, ratios);
}
