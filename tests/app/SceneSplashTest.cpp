// The splash scene on its own, frame by frame: the alpha of every frame of its fades and
// holds, which configuration records it shows, and which input cuts a hold short.
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "engine/Config.h"
#include "engine/Window.h"
#include "installer/SceneSplash.h"
#include "platform/win32/strings.h"
#include "tests/app/AppKit.h"
#include "tests/app/Journey.h"
#include "tests/support/PictureWriters.h"

namespace apptest {
namespace {

// Each start picture: alpha 5 up to 250, full for the frame entering the hold and 200
// held frames, 254 at the 201st, down to 4, then the next picture starts transparent.
// The game's picture fades in alike, is held one frame and then finishes.
std::vector<int> SpecifiedAlphas(int startPictures) {
  std::vector<int> alphas;
  auto fadeIn = [&] {
    for (int alpha = 5; alpha <= 250; alpha += 5) alphas.push_back(alpha);
    alphas.push_back(255);
  };
  for (int picture = 0; picture < startPictures; ++picture) {
    fadeIn();
    alphas.insert(alphas.end(), 200, 255);
    for (int alpha = 254; alpha >= 4; alpha -= 5) alphas.push_back(alpha);
    alphas.push_back(0);
  }
  fadeIn();
  alphas.push_back(255);
  return alphas;
}

TEST(SceneSplash, StartRecordsFadeInHoldAndFadeOutToTheFrameEndRecordsAndUnknownIdsShowNothingNew) {
  TempFolder folder("splash");
  for (const auto& [name, side] : {std::pair{"small.ppm", 4u}, {"large.ppm", 16u}}) {
    const auto picture = pictures_test::WritePnm("P6", 2 * side, side, 255, std::vector<std::uint32_t>(6 * side * side, 99));
    testsupport::WriteBytes(folder.File(name), picture);
  }
  RunInChild([&] {
    // The "end" picture between the two start pictures is never shown; "Nobody" is no
    // picture of the pack, so the small one stays.
    g_Splashes = {{kSplashExternal, layer::Utf8ToWide(folder.File("small.ppm")), kSplashAtStart},
                  {kSplashExternal, layer::Utf8ToWide(folder.File("large.ppm")), kSplashAtEnd},
                  {kSplashInternal, L"Nobody", kSplashAtStart}};
    CSceneSplash& splash = g_SceneSplash;
    const CTCImage& image = splash.GetPictureImage();
    splash.Initialize();
    splash.Enter();
    splash.Resume();
    std::vector<int> alphas;
    using Shown = std::tuple<int, int, float, float>;  // stage, picture, image size
    std::vector<Shown> shown;
    const DIMOUSESTATE up{};
    while (splash.GetNextScene() == NoScene && alphas.size() < 2000) {
      if (splash.GetPhase() != CSceneSplash::Hold) {
        splash.OnEvent(CTEventMouseDown(up, 1, 1, 0));
        splash.OnEvent(CTEventKeyPress(57, 0));
      }
      splash.Update();
      splash.Draw();
      alphas.push_back(image.GetAlpha());
      const Shown now{splash.GetStage(), splash.GetPictureIndex(), image.GetWidth(), image.GetHeight()};
      if (shown.empty() || shown.back() != now) shown.push_back(now);
    }
    EXPECT_EQ(alphas, SpecifiedAlphas(2));
    // Finishing sets the stage back to the start pictures.
    EXPECT_EQ(shown, (std::vector<Shown>{{1, 0, 8.0f, 4.0f}, {1, 1, 8.0f, 4.0f}, {2, 1, 8.0f, 4.0f}, {1, 1, 8.0f, 4.0f}}));
    EXPECT_EQ(std::tuple(image.GetX(), image.GetY()), std::tuple((g_ClientWidth - 8) * 0.5f, (g_ClientHeight - 4) * 0.5f));
    EXPECT_EQ(image.GetTexture()->GetSourceKind(), CTTexture::SourceKind::File);
    EXPECT_EQ(splash.GetNextScene(), MenuScene);

    // In a hold, a press of a mouse button or a key starts the fade-out at the next
    // frame; a release, a movement or a typed character does not.
    const CTEvent inputs[] = {CTEventMouseUp(up, 1, 1, 0), CTEventMouseMove(up, 2, 2), CTEventKeyRelease(57, 0),
                              CTEventSymbol(0, u'a'), CTEventMouseDown(up, 1, 1, 1), CTEventKeyPress(28, 0)};
    for (std::size_t i = 0; i < std::size(inputs); ++i) {
      splash.Enter();
      while (splash.GetPhase() != CSceneSplash::Hold) splash.Update();
      splash.OnEvent(inputs[i]);
      splash.Update();
      EXPECT_EQ(splash.GetPhase(), i < 4 ? CSceneSplash::Hold : CSceneSplash::FadeOut) << i;
    }
  });
}

}  // namespace
}  // namespace apptest
