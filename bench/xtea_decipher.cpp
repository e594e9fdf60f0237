// XTEAMod::Decipher on a 16 MiB buffer, set up as the pack reader sets it up (5 cycles,
// the 12-character pass text), beside memcpy of the same buffer: the floor any pass
// over the bytes pays. Also each batch path on its own and the one-block-at-a-time
// reference, so the speed-up shows. Prints the times as ratios to memcpy at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "engine/XTEA.h"
#include "engine/XTEABatch.h"

namespace {

constexpr std::size_t kBufferSize = 16u << 20;
const char* const kMemcpy = "memcpy";
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

// Keeps each benchmark's time per iteration for the closing comparison.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (!run.error_occurred) times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::RegisterBenchmark(kMemcpy, Memcpy)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(kDecipher, Decipher)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark(kReference, DecipherOneByOne)->Unit(benchmark::kMillisecond);
  for (auto path : {xtea_batch::Path::OneByOne, xtea_batch::Path::Sse2, xtea_batch::Path::Avx2}) {
    const std::string name = std::string("batch/") + xtea_batch::PathName(path);
    benchmark::RegisterBenchmark(name.c_str(), DecipherPath, path)->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  const auto& times = reporter.times;
  if (times.count(kMemcpy) == 0) return 0;
  std::printf("\nTime for 16 MiB relative to memcpy of the same buffer:\n");
  for (const auto& [name, time] : times) std::printf("  %-28s %6.2fx\n", name.c_str(), time / times.at(kMemcpy));
  if (times.count(kDecipher) != 0 && times.count(kReference) != 0) {
    std::printf("Speed-up of XTEAMod::Decipher over the one-by-one reference: %.1fx\n",
                times.at(kReference) / times.at(kDecipher));
  }
  return 0;
}
