// The installer driven end to end, as a user drives it: the real WinMain with its
// scenes, packs and main loop, the mouse and keyboard through the layer's test kit, an
// emulated handheld in a temporary folder, and the layer's virtual clock so that the
// workers' waits take no real time.
#include <SDL.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <fstream>

#include <gtest/gtest.h>

#include "engine/Config.h"
#include "installer/DeviceLink.h"
#include "installer/SceneInstall.h"
#include "installer/SceneMenu.h"
#include "installer/ScenePath.h"
#include "installer/SceneSplash.h"
#include "installer/SceneUninstall.h"
#include "installer/WebAddress.h"
#include "engine/Window.h"
#include "platform/testkit/shell.h"
#include "platform/testkit/windows.h"
#include "platform/win32/strings.h"
#include "tests/app/AppKit.h"
#include "tests/app/FrameChecks.h"
#include "tests/app/Journey.h"

namespace apptest {
namespace {

// Where the scenes put their buttons.
constexpr Point kMenuInstall = Middle(310, 240, 300, 30);
constexpr Point kMenuInfo = Middle(310, 320, 300, 30);
constexpr Point kMenuWeb = Middle(310, 360, 300, 30);
constexpr Point kMenuExit = Middle(310, 400, 300, 30);
constexpr Rect kInstallButtonRect{310, 240, 300, 30};
constexpr Rect kDeviceLabelRect{5, 5, 500, 40};
constexpr Point Location(int index) { return Middle(0, 170 + 40 * index, 640, 40); }
constexpr Point kPathBack = Middle(0, 370, 640, 40);
constexpr Point kConfirmYes = Middle(0, 260, 640, 40);
constexpr Point kConfirmNo = Middle(0, 300, 640, 40);
constexpr Point kInfoWeb = Middle(0, 380, 640, 30);
constexpr Point kInfoBack = Middle(0, 440, 640, 30);
// Out of every button's way.
constexpr Point kRest{20, 470};

const std::string kGameFolder = "\\Program Files\\Tamblor Games\\Quellor";
const std::string kGameKey = "Software\\TamblorGames\\Quellor";

std::string Text(const wchar_t* section, int index) { return layer::WideToUtf8(LookupText(section, index)); }
std::string InstallButtonText() { return layer::WideToUtf8(g_SceneMenu.GetInstallButton().GetLabel().GetText()); }
std::string DeviceLabelText() { return layer::WideToUtf8(g_SceneMenu.GetDeviceLabel().GetText()); }
// A value of the game's registry key as the handheld keeps it; null when absent.
json GameValue(const TempHandheld& handheld, const std::string& name) {
  const json registry = handheld.Registry();
  if (!registry.contains(kGameKey) || !registry[kGameKey].contains(name)) return json();
  return registry[kGameKey][name].value("value", json());
}

// Compares file contents without printing them: the payload files are large.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "different contents (" << actual.size() << " bytes, expected "
                                       << expected.size() << ")";
}

bool InstallButtonEnabled() { return g_SceneMenu.GetInstallButton().GetMode() != CTCBlinkButton::Disabled; }

bool SplashHolds(int picture) {
  return g_SceneSplash.GetStage() == CSceneSplash::StartPictures && g_SceneSplash.GetPictureIndex() == picture &&
         g_SceneSplash.GetPhase() == CSceneSplash::Hold;
}

// Both start pictures cut short, the first by a click and the second by a key.
void SkipSplash(Journey& journey) {
  journey.WaitUntil("first picture held", [] { return SplashHolds(0); })
      .Click(kRest)
      .WaitUntil("second picture held", [] { return SplashHolds(1); })
      .Key(SDL_SCANCODE_SPACE)
      .WaitForScene(MenuScene);
}

template <typename Scene>
void WaitForResult(Journey& journey, const Scene& scene) {
  journey.WaitUntil("the worker's result", [&scene] { return scene.GetResultLabel().IsVisible() != 0; });
}

class Journeys : public ::testing::Test {
 protected:
  // Each run writes its log here rather than into the home folder.
  void SetUp() override { ::setenv("ALLUSERS", logs.path().c_str(), 1); }
  void TearDown() override { ::unsetenv("ALLUSERS"); }

  TempFolder logs{"logs"};
};

TEST_F(Journeys, TheSplashFadesItsPicturesAClickOrAKeyCutsAHoldShortThenTheMenuFollows) {
  TempHandheld handheld;
  RunInChild([&] {
    Journey journey("splash");
    testkit::Frame held;
    int pressedAt = 0;
    int secondAt = 0;
    int gameFadeStartsAt = 0;
    int menuAt = 0;
    // Records the iteration in which a condition is first seen.
    auto seen = [](int& at, std::function<bool()> condition) {
      return [&at, condition] { return condition() && (at = IterationCount()) != 0; };
    };
    journey.WaitUntil("first picture held", [] { return SplashHolds(0); })
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
          const Rect whole{0, 0, 640, 480};
          EXPECT_LT(MeanBrightness(LastFrame(), whole), MeanBrightness(held, whole) * 0.85);
        })
        .WaitUntil("second picture", seen(secondAt, [] { return g_SceneSplash.GetPictureIndex() == 1; }))
        .Do("after a fade-out of 50 frames and one to switch", [&] { EXPECT_EQ(secondAt - pressedAt, 52); })
        .WaitUntil("second picture held", [] { return SplashHolds(1); })
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
    journey.Do("ready", [] {
          EXPECT_EQ(DeviceLabelText(), Text(L"Device", 3) + "Pocket PC");
          EXPECT_TRUE(InstallButtonEnabled());
          EXPECT_EQ(InstallButtonText(), Text(L"MainMenu", 0));
        })
        .Click(kMenuInstall)
        .WaitForScene(PathScene)
        .Do("main memory and the card", [] {
          EXPECT_EQ(layer::WideToUtf8(g_ScenePath.GetLocationButton(0).GetLabel().GetText()),
                    "\\ " + Text(L"Path", 1));
          EXPECT_EQ(layer::WideToUtf8(g_ScenePath.GetLocationButton(1).GetLabel().GetText()),
                    "\\Storage Card " + Text(L"Path", 2));
          for (int i = 0; i < CScenePath::kLocationButtons; ++i) {
            EXPECT_EQ(g_ScenePath.GetLocationButton(i).IsVisible() != 0, i < 2) << "location " << i;
          }
        })
        .Click(Location(2))  // an empty row: its hidden button stands for nothing
        .WaitFrames(3)
        .Do("still choosing", [] { EXPECT_EQ(CurrentScene(), PathScene); })
        .Click(Location(0))
        .WaitForScene(InstallScene);
    WaitForResult(journey, g_SceneInstall);
    journey.Do("done", [] { EXPECT_EQ(layer::WideToUtf8(g_SceneInstall.GetResultLabel().GetText()), Text(L"Install", 4)); })
        .Key(SDL_SCANCODE_SPACE)
        .WaitForScene(MenuScene)
        .Do("the game is installed", [] { EXPECT_EQ(InstallButtonText(), Text(L"MainMenu", 5)); })
        .Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);

    const std::string inst = DistFolder() + "/Inst/";
    EXPECT_TRUE(SameBytes(handheld.Read(kGameFolder + "\\QuellorMobile.exe"), ReadFile(inst + "QuellorMobileVGA.exe")));
    EXPECT_TRUE(SameBytes(handheld.Read(kGameFolder + "\\Config.xml"), ReadFile(inst + "Config.xml")));
    EXPECT_TRUE(SameBytes(handheld.Read(kGameFolder + "\\QMRes_VGA.dat"), ReadFile(inst + "QMRes_VGA.dat")));
    EXPECT_FALSE(handheld.Exists(kGameFolder + "\\QMRes_QVGA.dat"));
    EXPECT_EQ(GameValue(handheld, "RP"), kGameFolder + "\\");
    EXPECT_EQ(GameValue(handheld, "KX"), 1);
    EXPECT_EQ(GameValue(handheld, "SP"), "\\Windows\\Start Menu\\Programs");
    const std::string target = "\"" + kGameFolder + "\\QuellorMobile.exe\"";
    EXPECT_EQ(handheld.Read("\\Windows\\Start Menu\\Programs\\Игры\\Сага Квеллора.lnk"),
              std::to_string(target.size()) + "#" + target);
  });
}

TEST_F(Journeys, InstallingOnTheCardThenRemovingAfterConfirmationLeavesNoGame) {
  TempHandheld handheld;
  RunInChild([&] {
    Journey journey("install on the card, then remove");
    const std::string cardFolder = "\\Storage Card" + kGameFolder;
    SkipSplash(journey);
    journey.Click(kMenuInstall).WaitForScene(PathScene).Click(Location(1)).WaitForScene(InstallScene);
    WaitForResult(journey, g_SceneInstall);
    journey.Do("the data went to the card", [&] {
          EXPECT_EQ(layer::WideToUtf8(g_SceneInstall.GetResultLabel().GetText()), Text(L"Install", 4));
          EXPECT_TRUE(handheld.Exists(cardFolder + "\\QMRes_VGA.dat"));
          EXPECT_FALSE(handheld.Exists(kGameFolder + "\\QMRes_VGA.dat"));
          EXPECT_TRUE(handheld.Exists(kGameFolder + "\\QuellorMobile.exe"));
          EXPECT_EQ(GameValue(handheld, "RP"), cardFolder + "\\");
        })
        .Click(kRest)
        .WaitForScene(MenuScene)
        .Do("", [] { EXPECT_EQ(InstallButtonText(), Text(L"MainMenu", 5)); })
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
    WaitForResult(journey, g_SceneUninstall);
    journey.Do("removed", [] {
          EXPECT_EQ(layer::WideToUtf8(g_SceneUninstall.GetResultLabel().GetText()), Text(L"Uninstall", 4));
        })
        .MovePointer({100, 100})  // any event leaves, a movement too
        .WaitForScene(MenuScene)
        .Do("", [] { EXPECT_EQ(InstallButtonText(), Text(L"MainMenu", 0)); })
        .Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);

    EXPECT_FALSE(handheld.Registry().contains(kGameKey));
    EXPECT_FALSE(handheld.Exists(kGameFolder));
    EXPECT_FALSE(handheld.Exists(cardFolder + "\\QMRes_VGA.dat"));
    EXPECT_FALSE(handheld.Exists("\\Windows\\Start Menu\\Programs\\Игры\\Сага Квеллора.lnk"));
  });
}

TEST_F(Journeys, TheInfoPageAndTheMenuOpenTheMakersWebPageAndLeadBack) {
  TempHandheld handheld;
  TempFolder shell("shell");
  const std::string opened = shell.path() + "/opened";
  const std::string opener = shell.path() + "/opener";
  std::ofstream(opener) << "#!/bin/sh\necho \"$1\" >> '" << opened << "'\n";
  ::chmod(opener.c_str(), 0755);
  RunInChild([&] {
    testkit::UseShellOpener(opener);
    Journey journey("info and web");
    testkit::Frame menu;
    SkipSplash(journey);
    journey.WaitFrames(2)
        .Do("", [&] { menu = LastFrame(); })
        .Do("the window", [] {
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
    testkit::Frame without, with;
    int attachedAt = 0;
    SkipSplash(journey);
    journey.MovePointer(kRest)
        .WaitFrames(2)
        .Do("no handheld", [&] {
          without = LastFrame();
          EXPECT_EQ(DeviceLabelText(), Text(L"Device", 1));
          EXPECT_FALSE(InstallButtonEnabled());
          handheld.Attach();
          attachedAt = IterationCount();
        })
        .WaitUntil("the handheld", InstallButtonEnabled)
        .Do("", [&] { EXPECT_LE(IterationCount() - attachedAt, 121); })
        .WaitFrames(2)
        .Do("the handheld shows", [&] {
          with = LastFrame();
          EXPECT_EQ(DeviceLabelText(), Text(L"Device", 3) + "Pocket PC");
          EXPECT_FALSE(SameRegion(without, with, kDeviceLabelRect));
          // The same text in both frames: disabled it is drawn at alpha 127, enabled
          // (the pointer away, so not pulsing) opaque.
          EXPECT_EQ(InstallButtonText(), Text(L"MainMenu", 0));
          const Pixel core = DarkestPixel(with, kInstallButtonRect);
          const double background = BackgroundBrightness(with, kInstallButtonRect);
          const double opaque = background - Brightness(with.At(core.x, core.y));
          const double dimmed = background - Brightness(without.At(core.x, core.y));
          ASSERT_GT(opaque, 100.0);
          EXPECT_NEAR(dimmed / opaque, 127.0 / 255.0, 0.05);
          json profile = handheld.Profile();
          profile["connected"] = false;
          handheld.WriteProfile(profile);
          attachedAt = IterationCount();
        })
        .WaitUntil("no handheld again", [] { return !InstallButtonEnabled(); })
        .Do("", [&] {
          EXPECT_LE(IterationCount() - attachedAt, 121);
          EXPECT_EQ(DeviceLabelText(), Text(L"Device", 1));
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
    journey.Do("pull the cable before the menu looks again", [&] {
          EXPECT_TRUE(InstallButtonEnabled());
          json profile = handheld.Profile();
          profile["connected"] = false;
          handheld.WriteProfile(profile);
        })
        .Click(kMenuInstall)
        .WaitForScene(PathScene)
        .Do("main memory alone", [] {
          EXPECT_TRUE(g_ScenePath.GetLocationButton(0).IsVisible());
          EXPECT_FALSE(g_ScenePath.GetLocationButton(1).IsVisible());
        })
        .Click(Location(0))
        .WaitForScene(InstallScene);
    WaitForResult(journey, g_SceneInstall);
    journey.Do("no handheld", [] { EXPECT_EQ(layer::WideToUtf8(g_SceneInstall.GetResultLabel().GetText()), Text(L"Install", 5)); })
        .Key(SDL_SCANCODE_SPACE)
        .WaitForScene(MenuScene)
        .Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);
    EXPECT_FALSE(handheld.Exists(kGameFolder));
  });
}

}  // namespace
}  // namespace apptest
