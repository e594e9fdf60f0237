// CopyFileToDevice onto emulated handhelds. An 8 MiB file beside a plain copy of the
// same file through the same Win32 calls: the ratio tells what the device path
// (session checks, free-space accounting, path resolution) costs on top. An 8 KiB file
// onto an empty handheld beside one that already holds 4,000 files: a write must cost
// the same however full the device is.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/support/Suite.h"
#include "installer/DeviceLink.h"
#include "platform/win32/files.h"
#include "platform/win32/strings.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
constexpr DWORD kSize = 8u << 20;
constexpr DWORD kSmallSize = 8u << 10;
constexpr int kFullFolders = 40, kFilesPerFolder = 100;  // 4,000 files

void WriteBytes(const std::string& path, DWORD size) {
  std::vector<char> bytes(size);
  for (DWORD i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 2654435761u >> 24);
  std::ofstream(path, std::ios::binary).write(bytes.data(), size);
}

// A handheld folder with 1 GiB of main memory, connected through a link of its own
// (kept to the end of the process, as the application's link is).
struct Handheld {
  Handheld(const std::string& folder, int files) : folder(folder) {
    fs::create_directories(folder + "/fs");
    std::ofstream(folder + "/profile.json") << R"({"main_memory": {"total": 1073741824, "reserved": 0}})";
    for (int i = 0; i < files; ++i) {
      const std::string dir = folder + "/fs/My Documents/Folder " + std::to_string(i / kFilesPerFolder);
      if (i % kFilesPerFolder == 0) fs::create_directories(dir);
      std::ofstream(dir + "/File " + std::to_string(i) + ".txt") << "a note of the handheld's owner " << i;
    }
    ::setenv("RAPI_HANDHELD", folder.c_str(), 1);
    link = new CDeviceLink;
    link->Connect();
  }
  std::string folder;
  CDeviceLink* link = nullptr;
};

struct Setup {
  Setup()
      : empty(root.File("empty"), 0), full(root.File("full"), kFullFolders * kFilesPerFolder) {
    WriteBytes(root.File("source.bin"), kSize);
    WriteBytes(root.File("small.bin"), kSmallSize);
  }
  ~Setup() {
    empty.link->EndSession();
    full.link->EndSession();
  }
  testsupport::TempFolder root{"device-copy"};
  Handheld empty, full;
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

void Copy(benchmark::State& state, Handheld& handheld, const std::string& source, DWORD size) {
  if (!handheld.link->connected) {
    state.SkipWithError("no emulated handheld connected");
    return;
  }
  const std::wstring pcPath = layer::Utf8ToWide(source);
  for (auto _ : state) handheld.link->CopyFileToDevice(pcPath, L"\\copy.bin");
  if (fs::file_size(handheld.folder + "/fs/copy.bin") != size) state.SkipWithError("copy incomplete");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
}

void BM_CopyFileToDevice(benchmark::State& state) {
  Copy(state, Shared().empty, Shared().root.File("source.bin"), kSize);
}

void BM_CopySmallOntoEmpty(benchmark::State& state) {
  Copy(state, Shared().empty, Shared().root.File("small.bin"), kSmallSize);
}

void BM_CopySmallOntoFull(benchmark::State& state) {
  Copy(state, Shared().full, Shared().root.File("small.bin"), kSmallSize);
}

void BM_PlainFileCopy(benchmark::State& state) {
  const std::wstring source = layer::Utf8ToWide(Shared().root.File("source.bin"));
  const std::wstring target = layer::Utf8ToWide(Shared().root.File("plain.bin"));
  for (auto _ : state) {
    HANDLE in = CreateFileW(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::vector<BYTE> buffer(GetFileSize(in, nullptr));
    DWORD done = 0;
    ReadFile(in, buffer.data(), static_cast<DWORD>(buffer.size()), &done, nullptr);
    CloseHandle(in);
    HANDLE out = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    WriteFile(out, buffer.data(), done, &done, nullptr);
    CloseHandle(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize);
}

BENCHMARK(BM_CopyFileToDevice)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainFileCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopySmallOntoEmpty)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopySmallOntoFull)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return bench::RunWithRatios(
      argc, argv,
      {{"CopyFileToDevice / plain copy, 8 MiB", "BM_CopyFileToDevice", "BM_PlainFileCopy", bench::Ratio::Real},
       {"CopyFileToDevice 8 KiB, 4,000 files / empty handheld", "BM_CopySmallOntoFull", "BM_CopySmallOntoEmpty",
        bench::Ratio::Real}});
}
