// A fresh folder under the system's temporary folder, removed with everything in it
// when the object goes, and whole files read and written. Shared by the tests, the
// benchmarks and the fuzz probes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testsupport {

class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix = "quellor");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

using Bytes = std::vector<std::uint8_t>;

// How many descriptors the process holds open now: the same before and after a road
// means the road closed what it opened.
inline std::ptrdiff_t OpenDescriptorCount() {
  return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

// A file that cannot be read reads as no bytes.
inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
// Returns the path, so that a file can be made where its path is asked for.
inline std::string WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

// UTF-16 little-endian, as the log and the handheld's paths hold text; an odd last
// byte is dropped.
inline Bytes Utf16Le(const std::wstring& text) {
  Bytes bytes;
  for (wchar_t unit : text) bytes.insert(bytes.end(), {std::uint8_t(unit & 0xFF), std::uint8_t(unit >> 8)});
  return bytes;
}
inline std::wstring FromUtf16Le(const Bytes& bytes) {
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) text += wchar_t(bytes[i] | bytes[i + 1] << 8);
  return text;
}

}  // namespace testsupport
