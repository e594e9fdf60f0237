// Helpers of the foundation tests: a temporary folder, an environment variable set for
// a while, whole-file reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace foundation_test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& Path() const { return path; }
  std::string File(const std::string& name) const { return path + "/" + name; }

 private:
  std::string path;
};

// Sets (or, with null, unsets) an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name, oldValue;
  bool hadValue;
};

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
std::wstring Wide(const std::string& utf8);
// The UTF-16 little-endian bytes of a text, as the log writes it.
std::vector<std::uint8_t> Utf16Le(const std::wstring& text);
// size bytes from a generator seeded with seed.
std::vector<std::uint8_t> PatternBytes(std::size_t size, std::uint32_t seed);

}  // namespace foundation_test
