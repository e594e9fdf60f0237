// The choice of where the game's data goes (scene 8): main memory or one of the
// handheld's storage cards, one button per location (at most five), and a way back to
// the menu. A chosen location is kept in the device link for the install scene.
#pragma once

#include <cstdint>

#include "engine/BlinkButton.h"
#include "engine/Font.h"
#include "engine/Image.h"
#include "engine/Label.h"
#include "engine/Scene.h"
#include "engine/Texture.h"

class CScenePath : public CTScene {
 public:
  static constexpr int kLocationButtons = 5;

  CScenePath();
  ~CScenePath() override;

  void Initialize() override;
  void Shutdown() override;
  void Enter() override;
  void Leave() override;
  SceneId GetId() override;
  SceneId GetNextScene() override;

  static void OnButtonClick(CTCBlinkButton* clicked);
  static CScenePath* s_pSelf;

  const CTCBlinkButton& GetLocationButton(int index) const { return locationButtons[index]; }

 private:
  std::int32_t nextScene = NoScene;
  CTTexture backgroundTexture;
  CTCImage backgroundImage;
  CTFont font;
  CTCLabel titleLabel;
  CTCBlinkButton locationButtons[kLocationButtons];
  CTCBlinkButton backButton;
};

extern CScenePath g_ScenePath;
