// Helpers of the foundation tests: an environment variable set for a while, text files
// and bytes made up.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/win32/strings.h"
#include "tests/support/TempFolder.h"

namespace foundation_test {

using testsupport::Bytes, testsupport::TempFolder, testsupport::ReadBytes, testsupport::WriteBytes, testsupport::Utf16Le;

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

// Returns the path, as WriteBytes does.
inline std::string WriteText(const std::string& path, const std::string& text) {
  return WriteBytes(path, Bytes(text.begin(), text.end()));
}
inline std::wstring Wide(const std::string& utf8) { return layer::Utf8ToWide(utf8); }
// size bytes from a generator seeded with seed.
inline Bytes PatternBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

}  // namespace foundation_test
