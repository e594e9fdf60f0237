// Asked before a removal (scene 9): the menu comes here when the game is already on
// the handheld. Confirm leads to the uninstall scene, back to the menu.
#pragma once

#include <cstdint>

#include "engine/BlinkButton.h"
#include "engine/Font.h"
#include "engine/Image.h"
#include "engine/Label.h"
#include "engine/Scene.h"
#include "engine/Texture.h"

class CSceneConfirm : public CTScene {
 public:
  CSceneConfirm();
  ~CSceneConfirm() override;

  void Initialize() override;
  void Shutdown() override;
  void Enter() override;
  void Leave() override;
  SceneId GetId() override;
  SceneId GetNextScene() override;

  static void OnButtonClick(CTCBlinkButton* clicked);
  static CSceneConfirm* s_pSelf;

 private:
  std::int32_t nextScene = NoScene;
  CTTexture backgroundTexture;
  CTCImage backgroundImage;
  CTFont font;
  CTCLabel line1Label;
  CTCLabel line2Label;
  CTCBlinkButton confirmButton;
  CTCBlinkButton backButton;
};

extern CSceneConfirm g_SceneConfirm;
