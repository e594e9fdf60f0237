#include "platform/d3dx9/image_texture.h"

#include <new>
#include <utility>

#include "platform/d3d9/texture_factory.h"

namespace layer {

static_assert(kMaxImageSide == kMaxTextureSide, "every picture the decoder accepts fits a texture");

bool ScaleNearest(const DecodedImage& source, std::uint32_t width, std::uint32_t height, DecodedImage& scaled) {
  try {
    scaled.argb.resize(static_cast<std::size_t>(width) * height);
  } catch (const std::bad_alloc&) {
    return false;
  }
  scaled.width = width;
  scaled.height = height;
  // Each target pixel takes the source pixel under its centre.
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint64_t sy = (2 * static_cast<std::uint64_t>(y) + 1) * source.height / (2 * static_cast<std::uint64_t>(height));
    const std::uint32_t* row = source.argb.data() + sy * source.width;
    std::uint32_t* out = scaled.argb.data() + static_cast<std::size_t>(y) * width;
    for (std::uint32_t x = 0; x < width; ++x) {
      out[x] = row[(2 * static_cast<std::uint64_t>(x) + 1) * source.width / (2 * static_cast<std::uint64_t>(width))];
    }
  }
  return true;
}

void ApplyColorKey(DecodedImage& image, D3DCOLOR key) {
  if (key == 0) return;
  for (std::uint32_t& pixel : image.argb) {
    if (pixel == key) pixel = 0;
  }
}

HRESULT PrepareTexturePixels(const void* data, std::size_t size, UINT width, UINT height, D3DCOLOR colorKey,
                             D3DXIMAGE_INFO* sourceInfo, DecodedImage& pixels) {
  if (data == nullptr || size == 0) return D3DERR_INVALIDCALL;
  bool ownWidth = width == D3DX_DEFAULT || width == 0, ownHeight = height == D3DX_DEFAULT || height == 0;
  if ((!ownWidth && width > kMaxImageSide) || (!ownHeight && height > kMaxImageSide)) return D3DERR_INVALIDCALL;

  const auto* bytes = static_cast<const std::uint8_t*>(data);
  D3DXIMAGE_INFO info{};
  DecodedImage decoded;
  if (!DecodeImage(bytes, size, decoded)) return D3DXERR_INVALIDDATA;
  if (sourceInfo != nullptr && !ReadImageInfo(bytes, size, info)) return D3DXERR_INVALIDDATA;
  if (ownWidth) width = decoded.width;
  if (ownHeight) height = decoded.height;
  if (width != decoded.width || height != decoded.height) {
    DecodedImage scaled;
    if (!ScaleNearest(decoded, width, height, scaled)) return E_OUTOFMEMORY;
    decoded = std::move(scaled);
  }
  ApplyColorKey(decoded, colorKey);
  if (sourceInfo != nullptr) *sourceInfo = info;
  pixels = std::move(decoded);
  return D3D_OK;
}

}  // namespace layer
