// A picture inside a scene: the component's rectangle, visibility and alpha with a
// texture that it points to but does not own. Setting a texture sizes the component to
// the picture; drawing stretches the picture to the component's rectangle.
#pragma once

#include "engine/Component.h"
#include "engine/Texture.h"
#include "platform/win32/geometry.h"

class CTCImage : public CTComponent {
 public:
  CTCImage() = default;
  ~CTCImage() override;

  void Initialize() override;
  // Forgets the texture; the texture object itself stays as it is.
  void Shutdown() override;
  void Draw() override;
  // Gives up the texture's device texture when the component actually pauses.
  bool Pause() override;

  // Initialize, then SetTexture.
  virtual void Create(CTTexture* picture);
  // Takes the picture's own size, full alpha, no rotation and the whole image; a null
  // pointer changes nothing else. The position stays.
  virtual void SetTexture(CTTexture* picture);

  CTTexture* GetTexture() const { return texture; }
  float GetRotation() const { return rotation; }
  RECT GetSourceRect() const { return sourceRect; }

 protected:
  CTTexture* texture = nullptr;
  float rotation = 0.0f;
  RECT sourceRect{};
};
