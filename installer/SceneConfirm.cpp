#include "installer/SceneConfirm.h"

#include "engine/Config.h"
#include "installer/DeviceLink.h"
#include "installer/ResourcePacks.h"
#include "installer/SceneFurniture.h"

CSceneConfirm* CSceneConfirm::s_pSelf = nullptr;

namespace {

void SetupLine(CTCLabel& label, std::int32_t textIndex, CTFont* font, float y) {
  label.SetText(LookupText(L"Confirm", textIndex));
  label.SetFont(font);
  label.SetScale(0.8f);
  label.SetAlignment(CTCLabel::Center);
  label.SetRect(0, y, 640, 50);
}

void SetupButton(CTCBlinkButton& button, std::int32_t textIndex, CTFont* font, float y) {
  button.SetRect(0, y, 640, 40);
  button.SetClickHandler(&CSceneConfirm::OnButtonClick);
  button.Setup(LookupText(L"Confirm", textIndex), font, 0.6f, CTCLabel::Center, kTextBlack, CTCLabel::None,
               kTextBlack, 0.0f);
}

}  // namespace

CSceneConfirm::CSceneConfirm() { s_pSelf = this; }

CSceneConfirm::~CSceneConfirm() = default;

void CSceneConfirm::Initialize() {
  AddComponent(&backgroundImage);
  AddComponent(&line1Label);
  AddComponent(&line2Label);
  AddComponent(&confirmButton);
  AddComponent(&backButton);
  CTScene::Initialize();

  ShowPictureAtOrigin(backgroundTexture, backgroundImage, g_CommonResourceFile, L"/Back");
  LoadSceneFont(font);
  SetupLine(line1Label, 0, &font, 130);
  SetupLine(line2Label, 1, &font, 170);
  // The two buttons touch: the row y = 300 between them belongs to neither.
  SetupButton(confirmButton, 2, &font, 260);
  SetupButton(backButton, 3, &font, 300);
}

void CSceneConfirm::Shutdown() {}

void CSceneConfirm::Enter() {
  nextScene = NoScene;
  line1Label.Show();
  line2Label.Show();
  confirmButton.Show();
  backButton.Show();
  g_DeviceLink.Connect();
  CTScene::Enter();
}

void CSceneConfirm::Leave() {
  g_DeviceLink.EndSession();
  CTScene::Leave();
}

SceneId CSceneConfirm::GetId() { return ConfirmScene; }

SceneId CSceneConfirm::GetNextScene() { return static_cast<SceneId>(nextScene); }

void CSceneConfirm::OnButtonClick(CTCBlinkButton* clicked) {
  CSceneConfirm* scene = s_pSelf;
  if (clicked == &scene->confirmButton) {
    scene->nextScene = UninstallScene;
  } else if (clicked == &scene->backButton) {
    scene->nextScene = MenuScene;
  }
}
