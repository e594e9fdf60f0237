// What the texture, font and component tests stand on: the engine's device made once
// (offscreen), a sprite that records draws, BMP pictures and enciphered packs made in the
// test, and the log redirected to a file the test reads.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/ResourceFile.h"
#include "engine/Window.h"
#include "platform/d3dx9/d3dx9.h"
#include "tests/support/PictureWriters.h"
#include "tests/support/TempFolder.h"

namespace textures_test {

using Bytes = std::vector<std::uint8_t>;

// Makes the engine's window, device and sprite once per test program.
bool EnsureDevice();

// A 24-bit BMP file of width x height pixels, all 0xRRGGBB rgb.
inline Bytes SolidBmp(std::uint32_t width, std::uint32_t height, std::uint32_t rgb) {
  return pictures_test::WriteBmp(width, height, std::vector<std::uint32_t>(width * height, rgb), 24);
}

// Takes the engine's sprite slot while it lives (after the device has made its own) and
// records every draw.
class RecordingSprite : public ID3DXSprite {
 public:
  struct DrawCall {
    float x, y, scaleX, scaleY;  // where the transformation puts the top-left corner, and its scale
    IDirect3DTexture9* texture;  // may be gone since: compare, don't use
    UINT textureWidth;           // as it was at the draw
    D3DCOLOR colour;
  };
  RecordingSprite() : saved_((EnsureDevice(), g_Sprite)) { g_Sprite = this; }
  ~RecordingSprite() override { g_Sprite = saved_; }
  ULONG AddRef() override { return 1; }
  ULONG Release() override { return 1; }
  HRESULT Begin(DWORD) override { return S_OK; }
  HRESULT End() override { return S_OK; }
  HRESULT SetTransform(const D3DXMATRIX* transform) override { current = *transform; return S_OK; }
  HRESULT Draw(IDirect3DTexture9* texture, const RECT*, const D3DXVECTOR3*, const D3DXVECTOR3*,
               D3DCOLOR colour) override {
    calls.push_back({current.m[3][0], current.m[3][1], current.m[0][0], current.m[1][1], texture,
                     texture ? texture->GetWidth() : 0u, colour});
    return S_OK;
  }

  // Where each draw since the last look put its top-left corner, and in which colour.
  using Placed = std::tuple<float, float, D3DCOLOR>;
  std::vector<Placed> Take() {
    std::vector<Placed> placed;
    for (const DrawCall& call : std::exchange(calls, {})) placed.emplace_back(call.x, call.y, call.colour);
    return placed;
  }

  D3DXMATRIX current{};
  std::vector<DrawCall> calls;

 private:
  ID3DXSprite* saved_;
};

using testsupport::TempFolder;
// Writes the file into the folder and gives its path.
std::wstring WriteFile(const TempFolder& folder, const std::string& name, const Bytes& bytes);

// An enciphered pack file holding the entries in that order, loaded as the program loads.
class TestPack : public CTResourceFile {
 public:
  explicit TestPack(const std::vector<std::pair<std::string, Bytes>>& entries);

 private:
  TempFolder folder_{"textures_pack"};
};

// Points the engine's log at a fresh file while it lives.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  // Every line without its time stamp: "<level tag><text>".
  std::vector<std::wstring> Lines() const;

 private:
  TempFolder folder_{"textures_log"};
  std::wstring saved_;
};

}  // namespace textures_test
