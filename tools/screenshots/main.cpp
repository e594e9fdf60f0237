// Pictures of the program for the README, made by the program itself: the menu, the
// choice of location and a finished installation, written as PNG files into the
// folder that QUELLOR_SCREENSHOTS names. Skipped when it is not set.
#include <stdlib.h>

#include <filesystem>

#include "installer/InstallWorkers.h"
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
    Journey journey("screenshots");
    SkipSplash(journey);
    journey.MovePointer(kRest).WaitFrames(2).Do("menu", shot("menu.png")).Click(kMenuInstall).WaitForScene(PathScene);
    journey.MovePointer(kRest).WaitFrames(2).Do("path", shot("path.png")).Click(Location(1)).WaitForScene(InstallScene);
    ExpectResult(journey, true, WorkerDone);
    journey.Do("installed", shot("installed.png")).Click(kRest).WaitForScene(MenuScene).Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);
  });
}

}  // namespace
}  // namespace apptest
