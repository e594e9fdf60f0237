// The one place stb_image is compiled in (BMP, TGA and Radiance HDR only). Callers
// check the header and the extent of the pixel data first, so stb never reads past
// the file; these calls also refuse a result whose size differs from that header.
#pragma once

#include "platform/d3dx9/image_codecs.h"

namespace layer::image {

// 8-bit pictures (BMP, TGA) to 0xAARRGGBB.
bool StbDecode8(Bytes file, std::uint32_t width, std::uint32_t height, DecodedImage& image);
// Radiance HDR to 0xAARRGGBB through FloatToByte, opaque.
bool StbDecodeHdr(Bytes file, std::uint32_t width, std::uint32_t height, DecodedImage& image);

}  // namespace layer::image
