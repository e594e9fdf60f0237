// The first scene of every run (scene 1): the configuration's start pictures one after
// another, each fading in, staying a while and fading out, then the game's own picture
// fading in; then the menu. A click or a key press cuts a start picture's stay short.
// Time is counted in frames (Update calls).
#pragma once

#include <cstdint>

#include "engine/Config.h"
#include "engine/Image.h"
#include "engine/Scene.h"
#include "engine/Texture.h"

class CSceneSplash : public CTScene {
 public:
  enum Stage : std::int32_t { NotReady = 0, StartPictures = 1, GamePicture = 2 };
  enum Phase : std::int32_t { Finished = 0, FadeIn = 1, Hold = 2, FadeOut = 3 };

  static constexpr std::uint32_t kFadeStep = 5;
  static constexpr std::uint32_t kOpaque = 250;     // where a fade-in ends
  static constexpr std::uint32_t kHoldFrames = 200;  // a start picture stays one frame longer
  static constexpr std::uint32_t kFadeOutStart = 254;

  CSceneSplash();
  ~CSceneSplash() override;

  void Initialize() override;
  void Enter() override;
  void Update() override;
  void Draw() override;
  SceneId GetId() override;
  SceneId GetNextScene() override;
  void OnEvent(CTEvent event) override;

  Stage GetStage() const { return static_cast<Stage>(stage); }
  Phase GetPhase() const { return static_cast<Phase>(phase); }
  std::int32_t GetPictureIndex() const { return pictureIndex; }
  const CTCImage& GetPictureImage() const { return pictureImage; }

 private:
  void ShowPicture();
  void LoadSplashRecord(SplashRecord record);
  void NextPicture();

  std::int32_t stage = NotReady;
  std::int32_t phase = Finished;
  std::uint32_t counter = 0;
  CTTexture picture;
  CTCImage pictureImage;
  std::int32_t pictureIndex = 0;
  std::int32_t pictureCount = 0;
};

extern CSceneSplash g_SceneSplash;
