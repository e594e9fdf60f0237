// CTResourceFile::Load (read the whole file, decipher it, list its entries) of the
// sample's common pack and of a 16 MiB pack, two ways:
// - warm: loaded again and again in one process, beside memcpy of as many bytes (the
//   floor of any pass over them) and beside reading the file alone through the same
//   Win32 calls, so the ratios split the load into its reading and its deciphering;
// - cold, as the program loads each pack: once, in a fresh process, with the file
//   first dropped from the page cache (so it comes from the disk, or from whatever
//   cache the disk has below this system), beside reading the file alone into fresh
//   memory the same way ("dropped"); and once more with the file left in the page cache
//   ("cached"), which keeps only the fresh process's costs (memory never touched
//   before, cold processor caches). Each cold figure is the median of fresh processes.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/support/ChildRun.h"
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

// Written out to the disk, so that its pages in the page cache are clean and can be
// dropped.
void WriteToDisk(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

// Written once with the common pack's secrets, so it loads as the sample pack does.
PackFile LargePack() {
  static testsupport::TempFolder folder("bench-pack");
  static const PackFile pack = [] {
    std::vector<packwriter::Entry> entries;
    std::mt19937 random(7);
    for (std::size_t i = 0; i < kLargeEntries; ++i) {
      packwriter::Entry entry{"/Entry" + std::to_string(i), std::vector<std::uint8_t>(kLargeEntrySize)};
      for (auto& byte : entry.bytes) byte = static_cast<std::uint8_t>(random());
      entries.push_back(std::move(entry));
    }
    const packwriter::Secrets secrets{
        kCommonPackKeys.salt,
        {kCommonPackKeys.mask[0], kCommonPackKeys.mask[1], kCommonPackKeys.mask[2], kCommonPackKeys.mask[3]},
        kCommonPackKeys.passText};
    const std::vector<std::uint8_t> bytes = packwriter::Build(entries, secrets);
    const std::string path = folder.File("Large.pak");
    WriteToDisk(path, bytes);
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

// A cold run: a fresh process of this program does one load (or one read) and reports
// how long it took and how much of the file was in the page cache just before.
constexpr char kColdChild[] = "--child=cold";
enum class ColdWork { Load, Read };
enum class PageCache { Dropped, Cached };

// The share of the file's pages in the page cache, 0 to 1 (-1 when unknown).
double CachedShare(int fd, std::size_t size) {
  void* map = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
  if (map == MAP_FAILED) return -1.0;
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  std::vector<unsigned char> resident((size + page - 1) / page);
  double share = -1.0;
  if (::mincore(map, size, resident.data()) == 0) {
    std::size_t cached = 0;
    for (unsigned char flags : resident) cached += flags & 1u;
    share = static_cast<double>(cached) / static_cast<double>(resident.size());
  }
  ::munmap(map, size);
  return share;
}

int ColdChild(int reportFd, ColdWork work, const std::string& path, PageCache cache) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return 3;
  const std::size_t size = static_cast<std::size_t>(::lseek(fd, 0, SEEK_END));
  if (cache == PageCache::Dropped) ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  const double cachedShare = CachedShare(fd, size);
  ::close(fd);

  const std::wstring widePath = layer::Utf8ToWide(path);
  std::size_t entries = 0;
  const double start = bench::MonotonicSeconds();
  if (work == ColdWork::Load) {
    CTResourceFile file;
    file.Load(widePath, kCommonPackKeys.salt, kCommonPackKeys.mask, kCommonPackKeys.passText);
    entries = file.GetEntries().size();
  } else {
    // As Load reads: into memory not touched before.
    std::unique_ptr<BYTE[]> bytes(new BYTE[size]);
    HANDLE in = CreateFileW(widePath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    ReadFile(in, bytes.get(), static_cast<DWORD>(size), &done, nullptr);
    CloseHandle(in);
    benchmark::DoNotOptimize(bytes.get());
    entries = done == size ? 1 : 0;
  }
  const double seconds = bench::MonotonicSeconds() - start;
  char line[128];
  std::snprintf(line, sizeof line, "%.9f %.4f %zu\n", seconds, cachedShare, entries);
  bench::Report(reportFd, line);
  return entries > 0 ? 0 : 3;
}

// A cold run now and then waits on the disk or the host for milliseconds; the median
// of a few fresh processes is what a load typically costs, where a mean would follow
// the outliers.
constexpr int kColdRunsPerIteration = 9;

void BM_Cold(benchmark::State& state, PackSource source, ColdWork work, PageCache cache) {
  const PackFile pack = source();
  const std::string path = layer::WideToUtf8(pack.path);
  double cachedTotal = 0.0;
  for (auto _ : state) {
    std::vector<double> times;
    for (int run = 0; run < kColdRunsPerIteration; ++run) {
      const bench::ChildResult child = bench::RunSelf({kColdChild, work == ColdWork::Load ? "load" : "read", path,
                                                       cache == PageCache::Dropped ? "dropped" : "cached"});
      double seconds = 0.0, cachedShare = 0.0;
      if (child.exitCode != 0 || std::sscanf(child.report.c_str(), "%lf %lf", &seconds, &cachedShare) != 2) {
        state.SkipWithError("the cold child failed");
        return;
      }
      times.push_back(seconds);
      cachedTotal += cachedShare;
    }
    std::nth_element(times.begin(), times.begin() + kColdRunsPerIteration / 2, times.end());
    state.SetIterationTime(times[kColdRunsPerIteration / 2]);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * pack.size);
  // How much of the file was still cached when the timed work began (0 % when cold).
  state.counters["cached_pct"] = 100.0 * cachedTotal / static_cast<double>(state.iterations() * kColdRunsPerIteration);
}

// The warm and cold benchmarks of one pack, and their ratios.
void Register(const std::string& label, PackSource source, std::vector<bench::Ratio>& ratios) {
  const std::string suffix = "/" + label;
  for (auto [name, function] : {std::pair{"BM_LoadPack", &BM_LoadPack}, std::pair{"BM_ReadFile", &BM_ReadFile},
                                std::pair{"BM_Memcpy", &BM_Memcpy}}) {
    benchmark::RegisterBenchmark((name + suffix).c_str(), function, source)->Unit(benchmark::kMicrosecond);
  }
  const std::string pack = label + " pack";
  ratios.push_back({"Load of the " + pack + " / memcpy of its bytes", "BM_LoadPack" + suffix, "BM_Memcpy" + suffix});
  ratios.push_back(
      {"Load of the " + pack + " / reading the file alone", "BM_LoadPack" + suffix, "BM_ReadFile" + suffix});
  for (auto [cacheName, cache] : {std::pair{"dropped", PageCache::Dropped}, std::pair{"cached", PageCache::Cached}}) {
    const std::string coldSuffix = suffix + "/" + cacheName;
    for (auto [name, work] :
         {std::pair{"BM_ColdLoadPack", ColdWork::Load}, std::pair{"BM_ColdReadFile", ColdWork::Read}}) {
      benchmark::RegisterBenchmark((name + coldSuffix).c_str(), BM_Cold, source, work, cache)
          ->UseManualTime()
          ->Unit(benchmark::kMicrosecond)
          ->Iterations(5);
    }
    ratios.push_back({"Cold load of the " + pack + " (" + cacheName + ") / cold read alone",
                      "BM_ColdLoadPack" + coldSuffix, "BM_ColdReadFile" + coldSuffix});
  }
  ratios.push_back({"Cold load of the " + pack + " (dropped) / warm load", "BM_ColdLoadPack" + suffix + "/dropped",
                    "BM_LoadPack" + suffix});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 4 && std::strcmp(argv[1], kColdChild) == 0) {
    return ColdChild(bench::ReportFd(argc, argv), std::strcmp(argv[2], "load") == 0 ? ColdWork::Load : ColdWork::Read,
                     argv[3], std::strcmp(argv[4], "dropped") == 0 ? PageCache::Dropped : PageCache::Cached);
  }
  std::vector<bench::Ratio> ratios;
  Register("common", &SamplePack, ratios);
  Register("16MiB", &LargePack, ratios);
  return bench::RunWithRatios(argc, argv, ratios);
}
