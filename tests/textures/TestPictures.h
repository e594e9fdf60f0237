// Picture files made in memory for the texture and font tests.
#pragma once

#include <cstdint>
#include <vector>

namespace textures_test {

constexpr std::uint32_t kMagenta = 0xFFFF00FFu;

// A 24-bit BMP file of width x height pixels; pixels holds them row by row from the
// top, each 0x??RRGGBB (alpha ignored: BMP of this kind is opaque).
std::vector<std::uint8_t> MakeBmp(std::uint32_t width, std::uint32_t height, const std::vector<std::uint32_t>& pixels);
// A BMP of one colour.
std::vector<std::uint8_t> SolidBmp(std::uint32_t width, std::uint32_t height, std::uint32_t rgb);

}  // namespace textures_test
