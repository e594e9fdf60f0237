// The pixels a D3DX texture is made from: the picture decoded, brought to the asked
// size and colour-keyed. Kept apart from the device so it can be checked on its own.
#pragma once

#include "platform/d3dx9/d3dx9.h"
#include "platform/d3dx9/image_decode.h"

namespace layer {

// width/height: D3DX_DEFAULT or 0 keep the picture's own side; any other value scales
// it to that side (nearest pixel). colorKey: pixels equal to it become 0x00000000;
// 0 keys nothing. sourceInfo, when given, receives the file's information.
// D3D_OK; D3DERR_INVALIDCALL for a missing buffer or a side above kMaxImageSide;
// D3DXERR_INVALIDDATA for a file that is not a whole, readable picture;
// E_OUTOFMEMORY when the pixels do not fit in memory.
HRESULT PrepareTexturePixels(const void* data, std::size_t size, UINT width, UINT height, D3DCOLOR colorKey,
                             D3DXIMAGE_INFO* sourceInfo, DecodedImage& pixels);

// Nearest-pixel scaling to width x height (both at least 1).
bool ScaleNearest(const DecodedImage& source, std::uint32_t width, std::uint32_t height, DecodedImage& scaled);

// Pixels equal to key become fully transparent black; key 0 changes nothing.
void ApplyColorKey(DecodedImage& image, D3DCOLOR key);

}  // namespace layer
