// A sprite that records what is drawn through it, swapped in for the engine's shared
// sprite while it lives: exact checks of transformations, source rectangles and colours.
#pragma once

#include <optional>
#include <vector>

#include "platform/d3d9/d3d9.h"

namespace textures_test {

class RecordingSprite : public ID3DXSprite {
 public:
  struct DrawCall {
    D3DXMATRIX transform;
    IDirect3DTexture9* texture;  // may be gone since: compare, don't use
    UINT textureWidth;           // as it was at the draw
    std::optional<RECT> source;
    D3DCOLOR colour;

    // Where the transformation puts the picture's top-left corner, and its scale (no
    // rotation).
    float X() const { return transform.m[3][0]; }
    float Y() const { return transform.m[3][1]; }
    float ScaleX() const { return transform.m[0][0]; }
    float ScaleY() const { return transform.m[1][1]; }
  };

  RecordingSprite();
  ~RecordingSprite() override;
  RecordingSprite(const RecordingSprite&) = delete;
  RecordingSprite& operator=(const RecordingSprite&) = delete;

  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT Begin(DWORD) override { return S_OK; }
  HRESULT End() override { return S_OK; }
  HRESULT SetTransform(const D3DXMATRIX* transform) override;
  HRESULT Draw(IDirect3DTexture9* texture, const RECT* source, const D3DXVECTOR3* centre,
               const D3DXVECTOR3* position, D3DCOLOR colour) override;

  D3DXMATRIX current{};
  int transformsSet = 0;
  std::vector<DrawCall> calls;

 private:
  ID3DXSprite* saved_;
};

}  // namespace textures_test
