// Making a device texture from pixels that are already decoded. The D3DX picture
// functions decode a file, apply the colour key and hand the pixels over here.
#pragma once

#include <cstdint>

#include "platform/d3d9/d3d9.h"

namespace layer {

// The largest side of a device texture.
constexpr UINT kMaxTextureSide = 16384;

// Makes a width x height texture on the device from argb (width * height pixels, rows
// top to bottom, each 0xAARRGGBB); the pixels are copied. Managed-pool textures keep
// their copy and survive a device reset; default-pool textures must be released before
// Reset succeeds. Results: D3D_OK; D3DERR_INVALIDCALL for a device not made by
// Direct3DCreate9, a null pixel or out pointer, a zero side or one above
// kMaxTextureSide, a pool other than default or managed, or a device whose window is
// gone; D3DERR_OUTOFVIDEOMEMORY when the renderer cannot make the texture.
HRESULT CreateTextureFromPixels(IDirect3DDevice9* device, UINT width, UINT height, const std::uint32_t* argb,
                                D3DPOOL pool, IDirect3DTexture9** out);

}  // namespace layer
