// The information page (scene 6): one full picture with two buttons over its lower
// part, the maker's web page and the way back to the menu. No device work here.
#pragma once

#include <cstdint>

#include "engine/BlinkButton.h"
#include "engine/Font.h"
#include "engine/Image.h"
#include "engine/Scene.h"
#include "engine/Texture.h"

class CSceneInfo : public CTScene {
 public:
  CSceneInfo();
  ~CSceneInfo() override;

  void Initialize() override;
  void Shutdown() override;
  void Enter() override;
  SceneId GetId() override;
  SceneId GetNextScene() override;

  static void OnButtonClick(CTCBlinkButton* clicked);
  static CSceneInfo* s_pSelf;

 private:
  CTTexture picture;
  CTCImage pictureImage;
  CTFont font;
  CTCBlinkButton webButton;
  CTCBlinkButton backButton;
  std::int32_t nextScene = NoScene;
};

extern CSceneInfo g_SceneInfo;
