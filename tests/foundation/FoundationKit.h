// Helpers of the foundation tests: an environment variable set for a while, whole-file
// reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace foundation_test {

using Bytes = std::vector<std::uint8_t>;
using testsupport::TempFolder;

// Sets (or, with null, unsets) an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;

 private:
  std::string name, oldValue;
  bool hadValue;
};

Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const Bytes& bytes);
inline void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, Bytes(text.begin(), text.end()));
}
std::wstring Wide(const std::string& utf8);
// The UTF-16 little-endian bytes of a text, as the log writes it.
Bytes Utf16Le(const std::wstring& text);
// size bytes from a generator seeded with seed.
Bytes PatternBytes(std::size_t size, std::uint32_t seed);

}  // namespace foundation_test
