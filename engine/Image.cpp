#include "engine/Image.h"

CTCImage::~CTCImage() = default;

void CTCImage::Initialize() { CTComponent::Initialize(); }

void CTCImage::Shutdown() {
  CTComponent::Shutdown();
  texture = nullptr;
}

void CTCImage::Draw() {
  CTComponent::Draw();
  if (texture != nullptr) texture->Draw(x, y, width, height, rotation, alpha, sourceRect);
}

bool CTCImage::Pause() {
  const bool changed = CTComponent::Pause();
  if (changed && texture != nullptr) texture->Release();
  return changed;
}

void CTCImage::Create(CTTexture* picture) {
  CTComponent::Initialize();
  SetTexture(picture);
}

void CTCImage::SetTexture(CTTexture* picture) {
  texture = picture;
  if (picture == nullptr) return;
  const D3DXIMAGE_INFO& info = picture->GetImageInfo();
  width = static_cast<float>(info.Width);
  height = static_cast<float>(info.Height);
  alpha = 255;
  rotation = 0.0f;
  sourceRect = RECT{0, 0, static_cast<LONG>(info.Width), static_cast<LONG>(info.Height)};
}
