// Helpers of the foundation tests: an environment variable set for a while, whole-file
// reads and writes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/win32/strings.h"
#include "tests/support/TempFolder.h"

namespace foundation_test {

using Bytes = std::vector<std::uint8_t>;
using testsupport::TempFolder;

// Sets (or, with null, unsets) an environment variable for the life of the object.
struct ScopedEnv {
  ScopedEnv(const char* name, const char* value)
      : name(name), old(std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt) {
    value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { old ? ::setenv(name.c_str(), old->c_str(), 1) : ::unsetenv(name.c_str()); }
  const std::string name;
  const std::optional<std::string> old;
};

inline Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
inline void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(bytes.data()),
                                                                 static_cast<std::streamsize>(bytes.size()));
}
inline void WriteText(const std::string& path, const std::string& text) { WriteBytes(path, Bytes(text.begin(), text.end())); }
inline std::wstring Wide(const std::string& utf8) { return layer::Utf8ToWide(utf8); }
// The UTF-16 little-endian bytes of a text, as the log writes it.
inline Bytes Utf16Le(const std::wstring& text) {
  Bytes bytes;
  for (wchar_t unit : text) bytes.insert(bytes.end(), {std::uint8_t(unit & 0xFF), std::uint8_t(unit >> 8)});
  return bytes;
}
// size bytes from a generator seeded with seed.
inline Bytes PatternBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

}  // namespace foundation_test
