// Pictures of the program for the README, made by the program itself: the menu, the
// choice of location and a finished installation, written as PNG files into the
// folder that QUELLOR_SCREENSHOTS names. Skipped when it is not set.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "installer/SceneInstall.h"
#include "installer/SceneSplash.h"
#include "tests/app/AppKit.h"
#include "tests/app/Journey.h"

namespace apptest {
namespace {

TEST(Screenshots, MenuLocationChoiceAndFinishedInstallation) {
  const char* folder = std::getenv("QUELLOR_SCREENSHOTS");
  if (folder == nullptr || *folder == '\0') GTEST_SKIP() << "QUELLOR_SCREENSHOTS names no folder";
  std::filesystem::create_directories(folder);
  const std::string out = folder;
  TempFolder logs("logs");
  ::setenv("ALLUSERS", logs.path().c_str(), 1);
  TempHandheld handheld;

  RunInChild([&] {
    auto shot = [&](const char* name) {
      return [&out, name] { EXPECT_TRUE(testkit::WriteLastFramePng(out + "/" + name)) << name; };
    };
    auto held = [](int picture) {
      return [picture] {
        return g_SceneSplash.GetPictureIndex() == picture && g_SceneSplash.GetPhase() == CSceneSplash::Hold;
      };
    };
    const Point rest{20, 470};
    Journey journey("screenshots");
    journey.WaitUntil("first picture held", held(0))
        .Click(rest)
        .WaitUntil("second picture held", held(1))
        .Click(rest)
        .WaitForScene(MenuScene)
        .WaitFrames(2)
        .Do("menu", shot("menu.png"))
        .Click(Middle(310, 240, 300, 30))
        .WaitForScene(PathScene)
        .MovePointer(rest)
        .WaitFrames(2)
        .Do("path", shot("path.png"))
        .Click(Middle(0, 210, 640, 40))
        .WaitForScene(InstallScene)
        .WaitUntil("result", [] { return g_SceneInstall.GetResultLabel().IsVisible() != 0; })
        .WaitFrames(2)
        .Do("installed", shot("installed.png"))
        .Click(rest)
        .WaitForScene(MenuScene)
        .Click(Middle(310, 400, 300, 30));
    EXPECT_EQ(journey.Run(), 0);
  });
}

}  // namespace
}  // namespace apptest
