// Makes the README's pictures with the program itself: the menu, the choice of location
// and a finished installation, driven through the end-to-end tests' journey kit against
// the sample handheld and written as PNG files into the folder given as argument.
//   cmake --build build --target screenshots
//   SDL_VIDEODRIVER=offscreen SDL_RENDER_DRIVER=software build/dist/screenshots docs
#include <stdlib.h>

#include <filesystem>
#include <iostream>
#include <string>

#include "installer/InstallWorkers.h"
#include "tests/app/AppKit.h"
#include "tests/app/Journey.h"
#include "tests/support/TempFolder.h"

namespace {

std::string g_out;

TEST(Screenshots, MenuLocationChoiceAndFinishedInstallation) {
  using namespace apptest;
  testsupport::TempFolder logs("logs");
  ::setenv("ALLUSERS", logs.Path().c_str(), 1);
  TempHandheld handheld(SampleProfile());
  auto shot = [](const char* name) {
    return [name] { EXPECT_TRUE(testkit::WriteLastFramePng(g_out + "/screenshot-" + name)) << name; };
  };
  Journey journey("screenshots");
  SkipSplash(journey);
  journey.MovePointer(kRest).WaitFrames(2).Do("menu", shot("menu.png")).Click(kMenuInstall).WaitForScene(PathScene);
  journey.MovePointer(kRest).WaitFrames(2).Do("path", shot("path.png")).Click(Location(1)).WaitForScene(InstallScene);
  ExpectResult(journey, true, WorkerDone);
  journey.Do("installed", shot("installed.png")).Click(kRest).WaitForScene(MenuScene).Click(kMenuExit);
  EXPECT_EQ(journey.Run(), 0);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 2) {
    std::cerr << "usage: screenshots <folder for the pictures>\n";
    return 2;
  }
  g_out = std::filesystem::absolute(argv[1]).string();
  std::filesystem::create_directories(g_out);
  return RUN_ALL_TESTS();
}
