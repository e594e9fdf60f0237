// A second decoder for the picture formats where an independent one is at hand:
// stb_image's PNG and binary Netpbm readers. Used to compare the layer's pixels with
// (libpng and its own Netpbm reader), where both read the file.
#pragma once

#include <cstdint>
#include <span>

#include "platform/d3dx9/image_decode.h"

namespace fuzzprobe {

// The file's pixels as 0xAARRGGBB; false when stb refuses it or the two readers are
// known to differ on it by design: PNG of 16 bits per sample (stb keeps the high byte,
// libpng rounds) or with a wrong chunk checksum (stb ignores checksums), Netpbm other
// than binary with a maximum value of 255 (stb ignores smaller maximum values and reads
// no plain text).
bool ReferenceDecode(std::span<const std::uint8_t> file, layer::DecodedImage& image);

}  // namespace fuzzprobe
