#include <algorithm>
#include <new>
#include <vector>

#include "platform/d3d9/device_internal.h"
#include "platform/d3d9/texture_factory.h"

namespace layer {

Texture::Texture(Device* device, UINT width, UINT height, D3DPOOL pool, std::vector<std::uint32_t> pixels)
    : device_(device), width_(width), height_(height), pool_(pool), pixels_(std::move(pixels)) {
  device_->AddTexture(this);
}

Texture::~Texture() {
  DropSdl();
  device_->RemoveTexture(this);
}

bool Texture::Upload(SDL_Renderer* renderer) {
  DropSdl();
  if (renderer == nullptr || pixels_.empty()) return false;
  sdl_ = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, static_cast<int>(width_),
                           static_cast<int>(height_));
  if (sdl_ == nullptr) return false;
  if (SDL_UpdateTexture(sdl_, nullptr, pixels_.data(), static_cast<int>(width_ * 4)) != 0) {
    DropSdl();
    return false;
  }
  // Decided from the very pixels the renderer now holds, so it stays true to them.
  opaque_ = std::all_of(pixels_.begin(), pixels_.end(), [](std::uint32_t argb) { return argb >= 0xFF000000u; });
  SDL_SetTextureBlendMode(sdl_, SDL_BLENDMODE_BLEND);
  // The sprite samples with linear filtering, as D3DX's does.
  SDL_SetTextureScaleMode(sdl_, SDL_ScaleModeLinear);
  if (pool_ == D3DPOOL_DEFAULT) {
    pixels_.clear();
    pixels_.shrink_to_fit();
  }
  return true;
}

void Texture::DropSdl() {
  if (sdl_) SDL_DestroyTexture(sdl_);
  sdl_ = nullptr;
}

HRESULT CreateTextureFromPixels(IDirect3DDevice9* device, UINT width, UINT height, const std::uint32_t* argb,
                                D3DPOOL pool, IDirect3DTexture9** out) {
  if (out == nullptr) return D3DERR_INVALIDCALL;
  *out = nullptr;
  Device* owner = Device::From(device);
  if (owner == nullptr || argb == nullptr || width == 0 || height == 0 || width > kMaxTextureSide ||
      height > kMaxTextureSide) {
    return D3DERR_INVALIDCALL;
  }
  if (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
  if (owner->Renderer() == nullptr) return D3DERR_INVALIDCALL;
  // The device keeps its own copy of the pixels: one that doesn't fit fails the call.
  Texture* texture = nullptr;
  try {
    std::vector<std::uint32_t> pixels(argb, argb + static_cast<std::size_t>(width) * height);
    texture = new Texture(owner, width, height, pool, std::move(pixels));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  if (!texture->Upload(owner->Renderer())) {
    texture->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *out = texture;
  return D3D_OK;
}

}  // namespace layer
