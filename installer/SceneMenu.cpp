#include "installer/SceneMenu.h"

#include "engine/Config.h"
#include "installer/DeviceLink.h"
#include "installer/ResourcePacks.h"
#include "installer/SceneFurniture.h"

CSceneMenu* CSceneMenu::s_pSelf = nullptr;

namespace {

constexpr float kButtonScale = 0.6f;
constexpr std::int32_t kInstallText = 0;
constexpr std::int32_t kRemoveText = 5;

void SetupMenuButton(CTCBlinkButton& button, std::int32_t textIndex, CTFont* font) {
  button.Setup(LookupText(L"MainMenu", textIndex), font, kButtonScale, CTCLabel::Center, kTextBlack,
               CTCLabel::None, kTextBlack, 0.0f);
}

}  // namespace

CSceneMenu::CSceneMenu() { s_pSelf = this; }

CSceneMenu::~CSceneMenu() = default;

void CSceneMenu::Initialize() {
  AddComponent(&backdropImage);
  AddComponent(&installButton);
  AddComponent(&infoButton);
  AddComponent(&webButton);
  AddComponent(&exitButton);
  AddComponent(&deviceLabel);
  // Before the components are initialised, so that the button starts disabled: no
  // handheld has been looked at yet.
  installButton.Disable();
  CTScene::Initialize();

  SetupMenuButton(installButton, kInstallText, &font);
  SetupMenuButton(infoButton, 2, &font);
  SetupMenuButton(webButton, 3, &font);
  SetupMenuButton(exitButton, 4, &font);
  installButton.SetRect(310, 240, 300, 30);
  infoButton.SetRect(310, 320, 300, 30);
  webButton.SetRect(310, 360, 300, 30);
  exitButton.SetRect(310, 400, 300, 30);
  for (CTCBlinkButton* button : {&installButton, &infoButton, &webButton, &exitButton}) {
    button->SetClickHandler(&CSceneMenu::OnButtonClick);
  }

  // Left-aligned black text without effect, as a label is built; the text comes with
  // the first look at the handheld in Enter.
  deviceLabel.SetFont(&font);
  deviceLabel.SetScale(kButtonScale);
  deviceLabel.SetRect(5, 5, 500, 40);

  LoadSceneFont(font);
}

void CSceneMenu::Shutdown() {
  font.Free();
  installButton.Shutdown();
  infoButton.Shutdown();
  webButton.Shutdown();
  exitButton.Shutdown();
  backdrop.Release();
  backdropImage.Shutdown();
  CTScene::Shutdown();
}

void CSceneMenu::Enter() {
  pollCounter = 0;
  nextScene = NoScene;
  CTScene::Enter();
  ShowPictureAtOrigin(backdrop, backdropImage, g_LocalResourceFile, L"/Quellor");
  g_DeviceLink.Connect();
  RefreshDeviceState();
}

void CSceneMenu::Leave() {
  g_DeviceLink.EndSession();
  CTScene::Leave();
}

void CSceneMenu::Update() {
  if (++pollCounter >= kPollFrames) {
    if (g_DeviceLink.connected) {
      // Only the connection state: a handheld that is still there keeps its session.
      g_DeviceLink.lastResult = g_DeviceLink.device->GetConnectStat(&g_DeviceLink.deviceStatus);
      g_DeviceLink.connected = g_DeviceLink.deviceStatus == RAPI_DEVICE_CONNECTED;
    } else {
      g_DeviceLink.Connect();
    }
    RefreshDeviceState();
    pollCounter = 0;
  }
  CTScene::Update();
}

SceneId CSceneMenu::GetId() { return MenuScene; }

SceneId CSceneMenu::GetNextScene() { return static_cast<SceneId>(nextScene); }

CSceneMenu::DeviceState CSceneMenu::CurrentDeviceState() {
  if (!g_DeviceLink.desktopReady) return DeviceNoRapi;
  if (!g_DeviceLink.connected) return DeviceNotConnected;
  if (!g_DeviceLink.osVersion5) return DeviceOldOs;
  return DeviceReady;
}

void CSceneMenu::RefreshDeviceState() {
  const DeviceState state = CurrentDeviceState();
  if (state != DeviceReady) {
    deviceLabel.SetText(LookupText(L"Device", state));
    installButton.Disable();
    return;
  }
  deviceLabel.SetText(LookupText(L"Device", state) + g_DeviceLink.GetDeviceName());
  SetupMenuButton(installButton, g_DeviceLink.IsGameInstalled() ? kRemoveText : kInstallText, &font);
  installButton.Enable();
}

void CSceneMenu::OnButtonClick(CTCBlinkButton* clicked) {
  CSceneMenu* scene = s_pSelf;
  if (clicked == &scene->installButton) {
    // Asked again now: a marker that appeared since the last poll already counts.
    scene->nextScene = g_DeviceLink.IsGameInstalled() ? ConfirmScene : PathScene;
  } else if (clicked == &scene->infoButton) {
    scene->nextScene = InfoScene;
  } else if (clicked == &scene->webButton) {
    OpenMakerWebPage();
  } else if (clicked == &scene->exitButton) {
    scene->nextScene = QuitScene;
  }
}
