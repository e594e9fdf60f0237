// Tiny pictures of every format the layer reads, made with the tests' picture writers,
// as seeds that reach each decoder's main paths.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace seeds {

using Bytes = std::vector<std::uint8_t>;

// File name (its extension names the format) and content.
std::vector<std::pair<std::string, Bytes>> TinyPictures();

}  // namespace seeds
