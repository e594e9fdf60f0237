// The main menu (scene 2): the game's picture, the handheld's state and four buttons:
// install (remove once the game is on the handheld), information, the maker's web page
// and exit. While it is shown it looks at the handheld every 120 frames, so plugging
// one in or pulling it out shows without any action of the user.
#pragma once

#include <cstdint>

#include "engine/BlinkButton.h"
#include "engine/Font.h"
#include "engine/Image.h"
#include "engine/Label.h"
#include "engine/Scene.h"
#include "engine/Texture.h"

class CSceneMenu : public CTScene {
 public:
  // Index of the state line's text in the section "Device".
  enum DeviceState : std::int32_t { DeviceNoRapi = 0, DeviceNotConnected = 1, DeviceOldOs = 2, DeviceReady = 3 };

  static constexpr std::int32_t kPollFrames = 120;

  CSceneMenu();
  ~CSceneMenu() override;

  void Initialize() override;
  void Shutdown() override;
  void Enter() override;
  void Leave() override;
  void Update() override;
  SceneId GetId() override;
  SceneId GetNextScene() override;

  static void OnButtonClick(CTCBlinkButton* clicked);
  static CSceneMenu* s_pSelf;

  // The state the device link's flags describe now.
  static DeviceState CurrentDeviceState();

  const CTCLabel& GetDeviceLabel() const { return deviceLabel; }
  const CTCBlinkButton& GetInstallButton() const { return installButton; }
  const CTCBlinkButton& GetInfoButton() const { return infoButton; }
  const CTCBlinkButton& GetWebButton() const { return webButton; }
  const CTCBlinkButton& GetExitButton() const { return exitButton; }

 private:
  void RefreshDeviceState();

  std::int32_t nextScene = NoScene;
  CTTexture backdrop;
  CTCImage backdropImage;
  CTCLabel deviceLabel;
  CTFont font;
  CTCBlinkButton installButton;
  CTCBlinkButton infoButton;
  CTCBlinkButton webButton;
  CTCBlinkButton exitButton;
  std::int32_t pollCounter = 0;
};

extern CSceneMenu g_SceneMenu;
