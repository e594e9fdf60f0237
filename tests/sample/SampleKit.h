// Reading back what artgen and the build wrote: whole files, and pictures through the
// program's own decoder, as the program would read them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/artgen/Canvas.h"

namespace sampletest {

inline const std::string kDist = QUELLOR_DIST_DIR;

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// The picture as the program reads it: the facts the font and texture loaders ask for
// first, then the pixels; nothing when either fails or they disagree.
std::optional<artgen::Canvas> Decode(const std::uint8_t* data, std::size_t size);
std::optional<artgen::Canvas> DecodeFile(const std::string& path);

// Perceived brightness 0..255 of an opaque pixel.
inline int Luminance(artgen::Colour c) { return (299 * c.r + 587 * c.g + 114 * c.b) / 1000; }

}  // namespace sampletest
