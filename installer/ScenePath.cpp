#include "installer/ScenePath.h"

#include <string>
#include <vector>

#include "engine/Config.h"
#include "installer/DeviceLink.h"
#include "installer/ResourcePacks.h"
#include "installer/SceneFurniture.h"

CScenePath* CScenePath::s_pSelf = nullptr;

namespace {

constexpr float kButtonScale = 0.6f;
constexpr float kFirstLocationY = 170.0f;
constexpr float kRowHeight = 40.0f;
constexpr float kBackY = 370.0f;

// Main memory's path is shown as a single backslash; a card's as its root folder.
std::wstring LocationText(std::size_t index, const std::wstring& entry) {
  if (index == 0) return L"\\ " + LookupText(L"Path", 1);
  return entry + L" " + LookupText(L"Path", 2);
}

}  // namespace

CScenePath::CScenePath() { s_pSelf = this; }

CScenePath::~CScenePath() = default;

void CScenePath::Initialize() {
  AddComponent(&backgroundImage);
  AddComponent(&titleLabel);
  for (CTCBlinkButton& button : locationButtons) AddComponent(&button);
  AddComponent(&backButton);
  CTScene::Initialize();

  ShowPictureAtOrigin(backgroundTexture, backgroundImage, g_CommonResourceFile, L"/Back");
  LoadSceneFont(font);

  titleLabel.SetText(LookupText(L"Path", 0));
  titleLabel.SetFont(&font);
  titleLabel.SetScale(1.0f);
  titleLabel.SetAlignment(CTCLabel::Center);
  titleLabel.SetRect(0, 100, 640, 50);

  // The location buttons get their texts from each Enter's fresh list.
  float y = kFirstLocationY;
  for (CTCBlinkButton& button : locationButtons) {
    button.SetRect(0, y, 640, kRowHeight);
    button.SetClickHandler(&CScenePath::OnButtonClick);
    y += kRowHeight;
  }

  backButton.SetRect(0, kBackY, 640, kRowHeight);
  backButton.SetClickHandler(&CScenePath::OnButtonClick);
  backButton.Setup(LookupText(L"Path", 3), &font, kButtonScale, CTCLabel::Center, kTextBlack, CTCLabel::None,
                   kTextBlack, 0.0f);
}

void CScenePath::Shutdown() {}

void CScenePath::Enter() {
  nextScene = NoScene;
  titleLabel.Show();
  g_DeviceLink.Connect();
  const std::vector<std::wstring> locations = g_DeviceLink.ListStorage();

  for (CTCBlinkButton& button : locationButtons) button.Hide();
  for (std::size_t i = 0; i < locations.size() && i < kLocationButtons; ++i) {
    CTCBlinkButton& button = locationButtons[i];
    button.Setup(LocationText(i, locations[i]), &font, kButtonScale, CTCLabel::Center, kTextBlack, CTCLabel::None,
                 kTextBlack, 0.0f);
    button.Show();
  }
  CTScene::Enter();
}

void CScenePath::Leave() {
  g_DeviceLink.EndSession();
  CTScene::Leave();
}

SceneId CScenePath::GetId() { return PathScene; }

SceneId CScenePath::GetNextScene() { return static_cast<SceneId>(nextScene); }

void CScenePath::OnButtonClick(CTCBlinkButton* clicked) {
  CScenePath* scene = s_pSelf;
  for (int i = 0; i < kLocationButtons; ++i) {
    if (clicked != &scene->locationButtons[i]) continue;
    // A hidden button still gets the clicks on its empty row; it stands for no
    // location of the current list, so it must not start an installation.
    if (!clicked->IsVisible()) return;
    g_DeviceLink.storageIndex = i;
    scene->nextScene = InstallScene;
    return;
  }
  if (clicked == &scene->backButton) scene->nextScene = MenuScene;
}
