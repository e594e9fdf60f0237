// The failures a handheld can show in the middle of an installation, and a removal
// whose handheld is gone, played through the real program as a user plays them. Each
// checks the result line the scene shows and what the handheld holds afterwards:
// nothing is rolled back, so it holds exactly what the steps before the failure left.
#include <SDL.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <optional>

#include <gtest/gtest.h>

#include "installer/InstallWorkers.h"
#include "installer/SceneInstall.h"
#include "installer/SceneMenu.h"
#include "installer/SceneUninstall.h"
#include "platform/win32/clock_internal.h"
#include "platform/win32/strings.h"
#include "tests/app/AppKit.h"
#include "tests/app/HandheldView.h"
#include "tests/app/InstallSteps.h"
#include "tests/app/Journey.h"
#include "tests/app/ProgramCopy.h"

namespace apptest {
namespace {

const std::string kPrograms = "\\Windows\\Start Menu\\Programs";
const std::string kShortcut = kPrograms + "\\Игры\\Сага Квеллора.lnk";
const std::string kShortcutTarget = "\"" + kGameFolder + "QuellorMobile.exe\"";

// Room the free-space check asks of main memory for a VGA handheld: the build's
// 5 MiB and the 1 MiB main memory keeps.
constexpr std::uint64_t kVgaRoomAsked = 6 * 1048576;

// Only the data folder was written before the failure: the game never ran to write
// its marker and Start-menu folder.
json OnlyTheDataFolder() { return {{kGameKey, {{"RP", Sz(kGameFolder)}}}}; }

class FaultRoads : public ::testing::Test {
 protected:
  // Each run writes its log here rather than into the home folder.
  void SetUp() override { ::setenv("ALLUSERS", logs.path().c_str(), 1); }
  void TearDown() override { ::unsetenv("ALLUSERS"); }

  // The sample handheld with a change to its profile.
  template <typename Change>
  void ChangeProfile(Change change) {
    json profile = handheld.Profile();
    change(profile);
    handheld.WriteProfile(profile);
  }

  // One installation on main memory through the scenes, taking its payload from the
  // copy when one is given; the scene must end with the status and show its text.
  // Back in the menu, the user leaves.
  static void InstallExpecting(std::int32_t status, const ProgramCopy* copy = nullptr) {
    Journey journey("installation ending with status " + std::to_string(status));
    SkipSplash(journey);
    if (copy != nullptr) journey.Do("the copy's payload", [copy] { ASSERT_TRUE(copy->MakeCurrent()); });
    InstallOn(journey, 0);
    journey
        .Do("the result",
            [status] {
              EXPECT_EQ(g_InstallStatus, status);
              EXPECT_TRUE(ResultLineShows(LastFrame(), g_SceneInstall.GetResultLabel(), Text(L"Install", status)));
            })
        .Key(SDL_SCANCODE_SPACE)
        .WaitForScene(MenuScene)
        .Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);
  }

  TempFolder logs{"logs"};
  TempHandheld handheld;
};

TEST_F(FaultRoads, TheLinkLostInTheMiddleOfTheDataFileFailsAndLeavesWhatGotThrough) {
  const std::string data = PayloadFile("QMRes_VGA.dat");
  const std::size_t throughOfData = data.size() / 2;
  ChangeProfile([&](json& profile) {
    profile["faults"]["disconnect_after_bytes"] =
        PayloadFile("Config.xml").size() + PayloadFile("QuellorMobileVGA.exe").size() + throughOfData;
  });
  RunInChild([&] {
    InstallExpecting(WorkerFailed);
    EXPECT_EQ(ReadDeviceTree(handheld),
              WithTheGameFolder(PayloadFile("QuellorMobileVGA.exe"),
                                {{kGameFolder + "QMRes_VGA.dat", Shown(data.substr(0, throughOfData))}}));
    EXPECT_EQ(handheld.Registry(), OnlyTheDataFolder());
  });
}

// The check asks a VGA handheld for 6 MiB of main memory, far more than the sample
// payload holds, so with that payload no volume that passed the check can fill. A data
// file larger than the check assumes can: main memory keeps exactly the room asked and
// the data file alone is that large, so the volume fills during its copy.
TEST_F(FaultRoads, AVolumeThatFillsDuringTheCopyFailsWithoutStartingTheGame) {
  ProgramCopy copy;
  copy.ReplacePayload("QMRes_VGA.dat", std::string(kVgaRoomAsked, 'd'));
  ChangeProfile([](json& profile) {
    const std::uint64_t total = profile["main_memory"]["total"];
    profile["main_memory"]["reserved"] = total - kVgaRoomAsked;
  });
  RunInChild([&] {
    InstallExpecting(WorkerFailed, &copy);
    // The device gives up a file it has no room for: no part of the data file stays.
    EXPECT_EQ(ReadDeviceTree(handheld), WithTheGameFolder(copy.Payload("QuellorMobileVGA.exe")));
    EXPECT_EQ(handheld.Registry(), OnlyTheDataFolder());
  });
}

TEST_F(FaultRoads, AGameTheHandheldRefusesToStartFailsWithEveryFileCopiedAndNoShortcut) {
  ChangeProfile([](json& profile) { profile["faults"]["process_refused"] = true; });
  RunInChild([&] {
    InstallExpecting(WorkerFailed);
    EXPECT_EQ(ReadDeviceTree(handheld),
              WithTheGameFolder(PayloadFile("QuellorMobileVGA.exe"),
                                {{kGameFolder + "QMRes_VGA.dat", Shown(PayloadFile("QMRes_VGA.dat"))}}));
    EXPECT_EQ(handheld.Registry(), OnlyTheDataFolder());
  });
}

TEST_F(FaultRoads, AMarkerNeverWrittenIsAwaitedSixtyTimesTwoSecondsApartThenFailsWithAShortcut) {
  ChangeProfile([](json& profile) {
    for (json& program : profile["programs"]) program["delay_seconds"] = nullptr;
  });
  RunInChild([&] {
    // Only the worker's pauses move the layer's clock.
    std::optional<std::uint64_t> start;
    Journey journey("the marker never comes");
    SkipSplash(journey);
    journey.Do("the clock before the installation", [&] { start = layer::NowMs(); });
    InstallOn(journey, 0);
    journey
        .Do("the result",
            [&] {
              EXPECT_EQ(layer::NowMs() - *start, 120000u);
              EXPECT_EQ(g_InstallStatus, WorkerFailed);
              EXPECT_TRUE(ResultLineShows(LastFrame(), g_SceneInstall.GetResultLabel(), Text(L"Install", 6)));
            })
        .Key(SDL_SCANCODE_SPACE)
        .WaitForScene(MenuScene)
        .Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);

    // Without the marker the game's Start-menu folder is not asked: the shortcut goes
    // into the handheld's Programs folder.
    EXPECT_EQ(ReadDeviceTree(handheld),
              WithTheGameFolder(PayloadFile("QuellorMobileVGA.exe"),
                                {{kGameFolder + "QMRes_VGA.dat", Shown(PayloadFile("QMRes_VGA.dat"))},
                                 {kPrograms + "\\Игры\\", ""},
                                 {kShortcut, std::to_string(kShortcutTarget.size()) + "#" + kShortcutTarget}}));
    EXPECT_EQ(handheld.Registry(), OnlyTheDataFolder());
  });
}

// Pulled out or unplugged altogether while the user confirms the removal.
TEST_F(FaultRoads, ARemovalWhoseHandheldIsGoneSaysSoAndLeavesTheGameInPlace) {
  // An installation on main memory, as a finished one leaves it.
  const json installed = {{kGameKey, {{"RP", Sz(kGameFolder)}, {"SP", Sz(kPrograms)}, {"KX", Dword(1)}}}};
  PutDeviceFile(handheld, kGameFolder + "Config.xml", PayloadFile("Config.xml"));
  PutDeviceFile(handheld, kGameFolder + "QuellorMobile.exe", PayloadFile("QuellorMobileVGA.exe"));
  PutDeviceFile(handheld, kGameFolder + "QMRes_VGA.dat", PayloadFile("QMRes_VGA.dat"));
  PutDeviceFile(handheld, kShortcut, "shortcut");
  PutRegistry(handheld, installed);
  const DeviceTree installedTree = WithTheGameFolder(
      PayloadFile("QuellorMobileVGA.exe"), {{kGameFolder + "QMRes_VGA.dat", Shown(PayloadFile("QMRes_VGA.dat"))},
                                            {kPrograms + "\\Игры\\", ""},
                                            {kShortcut, "shortcut"}});

  for (const bool unplugged : {false, true}) {
    SCOPED_TRACE(unplugged ? "unplugged" : "pulled out");
    RunInChild([&] {
      Journey journey("removal without the handheld");
      SkipSplash(journey);
      journey
          .Do("the game is installed",
              [] {
                EXPECT_EQ(layer::WideToUtf8(g_SceneMenu.GetInstallButton().GetLabel().GetText()), Text(L"MainMenu", 5));
              })
          .Click(kMenuInstall)
          .WaitForScene(ConfirmScene)
          .Do("the handheld goes",
              [&] {
                if (unplugged) {
                  std::filesystem::remove(handheld.folder() + "/profile.json");
                } else {
                  json profile = handheld.Profile();
                  profile["connected"] = false;
                  handheld.WriteProfile(profile);
                }
              })
          .Click(kConfirmYes)
          .WaitForScene(UninstallScene)
          .WaitUntil("the worker's result", [] { return g_SceneUninstall.GetResultLabel().IsVisible() != 0; })
          .WaitFrames(2)
          .Do("the result",
              [] {
                EXPECT_EQ(g_UninstallStatus, WorkerCheckFailed);
                EXPECT_TRUE(ResultLineShows(LastFrame(), g_SceneUninstall.GetResultLabel(), Text(L"Uninstall", 5)));
              })
          .Key(SDL_SCANCODE_SPACE)
          .WaitForScene(MenuScene)
          .Click(kMenuExit);
      EXPECT_EQ(journey.Run(), 0);
    });
    EXPECT_EQ(ReadDeviceTree(handheld), installedTree);
    EXPECT_EQ(handheld.Registry(), installed);
    handheld.Attach();
  }
}

}  // namespace
}  // namespace apptest
