// CopyFileToDevice of an 8 MiB file onto an emulated handheld beside a plain copy of
// the same file through the same Win32 calls; the ratio tells what the device path
// (session checks, free-space accounting, path resolution) costs on top.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/support/Suite.h"
#include "installer/DeviceLink.h"
#include "platform/win32/files.h"
#include "platform/win32/strings.h"

namespace {

namespace fs = std::filesystem;
constexpr DWORD kSize = 8u << 20;

struct Setup {
  Setup() {
    std::string pattern = (fs::temp_directory_path() / "device-copy-XXXXXX").string();
    folder = ::mkdtemp(pattern.data());
    std::ofstream(folder + "/profile.json") << R"({"main_memory": {"total": 1073741824, "reserved": 0}})";
    std::ofstream pc(folder + "/source.bin", std::ios::binary);
    std::vector<char> bytes(kSize);
    for (DWORD i = 0; i < kSize; ++i) bytes[i] = static_cast<char>(i * 2654435761u >> 24);
    pc.write(bytes.data(), kSize);
    pc.close();
    ::setenv("RAPI_HANDHELD", folder.c_str(), 1);
    link = new CDeviceLink;
    link->Connect();
  }
  ~Setup() {
    link->EndSession();
    fs::remove_all(folder);
  }
  std::string folder;
  CDeviceLink* link = nullptr;  // kept to the end of the process, as the application's link is
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

void BM_CopyFileToDevice(benchmark::State& state) {
  Setup& s = Shared();
  if (!s.link->connected) {
    state.SkipWithError("no emulated handheld connected");
    return;
  }
  const std::wstring source = layer::Utf8ToWide(s.folder + "/source.bin");
  for (auto _ : state) s.link->CopyFileToDevice(source, L"\\copy.bin");
  if (fs::file_size(s.folder + "/fs/copy.bin") != kSize) state.SkipWithError("copy incomplete");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kSize);
}

void BM_PlainFileCopy(benchmark::State& state) {
  Setup& s = Shared();
  const std::wstring source = layer::Utf8ToWide(s.folder + "/source.bin");
  const std::wstring target = layer::Utf8ToWide(s.folder + "/plain.bin");
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

}  // namespace

int main(int argc, char** argv) {
  return bench::RunWithRatios(argc, argv,
                              {{"CopyFileToDevice / plain copy, 8 MiB", "BM_CopyFileToDevice", "BM_PlainFileCopy",
                                bench::Ratio::Real}});
}
