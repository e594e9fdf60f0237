#include "tests/textures/RecordingSprite.h"

#include "engine/Window.h"

namespace textures_test {

RecordingSprite::RecordingSprite() : saved_(g_Sprite) { g_Sprite = this; }

RecordingSprite::~RecordingSprite() { g_Sprite = saved_; }

HRESULT RecordingSprite::SetTransform(const D3DXMATRIX* transform) {
  current = *transform;
  ++transformsSet;
  return S_OK;
}

HRESULT RecordingSprite::Draw(IDirect3DTexture9* texture, const RECT* source, const D3DXVECTOR3*,
                              const D3DXVECTOR3*, D3DCOLOR colour) {
  calls.push_back({current, texture, texture ? texture->GetWidth() : 0u, source ? std::optional<RECT>(*source) : std::nullopt, colour});
  return S_OK;
}

}  // namespace textures_test
