// What the picture and label tests draw with: a sprite that records every draw (swapped
// in for the engine's shared sprite), pictures made in memory, and a pack held in memory
// so fonts load without a pack file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/ResourceFile.h"
#include "platform/d3d9/d3d9.h"

namespace components_test {

class RecordingSprite : public ID3DXSprite {
 public:
  struct DrawCall {
    float x;  // where the transformation puts the picture's top-left corner
    float y;
    float scaleX;
    float scaleY;
    IDirect3DTexture9* texture;
    bool hasSource;
    RECT source;
    D3DCOLOR colour;
    std::uint8_t Alpha() const { return static_cast<std::uint8_t>(colour >> 24); }
  };

  // Takes the engine's sprite slot for as long as it lives.
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

  std::vector<DrawCall> calls;

 private:
  D3DXMATRIX current_{};
  ID3DXSprite* saved_;
};

// A 24-bit BMP file of one colour.
std::vector<std::uint8_t> SolidBmp(std::uint32_t width, std::uint32_t height, std::uint32_t rgb);

// A pack whose entries are given in memory instead of read from an enciphered file.
class MemoryPack : public CTResourceFile {
 public:
  void Add(std::wstring name, std::vector<std::uint8_t> bytes);

  CTResource GetByName(const std::wstring& name) const override;
  std::vector<CTResource> GetByPrefix(const std::wstring& prefix) const override;
  const std::uint8_t* GetData(CTResource resource) const override;

 private:
  std::vector<std::pair<std::wstring, std::vector<std::uint8_t>>> items_;
};

// Makes the engine's device once per test program (offscreen), so textures and glyphs
// can be created. False when no device could be made.
bool EnsureDevice();

}  // namespace components_test
