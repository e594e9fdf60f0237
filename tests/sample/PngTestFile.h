// Reading back what artgen and the build wrote: whole files and PNG pixels (through
// libpng, independent of the code that wrote them).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/artgen/Canvas.h"

namespace sampletest {

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// RGBA pixels of a PNG held in memory; nothing when the bytes are not a valid PNG.
std::optional<artgen::Canvas> DecodePng(const std::uint8_t* data, std::size_t size);
std::optional<artgen::Canvas> DecodePngFile(const std::string& path);

// A fresh empty folder for one test's files.
std::string MakeScratchFolder(const std::string& name);

// Perceived brightness 0..255 of an opaque pixel.
int Luminance(artgen::Colour c);

}  // namespace sampletest
