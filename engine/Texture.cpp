#include "engine/Texture.h"

#include <algorithm>

#include "engine/ResourceFile.h"
#include "engine/Window.h"

namespace {

// Opaque magenta in the pictures is drawn transparent.
constexpr D3DCOLOR kColorKey = 0xFFFF00FFu;

}  // namespace

CTTexture::~CTTexture() { Release(); }

void CTTexture::LoadFromMemory(const void* data, std::uint32_t size) {
  if (SUCCEEDED(D3DXGetImageInfoFromFileInMemory(data, size, &imageInfo))) {
    sourceKind = SourceKind::Memory;
    sourceData = static_cast<const std::uint8_t*>(data);
    sourceSize = size;
  } else {
    sourceKind = SourceKind::None;
    sourceData = nullptr;
    sourceSize = 0;
  }
  filePath.clear();
}

void CTTexture::LoadFromResource(CTResource resource) {
  // A failed look-up by name gives a resource without a pack: keep what we had.
  if (resource.GetOwner() == nullptr) return;
  LoadFromMemory(resource.GetData(), resource.GetSize());
}

void CTTexture::LoadFromFile(const std::wstring& path) {
  if (SUCCEEDED(D3DXGetImageInfoFromFileW(path.c_str(), &imageInfo))) {
    sourceKind = SourceKind::File;
    filePath = path;
  } else {
    sourceKind = SourceKind::None;
    filePath.clear();
  }
  sourceData = nullptr;
  sourceSize = 0;
}

void CTTexture::Create() {
  if (created) Release();

  HRESULT result = E_FAIL;
  IDirect3DTexture9* texture = nullptr;
  switch (sourceKind) {
    case SourceKind::Memory:
      result = D3DXCreateTextureFromFileInMemoryEx(g_Device, sourceData, sourceSize, imageInfo.Width,
                                                   imageInfo.Height, imageInfo.MipLevels, 0, imageInfo.Format,
                                                   D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, kColorKey,
                                                   nullptr, nullptr, &texture);
      break;
    case SourceKind::File:
      result = D3DXCreateTextureFromFileExW(g_Device, filePath.c_str(), imageInfo.Width, imageInfo.Height,
                                            imageInfo.MipLevels, 0, imageInfo.Format, D3DPOOL_MANAGED,
                                            D3DX_DEFAULT, D3DX_DEFAULT, kColorKey, nullptr, nullptr, &texture);
      break;
    case SourceKind::None:
      return;
  }
  if (FAILED(result) || texture == nullptr) {
    // Silent on purpose: the next Draw tries again (a file may come back, a device may
    // recover).
    if (texture != nullptr) texture->Release();
    return;
  }
  deviceTexture = texture;
  created = true;
  g_Textures.push_back(this);
}

void CTTexture::Draw(float x, float y, float width, float height, float rotation, std::uint8_t alpha,
                     RECT sourceRect) {
  if (sourceKind == SourceKind::None) return;
  if (!created) {
    Create();
    if (!created) return;
  }
  ID3DXSprite* sprite = GetSprite();
  // No sprite (its creation failed, or the device is lost) or an empty picture: nothing
  // sensible to draw.
  if (sprite == nullptr || imageInfo.Width == 0 || imageInfo.Height == 0) return;

  const D3DXVECTOR2 scaling{width / static_cast<float>(imageInfo.Width),
                            height / static_cast<float>(imageInfo.Height)};
  const D3DXVECTOR2 translation{x, y};
  D3DXMATRIX transform;
  D3DXMatrixTransformation2D(&transform, nullptr, 0.0f, &scaling, nullptr, rotation, &translation);
  sprite->SetTransform(&transform);
  const D3DCOLOR colour = (static_cast<D3DCOLOR>(alpha) << 24) | 0x00FFFFFFu;
  sprite->Draw(deviceTexture, &sourceRect, nullptr, nullptr, colour);
}

void CTTexture::Release() {
  if (!created) return;
  if (deviceTexture != nullptr) deviceTexture->Release();
  deviceTexture = nullptr;
  const auto it = std::find(g_Textures.begin(), g_Textures.end(), this);
  if (it != g_Textures.end()) g_Textures.erase(it);
  created = false;
}

void ReleaseAllTextures() {
  // Taken out of the global list first so that no Release has to search it.
  std::vector<CTTexture*> live;
  live.swap(g_Textures);
  for (CTTexture* texture : live) texture->Release();
  live.clear();
  g_Textures.swap(live);  // keeps the list's storage for the next frames
}
