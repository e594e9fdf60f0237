// What the build wrote beside the program, read back whole (pictures then go through
// the program's own decoder, pictures_test::Decode).
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace sampletest {

inline const std::string kDist = QUELLOR_DIST_DIR;

inline std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace sampletest
