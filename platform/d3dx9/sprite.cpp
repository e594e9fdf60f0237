// The D3DX sprite: each Draw is one textured quad whose corners are the sprite's
// transformation applied to the source rectangle laid out at (0,0)-(w,h).
#include <algorithm>

#include "platform/d3d9/device_internal.h"
#include "platform/d3d9/direct3d_switches.h"
#include "platform/d3dx9/d3dx9.h"
#include "platform/win32/ref_counted.h"

namespace {

class Sprite final : public layer::RefCounted<ID3DXSprite> {
 public:
  explicit Sprite(layer::Device* device) : device_(device) {
    device_->AddRef();
    transform_ = D3DXMATRIX{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
  }

  HRESULT Begin(DWORD flags) override {
    if (begun_) return D3DERR_INVALIDCALL;
    begun_ = true;
    flags_ = flags;
    return D3D_OK;
  }

  HRESULT SetTransform(const D3DXMATRIX* transform) override {
    if (transform == nullptr) return D3DERR_INVALIDCALL;
    transform_ = *transform;
    return D3D_OK;
  }

  HRESULT Draw(IDirect3DTexture9* texture, const RECT* sourceRect, const D3DXVECTOR3* center,
               const D3DXVECTOR3* position, D3DCOLOR color) override;

  HRESULT End() override {
    if (!begun_) return D3DERR_INVALIDCALL;
    begun_ = false;
    return D3D_OK;
  }

 private:
  ~Sprite() override { device_->Release(); }

  SDL_FPoint Transform(float x, float y) const {
    const auto& m = transform_.m;
    float tx = x * m[0][0] + y * m[1][0] + m[3][0];
    float ty = x * m[0][1] + y * m[1][1] + m[3][1];
    float w = x * m[0][3] + y * m[1][3] + m[3][3];
    if (w != 1.0f && w != 0.0f) {
      tx /= w;
      ty /= w;
    }
    return SDL_FPoint{tx, ty};
  }

  layer::Device* device_;
  D3DXMATRIX transform_;
  bool begun_ = false;
  DWORD flags_ = 0;
};

HRESULT Sprite::Draw(IDirect3DTexture9* texture, const RECT* sourceRect, const D3DXVECTOR3* center,
                     const D3DXVECTOR3* position, D3DCOLOR color) {
  if (!begun_ || texture == nullptr) return D3DERR_INVALIDCALL;
  auto* ours = dynamic_cast<layer::Texture*>(texture);
  if (ours == nullptr || ours->Owner() != device_) return D3DERR_INVALIDCALL;
  const LONG width = static_cast<LONG>(ours->GetWidth());
  const LONG height = static_cast<LONG>(ours->GetHeight());
  RECT wanted = sourceRect ? *sourceRect : RECT{0, 0, width, height};
  // Only the part of the rectangle inside the texture is drawn, where it would lie.
  RECT inside{std::max(wanted.left, LONG{0}), std::max(wanted.top, LONG{0}), std::min(wanted.right, width),
              std::min(wanted.bottom, height)};
  if (inside.right <= inside.left || inside.bottom <= inside.top) return D3D_OK;

  float offsetX = (position ? position->x : 0.0f) - (center ? center->x : 0.0f);
  float offsetY = (position ? position->y : 0.0f) - (center ? center->y : 0.0f);
  float left = static_cast<float>(inside.left - wanted.left) + offsetX;
  float top = static_cast<float>(inside.top - wanted.top) + offsetY;
  float right = left + static_cast<float>(inside.right - inside.left);
  float bottom = top + static_cast<float>(inside.bottom - inside.top);
  float u0 = static_cast<float>(inside.left) / width, u1 = static_cast<float>(inside.right) / width;
  float v0 = static_cast<float>(inside.top) / height, v1 = static_cast<float>(inside.bottom) / height;

  SDL_Color tint{static_cast<Uint8>(color >> 16), static_cast<Uint8>(color >> 8), static_cast<Uint8>(color),
                 static_cast<Uint8>(color >> 24)};
  SDL_Vertex corners[4] = {
      {Transform(left, top), tint, SDL_FPoint{u0, v0}},
      {Transform(right, top), tint, SDL_FPoint{u1, v0}},
      {Transform(left, bottom), tint, SDL_FPoint{u0, v1}},
      {Transform(right, bottom), tint, SDL_FPoint{u1, v1}},
  };
  // Split along the top-left to bottom-right diagonal: SDL's software renderer then
  // recognises an unturned quad as a rectangle and copies it texel for texel.
  static const int kQuad[6] = {0, 1, 3, 0, 3, 2};
  // An opaque texture at full alpha gives the same pixels blended or not; copying them
  // is much cheaper (the full-screen background).
  const bool covers = ours->Opaque() && (color >> 24) == 0xFF;
  device_->DrawTriangles(ours, corners, 4, kQuad, 6, (flags_ & D3DXSPRITE_ALPHABLEND) != 0 && !covers);
  return D3D_OK;
}

}  // namespace

HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite) {
  if (sprite == nullptr) return D3DERR_INVALIDCALL;
  *sprite = nullptr;
  layer::Device* owner = layer::Device::From(device);
  if (owner == nullptr) return D3DERR_INVALIDCALL;
  if (layer::Switches().failSprite) return E_OUTOFMEMORY;
  *sprite = new Sprite(owner);
  return D3D_OK;
}
