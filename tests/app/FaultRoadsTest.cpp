// Failures seen through the real program: the link lost in the middle of a file, a
// volume that fills in the middle of the copy, a game the handheld refuses to start, a
// marker that never comes, and a removal whose handheld is gone. Each checks the result
// line and what the handheld holds afterwards: nothing is rolled back.
#include <SDL.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>

#include "installer/InstallWorkers.h"
#include "tests/app/AppKit.h"
#include "tests/app/Journey.h"

namespace apptest {
namespace {

class FaultRoads : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("ALLUSERS", logs.Path().c_str(), 1); }
  void TearDown() override { ::unsetenv("ALLUSERS"); }

  // Installs on main memory through the menu and the choice of location, and expects
  // the install scene to end with the status and show its text.
  void InstallExpecting(std::int32_t status) {
    Journey journey("an installation that fails");
    SkipSplash(journey);
    InstallOn(journey, 0);
    ExpectResult(journey, true, status);
    journey.Key(SDL_SCANCODE_SPACE).WaitForScene(MenuScene).Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);
  }

  void ChangeProfile(const std::function<void(json&)>& change) {
    json profile = handheld.Profile();
    change(profile);
    handheld.WriteProfile(profile);
  }

  TempFolder logs{"logs"};
  TempHandheld handheld;
};

const json kOnlyTheDataFolder = {{kGameKey, {{"RP", Sz(kGameFolder)}}}};

TEST_F(FaultRoads, TheLinkLostInTheMiddleOfTheDataFileFailsAndLeavesWhatGotThrough) {
  const std::string data = PayloadFile("QMRes_VGA.dat");
  const std::size_t throughOfData = data.size() / 2;
  ChangeProfile([&](json& profile) {
    profile["faults"]["disconnect_after_bytes"] =
        PayloadFile("Config.xml").size() + PayloadFile("QuellorMobileVGA.exe").size() + throughOfData;
  });
  RunInChild([&] {
    InstallExpecting(WorkerFailed);
    EXPECT_EQ(handheld.Tree(), WithTheGameFolder(PayloadFile("QuellorMobileVGA.exe"),
                                                 {{kGameFolder + "QMRes_VGA.dat", Shown(data.substr(0, throughOfData))}}));
    EXPECT_EQ(handheld.Registry(), kOnlyTheDataFolder);
  });
}

TEST_F(FaultRoads, AGameTheHandheldRefusesToStartFailsWithEveryFileCopiedAndNoShortcut) {
  ChangeProfile([](json& profile) { profile["faults"]["process_refused"] = true; });
  RunInChild([&] {
    InstallExpecting(WorkerFailed);
    EXPECT_EQ(handheld.Tree(), WithTheGameFolder(PayloadFile("QuellorMobileVGA.exe"),
                                                 {{kGameFolder + "QMRes_VGA.dat", Shown(PayloadFile("QMRes_VGA.dat"))}}));
    EXPECT_EQ(handheld.Registry(), kOnlyTheDataFolder);
  });
}

// Sixty questions two seconds apart on the virtual clock, then the failure; the
// shortcut is still made, in the handheld's Programs folder.
TEST_F(FaultRoads, AMarkerNeverWrittenIsAwaitedTwoMinutesThenFailsWithAShortcut) {
  ChangeProfile([](json& profile) {
    for (json& program : profile["programs"]) program["delay_seconds"] = nullptr;
  });
  RunInChild([&] {
    InstallExpecting(WorkerFailed);
    EXPECT_EQ(handheld.Tree(), WithTheGameFolder(PayloadFile("QuellorMobileVGA.exe"),
                                                 {{kGameFolder + "QMRes_VGA.dat", Shown(PayloadFile("QMRes_VGA.dat"))},
                                                  {kPrograms + "\\Игры\\", ""},
                                                  {kShortcut, ShortcutContent()}}));
    EXPECT_EQ(handheld.Registry(), kOnlyTheDataFolder);
  });
}

// The check asks a VGA handheld for 6 MiB of main memory (the build's 5 MiB and the
// 1 MiB main memory keeps). A data file that large alone fills a volume that keeps
// exactly that room, during its copy.
TEST_F(FaultRoads, AVolumeThatFillsDuringTheCopyFailsWithoutStartingTheGame) {
  constexpr std::uint64_t kVgaRoomAsked = 6 * 1048576;
  ProgramCopy copy;
  std::ofstream(copy.PayloadPath("QMRes_VGA.dat"), std::ios::binary) << std::string(kVgaRoomAsked, 'd');
  json profile = handheld.Profile();
  profile["main_memory"]["reserved"] = profile["main_memory"]["total"].get<std::uint64_t>() - kVgaRoomAsked;
  handheld.WriteProfile(profile);
  RunInChild([&] {
    Journey journey("a volume that fills");
    SkipSplash(journey);
    journey.Do("the copy's payload", [&] { ASSERT_TRUE(copy.MakeCurrent()); });
    InstallOn(journey, 0);
    ExpectResult(journey, true, WorkerFailed);
    journey.Key(SDL_SCANCODE_SPACE).WaitForScene(MenuScene).Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);
    // The device gives up a file it has no room for: no part of the data file stays.
    EXPECT_EQ(handheld.Tree(), WithTheGameFolder(PayloadFile("QuellorMobileVGA.exe")));
    EXPECT_EQ(handheld.Registry(), json({{kGameKey, {{"RP", Sz(kGameFolder)}}}}));
  });
}

// Pulled out or unplugged altogether while the user confirms the removal.
TEST_F(FaultRoads, ARemovalWhoseHandheldIsGoneSaysSoAndLeavesTheGameInPlace) {
  const json installed = {{kGameKey, {{"RP", Sz(kGameFolder)}, {"SP", Sz(kPrograms)}, {"KX", Dword(1)}}}};
  handheld.Put(kGameFolder + "Config.xml", PayloadFile("Config.xml"));
  handheld.Put(kGameFolder + "QuellorMobile.exe", "exe");
  handheld.WriteRegistry(installed);
  const DeviceTree installedTree = WithTheGameFolder("exe");

  for (const bool unplugged : {false, true}) {
    SCOPED_TRACE(unplugged ? "unplugged" : "pulled out");
    RunInChild([&] {
      Journey journey("removal without the handheld");
      SkipSplash(journey);
      journey.Click(kMenuInstall)
          .WaitForScene(ConfirmScene)
          .Do("the handheld goes",
              [&] {
                if (unplugged) std::filesystem::remove(handheld.folder() + "/profile.json");
                if (!unplugged) handheld.PullOut();
              })
          .Click(kConfirmYes)
          .WaitForScene(UninstallScene);
      ExpectResult(journey, false, WorkerCheckFailed);
      journey.Key(SDL_SCANCODE_SPACE).WaitForScene(MenuScene).Click(kMenuExit);
      EXPECT_EQ(journey.Run(), 0);
    });
    EXPECT_EQ(handheld.Tree(), installedTree);
    EXPECT_EQ(handheld.Registry(), installed);
    handheld.Attach();
  }
}

}  // namespace
}  // namespace apptest
