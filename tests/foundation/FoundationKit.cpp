#include "tests/foundation/FoundationKit.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/win32/strings.h"

namespace foundation_test {

ScopedEnv::ScopedEnv(const char* name, const char* value) : name(name), hadValue(std::getenv(name) != nullptr) {
  if (hadValue) oldValue = std::getenv(name);
  value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
}

ScopedEnv::~ScopedEnv() { hadValue ? ::setenv(name.c_str(), oldValue.c_str(), 1) : ::unsetenv(name.c_str()); }

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::wstring Wide(const std::string& utf8) { return layer::Utf8ToWide(utf8); }

Bytes Utf16Le(const std::wstring& text) {
  Bytes bytes;
  for (wchar_t unit : text) bytes.insert(bytes.end(), {std::uint8_t(unit & 0xFF), std::uint8_t(unit >> 8)});
  return bytes;
}

Bytes PatternBytes(std::size_t size, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

}  // namespace foundation_test

// Xerces 3.2 leaks a few bytes for every document whose DOCTYPE names an external subset
// (allocated in XMLScanner::scanProlog and never freed, with or without validation or
// an entity resolver). LeakSanitizer takes this list when the tests run under it.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:xercesc_3_2::XMLScanner::scanProlog\n";
}
