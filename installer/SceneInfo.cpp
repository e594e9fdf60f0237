#include "installer/SceneInfo.h"

#include "engine/Config.h"
#include "installer/ResourcePacks.h"
#include "installer/SceneFurniture.h"

CSceneInfo* CSceneInfo::s_pSelf = nullptr;

CSceneInfo::CSceneInfo() { s_pSelf = this; }

CSceneInfo::~CSceneInfo() = default;

void CSceneInfo::Initialize() {
  AddComponent(&pictureImage);
  AddComponent(&webButton);
  AddComponent(&backButton);
  CTScene::Initialize();

  webButton.Setup(LookupText(L"Info", 0), &font, 0.7f, CTCLabel::Center, kTextBlack, CTCLabel::None, kTextBlack,
                  0.0f);
  backButton.Setup(LookupText(L"Info", 1), &font, 0.7f, CTCLabel::Center, kTextBlack, CTCLabel::None, kTextBlack,
                   0.0f);
  webButton.SetRect(0, 380, 640, 30);
  backButton.SetRect(0, 440, 640, 30);
  webButton.SetClickHandler(&CSceneInfo::OnButtonClick);
  backButton.SetClickHandler(&CSceneInfo::OnButtonClick);
  LoadSceneFont(font);
}

void CSceneInfo::Shutdown() {
  font.Free();
  webButton.Shutdown();
  backButton.Shutdown();
  picture.Release();
  pictureImage.Shutdown();
  CTScene::Shutdown();
}

void CSceneInfo::Enter() {
  nextScene = NoScene;
  // Loaded afresh at every visit; its device texture goes whenever the scene pauses.
  ShowPictureAtOrigin(picture, pictureImage, g_LocalResourceFile, L"/Info");
}

SceneId CSceneInfo::GetId() { return InfoScene; }

SceneId CSceneInfo::GetNextScene() { return static_cast<SceneId>(nextScene); }

void CSceneInfo::OnButtonClick(CTCBlinkButton* clicked) {
  CSceneInfo* scene = s_pSelf;
  if (clicked == &scene->webButton) {
    OpenMakerWebPage();
  } else if (clicked == &scene->backButton) {
    scene->nextScene = MenuScene;
  }
}
