#include "installer/SceneSplash.h"

#include "engine/Window.h"
#include "installer/ResourcePacks.h"

CSceneSplash::CSceneSplash() = default;

CSceneSplash::~CSceneSplash() = default;

void CSceneSplash::Initialize() {
  stage = StartPictures;
  AddComponent(&pictureImage);
  CTScene::Initialize();
}

void CSceneSplash::Enter() {
  pictureIndex = 0;
  CTScene::Enter();
  phase = FadeIn;
  counter = 0;
  pictureCount = static_cast<std::int32_t>(CountSplashes(kSplashAtStart));
  if (pictureCount == 0) stage = GamePicture;
  ShowPicture();
}

void CSceneSplash::ShowPicture() {
  picture.Release();
  if (stage == GamePicture) {
    picture.LoadFromResource(g_LocalResourceFile.GetByName(L"/Quellor"));
    pictureImage.SetTexture(&picture);
  } else if (stage == StartPictures) {
    LoadSplashRecord(GetSplash(kSplashAtStart, pictureIndex));
  }
  // Fractional or negative positions are fine: the picture is centred exactly.
  const float x = (static_cast<float>(g_ClientWidth) - pictureImage.GetWidth()) * 0.5f;
  const float y = (static_cast<float>(g_ClientHeight) - pictureImage.GetHeight()) * 0.5f;
  pictureImage.SetPosition(x, y).Show();
}

void CSceneSplash::LoadSplashRecord(SplashRecord record) {
  if (record.resource == kSplashInternal) {
    // "Tamblor" is the only picture the common pack holds for splashes; any other id
    // leaves the previous picture in place.
    if (record.id != L"Tamblor") return;
    picture.LoadFromResource(g_CommonResourceFile.GetByName(L"/Tamblor"));
  } else {
    picture.LoadFromFile(record.id);
  }
  pictureImage.SetTexture(&picture);
}

void CSceneSplash::NextPicture() {
  if (pictureIndex >= pictureCount - 1) {
    stage = GamePicture;
  } else {
    ++pictureIndex;
  }
  phase = FadeIn;
  counter = 0;
  ShowPicture();
}

void CSceneSplash::Update() {
  switch (phase) {
    case FadeIn:
      if (counter < kOpaque) {
        counter += kFadeStep;
      } else {
        counter = 0;
        phase = Hold;
      }
      break;
    case Hold:
      ++counter;
      if (stage == GamePicture) {
        // The game's picture is never held: the menu shows the same picture.
        stage = StartPictures;
        counter = 0;
        phase = Finished;
      } else if (stage == StartPictures && counter > kHoldFrames) {
        counter = kFadeOutStart;
        phase = FadeOut;
      }
      break;
    case FadeOut:
      if (counter > kFadeStep) {
        counter -= kFadeStep;
      } else {
        NextPicture();
      }
      break;
    default:
      break;
  }
  CTScene::Update();
}

void CSceneSplash::Draw() {
  if (stage == NotReady) return;
  const bool fading = phase == FadeIn || phase == FadeOut;
  pictureImage.SetAlpha(fading ? static_cast<std::uint8_t>(counter & 0xFF) : 255);
  CTScene::Draw();
}

SceneId CSceneSplash::GetId() { return SplashScene; }

SceneId CSceneSplash::GetNextScene() { return phase == Finished ? MenuScene : NoScene; }

void CSceneSplash::OnEvent(CTEvent event) {
  // A click or a key skips the rest of a start picture's stay.
  if (phase == Hold && (event.kind == CTEvent::MouseDown || event.kind == CTEvent::KeyPress)) counter = kOpaque;
  CTScene::OnEvent(event);
}
