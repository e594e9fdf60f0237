// The installer driven end to end, as a user drives it: the real WinMain with its
// scenes, packs and main loop, the mouse and keyboard through the layer's test kit, an
// emulated handheld in a temporary folder, and the layer's virtual clock so that the
// workers' waits take no real time.
#include <SDL.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "engine/Window.h"
#include "installer/InstallWorkers.h"
#include "installer/SceneMenu.h"
#include "installer/ScenePath.h"
#include "installer/SceneSplash.h"
#include "installer/WebAddress.h"
#include "platform/testkit/shell.h"
#include "platform/testkit/windows.h"
#include "platform/win32/strings.h"
#include "tests/app/AppKit.h"
#include "tests/app/Journey.h"

namespace apptest {
namespace {

std::string InstallButtonText() { return layer::WideToUtf8(g_SceneMenu.GetInstallButton().GetLabel().GetText()); }
std::string DeviceLineText() { return layer::WideToUtf8(g_SceneMenu.GetDeviceLabel().GetText()); }
std::string LocationText(int i) { return layer::WideToUtf8(g_ScenePath.GetLocationButton(i).GetLabel().GetText()); }
bool InstallButtonEnabled() { return g_SceneMenu.GetInstallButton().GetMode() != CTCBlinkButton::Disabled; }

// The install button shows the same text disabled (in `dimmed`) and enabled with the
// pointer away (in `lit`): disabled, its ink is drawn at alpha 127 of 255 over the
// light panel behind it.
void ExpectDimmedToHalf(const testkit::Frame& dimmed, const testkit::Frame& lit) {
  constexpr Rect kInstallButton{310, 240, 300, 30};
  ASSERT_EQ(InstallButtonText(), Text(L"MainMenu", 0));
  int inkX = 0, inkY = 0, background = 0, darkest = 255;
  for (int y = kInstallButton.y; y < kInstallButton.y + kInstallButton.height; ++y) {
    for (int x = kInstallButton.x; x < kInstallButton.x + kInstallButton.width; ++x) {
      const int b = Brightness(lit.At(x, y));
      background = std::max(background, b);
      if (b < darkest) darkest = b, inkX = x, inkY = y;
    }
  }
  const double opaque = background - darkest;
  const double faded = background - Brightness(dimmed.At(inkX, inkY));
  ASSERT_GT(opaque, 100.0);
  EXPECT_NEAR(faded / opaque, 127.0 / 255.0, 0.05);
}

class Journeys : public ::testing::Test {
 protected:
  // Each run writes its log here rather than into the home folder.
  void SetUp() override { ::setenv("ALLUSERS", logs.Path().c_str(), 1); }
  void TearDown() override { ::unsetenv("ALLUSERS"); }

  TempFolder logs{"logs"};
};

TEST_F(Journeys, TheSplashFadesItsPicturesAClickOrAKeyCutsAHoldShortThenTheMenuFollows) {
  TempHandheld handheld;
  RunInChild([&] {
    Journey journey("splash");
    testkit::Frame held;
    int pressedAt = 0, secondAt = 0, gameFadeStartsAt = 0, menuAt = 0;
    // Records the iteration in which a condition is first seen.
    auto seen = [](int& at, std::function<bool()> condition) {
      return [&at, condition] { return condition() && (at = IterationCount()) != 0; };
    };
    auto held1 = [] { return g_SceneSplash.GetPictureIndex() == 1 && g_SceneSplash.GetPhase() == CSceneSplash::Hold; };
    journey.WaitUntil("first picture held", [] { return g_SceneSplash.GetPhase() == CSceneSplash::Hold; })
        .WaitFrames(2)
        .Do("the held picture", [&] { held = LastFrame(); })
        .Press(kRest)
        .Do("the fade-out starts in the frame of the press", [&] {
          pressedAt = IterationCount() - 1;
          EXPECT_EQ(g_SceneSplash.GetPhase(), CSceneSplash::FadeOut);
        })
        .Release()
        .WaitFrames(20)
        .Do("fading out", [&] {
          EXPECT_LT(MeanBrightness(LastFrame(), {0, 0, 640, 480}), MeanBrightness(held, {0, 0, 640, 480}) * 0.85);
        })
        .WaitUntil("second picture", seen(secondAt, [] { return g_SceneSplash.GetPictureIndex() == 1; }))
        .Do("after a fade-out of 50 frames and one to switch", [&] { EXPECT_EQ(secondAt - pressedAt, 52); })
        .WaitUntil("second picture held", held1)
        .Key(SDL_SCANCODE_RETURN)
        .Do("a key cuts the hold short too", [] { EXPECT_EQ(g_SceneSplash.GetPhase(), CSceneSplash::FadeOut); })
        .WaitUntil("the game's picture",
                   seen(gameFadeStartsAt, [] { return g_SceneSplash.GetStage() == CSceneSplash::GamePicture; }))
        .Key(SDL_SCANCODE_ESCAPE)  // does not shorten the game picture's fade-in
        .WaitUntil("the menu", seen(menuAt, [] { return CurrentScene() == MenuScene; }))
        .Do("the game's picture fades in and is never held", [&] { EXPECT_EQ(menuAt - gameFadeStartsAt, 53); })
        .Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);
  });
}

TEST_F(Journeys, InstallingOnMainMemoryPutsTheVgaBuildRegistryAndShortcutOnTheHandheld) {
  TempHandheld handheld;
  RunInChild([&] {
    Journey journey("install on main memory");
    SkipSplash(journey);
    journey
        .Do("ready",
            [] {
              EXPECT_EQ(DeviceLineText(), Text(L"Device", 3) + "Pocket PC");
              EXPECT_EQ(InstallButtonText(), Text(L"MainMenu", 0));
            })
        .Click(kMenuInstall)
        .WaitForScene(PathScene)
        .Do("main memory and the card",
            [] {
              EXPECT_EQ(LocationText(0), "\\ " + Text(L"Path", 1));
              EXPECT_EQ(LocationText(1), "\\Storage Card " + Text(L"Path", 2));
              for (int i = 0; i < CScenePath::kLocationButtons; ++i) {
                EXPECT_EQ(g_ScenePath.GetLocationButton(i).IsVisible() != 0, i < 2) << "location " << i;
              }
            })
        .Click(Location(2))  // an empty row: its hidden button stands for nothing
        .WaitFrames(3)
        .Do("still choosing", [] { EXPECT_EQ(CurrentScene(), PathScene); })
        .Click(Location(0))
        .WaitForScene(InstallScene);
    ExpectResult(journey, true, WorkerDone);
    journey.Key(SDL_SCANCODE_SPACE)
        .WaitForScene(MenuScene)
        .Do("the game is installed", [] { EXPECT_EQ(InstallButtonText(), Text(L"MainMenu", 5)); })
        .Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);

    EXPECT_EQ(handheld.Tree(), WithTheGameFolder(PayloadFile("QuellorMobileVGA.exe"),
                                                 {{kGameFolder + "QMRes_VGA.dat", Shown(PayloadFile("QMRes_VGA.dat"))},
                                                  {kPrograms + "\\Игры\\", ""},
                                                  {kShortcut, ShortcutContent()}}));
    EXPECT_EQ(handheld.Registry(),
              json({{kGameKey, {{"RP", Sz(kGameFolder)}, {"KX", Dword(1)}, {"SP", Sz(kPrograms)}}}}));
  });
}

TEST_F(Journeys, InstallingOnTheCardThenRemovingAfterConfirmationLeavesNoGame) {
  TempHandheld handheld;
  RunInChild([&] {
    Journey journey("install on the card, then remove");
    const std::string cardFolder = "\\Storage Card" + kGameFolder;
    SkipSplash(journey);
    InstallOn(journey, 1);
    ExpectResult(journey, true, WorkerDone);
    journey
        .Do("the data went to the card",
            [&] {
              EXPECT_NE(handheld.Read(cardFolder + "QMRes_VGA.dat"), "");
              EXPECT_EQ(handheld.Read(kGameFolder + "QMRes_VGA.dat"), "");
              EXPECT_EQ(handheld.Registry()[kGameKey]["RP"], Sz(cardFolder));
            })
        .Click(kRest)  // a click leaves the result too
        .WaitForScene(MenuScene)
        .Click(kMenuInstall)
        .WaitForScene(ConfirmScene)
        .Click(kConfirmNo)
        .WaitForScene(MenuScene)
        .Click(kMenuInstall)
        .WaitForScene(ConfirmScene)
        .Click({320, 300})  // the row between the two buttons belongs to neither
        .WaitFrames(3)
        .Do("", [] { EXPECT_EQ(CurrentScene(), ConfirmScene); })
        .Click(kConfirmYes)
        .WaitForScene(UninstallScene);
    ExpectResult(journey, false, WorkerDone);
    journey.MovePointer({100, 100})  // any event leaves, a movement too
        .WaitForScene(MenuScene)
        .Do("", [] { EXPECT_EQ(InstallButtonText(), Text(L"MainMenu", 0)); })
        .Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);

    EXPECT_EQ(handheld.Registry(), json::object());
    EXPECT_EQ(handheld.Tree().count(kGameFolder), 0u);
    EXPECT_EQ(handheld.Tree().count(cardFolder + "QMRes_VGA.dat"), 0u);
    EXPECT_EQ(handheld.Tree().count(kShortcut), 0u);
  });
}

TEST_F(Journeys, TheInfoPageAndTheMenuOpenTheMakersWebPageAndLeadBack) {
  TempHandheld handheld;
  TempFolder shell("shell");
  const std::string opened = shell.Path() + "/opened";
  const std::string opener = shell.Path() + "/opener";
  std::ofstream(opener) << "#!/bin/sh\necho \"$1\" >> '" << opened << "'\n";
  ::chmod(opener.c_str(), 0755);
  RunInChild([&] {
    testkit::UseShellOpener(opener);
    Journey journey("info and web");
    testkit::Frame menu;
    SkipSplash(journey);
    journey.WaitFrames(2)
        .Do("the window",
            [&] {
              menu = LastFrame();
              const testkit::WindowFacts window = testkit::DescribeWindow(g_Window);
              EXPECT_EQ(window.title, g_Header);
              EXPECT_EQ(window.clientWidth, 640);
              EXPECT_EQ(window.clientHeight, 480);
              EXPECT_EQ(window.iconWidth, 32) << "the program's own icon 101";
            })
        .Click(kMenuInfo)
        .WaitForScene(InfoScene)
        .WaitFrames(2)
        .Do("the page is drawn", [&] { EXPECT_FALSE(SameRegion(LastFrame(), menu, {0, 0, 640, 380})); })
        .Click(kInfoWeb)
        .WaitFrames(3)
        .Do("the page stays", [] { EXPECT_EQ(CurrentScene(), InfoScene); })
        .Click(kInfoBack)
        .WaitForScene(MenuScene)
        .Click(kMenuWeb)
        .WaitFrames(3)
        .Do("the menu stays", [] { EXPECT_EQ(CurrentScene(), MenuScene); })
        .Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);
    testkit::WaitForShellHandlers();
    const std::string address = layer::WideToUtf8(kMakerWebAddress);
    EXPECT_EQ(ReadFile(opened), address + "\n" + address + "\n");
  });
}

TEST_F(Journeys, AHandheldPluggedInOrPulledOutShowsInTheMenuWithin120Frames) {
  TempHandheld handheld(TempHandheld::Start::NothingAttached);
  RunInChild([&] {
    Journey journey("plug in, pull out");
    testkit::Frame without;
    int changedAt = 0;
    SkipSplash(journey);
    journey.MovePointer(kRest)
        .WaitFrames(2)
        .Do("no handheld",
            [&] {
              without = LastFrame();
              EXPECT_EQ(DeviceLineText(), Text(L"Device", 1));
              EXPECT_FALSE(InstallButtonEnabled());
              handheld.Attach();
              changedAt = IterationCount();
            })
        .WaitUntil("the handheld", InstallButtonEnabled)
        .Do("", [&] { EXPECT_LE(IterationCount() - changedAt, 121); })
        .WaitFrames(2)
        .Do("the handheld shows",
            [&] {
              EXPECT_EQ(DeviceLineText(), Text(L"Device", 3) + "Pocket PC");
              EXPECT_FALSE(SameRegion(without, LastFrame(), kDeviceLineRect));
              ExpectDimmedToHalf(without, LastFrame());
              handheld.PullOut();
              changedAt = IterationCount();
            })
        .WaitUntil("no handheld again", [] { return !InstallButtonEnabled(); })
        .Do("",
            [&] {
              EXPECT_LE(IterationCount() - changedAt, 121);
              EXPECT_EQ(DeviceLineText(), Text(L"Device", 1));
            })
        .Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);
  });
}

TEST_F(Journeys, AHandheldPulledOutBeforeTheChoiceOffersMainMemoryAloneAndTheInstallationReportsIt) {
  TempHandheld handheld;
  RunInChild([&] {
    Journey journey("pulled out");
    SkipSplash(journey);
    journey.Do("pull the cable before the menu looks again", [&] { handheld.PullOut(); })
        .Click(kMenuInstall)
        .WaitForScene(PathScene)
        .Do("main memory alone", [] { EXPECT_FALSE(g_ScenePath.GetLocationButton(1).IsVisible()); })
        .Click(Location(0))
        .WaitForScene(InstallScene);
    ExpectResult(journey, true, WorkerCheckFailed);
    journey.Key(SDL_SCANCODE_SPACE).WaitForScene(MenuScene).Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);
    EXPECT_EQ(handheld.Tree().count(kGameFolder), 0u);
  });
}

}  // namespace
}  // namespace apptest
