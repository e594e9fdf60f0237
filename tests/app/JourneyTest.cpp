// The installer driven end to end, as a user drives it: the real WinMain with its
// scenes, packs and main loop, the mouse and keyboard through the layer's test kit, an
// emulated handheld in a temporary folder, and the layer's virtual clock so that the
// workers' waits take no real time.
#include <SDL.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "engine/Config.h"
#include "engine/Window.h"
#include "installer/DeviceLink.h"
#include "installer/InstallWorkers.h"
#include "installer/SceneMenu.h"
#include "installer/ScenePath.h"
#include "installer/WebAddress.h"
#include "platform/testkit/files.h"
#include "platform/testkit/input.h"
#include "platform/testkit/shell.h"
#include "platform/testkit/windows.h"
#include "platform/win32/strings.h"
#include "tests/app/AppKit.h"
#include "tests/app/Journey.h"

namespace apptest {
namespace {

std::string InstallButtonText() { return layer::WideToUtf8(g_SceneMenu.GetInstallButton().GetLabel().GetText()); }
std::string DeviceLineText() { return layer::WideToUtf8(g_SceneMenu.GetDeviceLabel().GetText()); }
bool InstallButtonEnabled() { return g_SceneMenu.GetInstallButton().GetMode() != CTCBlinkButton::Disabled; }

// The condition, also recording the iteration in which it is first seen true.
std::function<bool()> Seen(int& at, std::function<bool()> condition) {
  return [&at, condition] { return condition() && (at = IterationCount()) != 0; };
}

class Journeys : public ::testing::Test {
 protected:
  // Each run writes its log here rather than into the home folder.
  void SetUp() override { ::setenv("ALLUSERS", logs.Path().c_str(), 1); }
  void TearDown() override { ::unsetenv("ALLUSERS"); }

  TempFolder logs{"logs"};
};

// A user's whole session. The menu looks again every 120th frame after it was entered:
// a handheld plugged in shows in the iteration after the 120th Update, and is seen gone
// after the 240th. The info page and the menu open the maker's web page; installed on
// the card, the chosen location reaches the worker; removed after a confirmation,
// nothing of it stays in the registry.
TEST_F(Journeys, TheMenuFollowsTheHandheldAndEveryButtonLeadsWhereItSays) {
  TempHandheld handheld(SampleProfile(false));
  TempFolder shell("shell");
  const std::string opened = shell.File("opened"), opener = shell.File("opener");
  std::ofstream(opener) << "#!/bin/sh\necho \"$1\" >> '" << opened << "'\n";
  ::chmod(opener.c_str(), 0755);
  RunInChild([&] {
    testkit::UseShellOpener(opener);
    Journey journey("plug in and out, info and web, install on the card, then remove");
    const std::string cardFolder = "\\Storage Card" + kGameFolder;
    testkit::Frame without, menu;
    int menuAt = 0, shownAt = 0, goneAt = 0;
    SkipSplash(journey);  // its last step sees the menu first
    journey
        .Do("no handheld",
            [&] {
              menuAt = IterationCount() - 1;
              without = testkit::LastFrame();
              EXPECT_EQ(DeviceLineText(), Text(L"Device", 1));
              EXPECT_FALSE(InstallButtonEnabled());
              handheld.WriteProfile(SampleProfile());
            })
        .Then("the handheld", Seen(shownAt, InstallButtonEnabled))
        .Do("the handheld shows",
            [&] {
              EXPECT_EQ(shownAt - menuAt, 119);
              EXPECT_EQ(DeviceLineText(), Text(L"Device", 3) + "Pocket PC");
              EXPECT_FALSE(SameRegion(without, testkit::LastFrame(), kDeviceLineRect));
              handheld.WriteProfile(SampleProfile(false));
            })
        .Then("no handheld again", Seen(goneAt, [] { return !InstallButtonEnabled(); }))
        .Do("gone",
            [&] {
              EXPECT_EQ(goneAt - menuAt, 239);
              EXPECT_EQ(DeviceLineText(), Text(L"Device", 1));
              handheld.WriteProfile(SampleProfile());
            })
        .Then("the handheld once more", InstallButtonEnabled).WaitFrames(2)
        .Do("the window",
            [&] {
              menu = testkit::LastFrame();
              const testkit::WindowFacts window = testkit::DescribeWindow(g_Window);
              // The program's own icon 101.
              EXPECT_EQ(std::tuple(window.title, window.clientWidth, window.clientHeight, window.iconWidth),
                        std::tuple(std::wstring(g_Header), 640, 480, 32));
            })
        .Click(kMenuInfo).WaitForScene(InfoScene).WaitFrames(2)
        .Do("the page is drawn", [&] { EXPECT_FALSE(SameRegion(testkit::LastFrame(), menu, {0, 0, 640, 380})); })
        .Click(kInfoWeb).StaysOn(InfoScene)
        .Click(kInfoBack).WaitForScene(MenuScene)
        .Click(kMenuWeb).StaysOn(MenuScene)
        .Click(kMenuInstall).WaitForScene(PathScene)
        .Click(Location(2)).StaysOn(PathScene)  // an empty row: its hidden button stands for nothing
        .Click(Location(1)).WaitForScene(InstallScene);
    ExpectResult(journey, true, WorkerDone);
    journey
        .Do("the game's registry values",
            [&] {
              EXPECT_EQ(handheld.Registry(),
                        json({{kGameKey, {{"RP", Sz(cardFolder)}, {"KX", Dword(1)}, {"SP", Sz(kPrograms)}}}}));
            })
        .Click(kRest).WaitForScene(MenuScene)  // a click leaves the result too
        .Do("the game is installed", [] { EXPECT_EQ(InstallButtonText(), Text(L"MainMenu", 5)); })
        .Click(kMenuInstall).WaitForScene(ConfirmScene)
        .Click(kConfirmNo).WaitForScene(MenuScene)
        .Click(kMenuInstall).WaitForScene(ConfirmScene)
        .Click({320, 300}).StaysOn(ConfirmScene)  // the row between the two buttons belongs to neither
        .Click(kConfirmYes).WaitForScene(UninstallScene);
    ExpectResult(journey, false, WorkerDone);
    journey.MovePointer({100, 100}).WaitForScene(MenuScene)  // any event leaves, a movement too
        .Do("the game is gone", [] { EXPECT_EQ(InstallButtonText(), Text(L"MainMenu", 0)); })
        .Click(kMenuExit);
    EXPECT_EQ(journey.Run(), 0);
    EXPECT_EQ(handheld.Registry(), json::object());
    testkit::WaitForShellHandlers();
    const std::string address = layer::WideToUtf8(kMakerWebAddress);
    EXPECT_EQ(ReadFile(opened), address + "\n" + address + "\n");
  });
}

// The menu's state line and the choice of location: without the connection service or
// on a handheld older than 5 the menu says so and its install button does nothing. Main
// memory and the cards, one button each, five at most: with five cards the fifth is not
// offered and its row is the way back. A handheld pulled out at the menu ends the
// installation with its result.
TEST_F(Journeys, TheMenuAndTheChoiceOfferWhatTheHandheldAllows) {
  const struct {
    const char* name;
    std::function<void(json&)> change;
    int deviceLine;  // the menu's state line: 0 no connection service, 3 ready
    std::vector<std::string> offered;  // main memory (empty) or a card's folder; none: the menu stays
    std::int32_t status;  // WorkerRunning: no installation; WorkerCheckFailed: pulled out at the menu
  } rows[] = {
      {"no connection service", nullptr, 0, {}, WorkerRunning},
      {"version 4", [](json& profile) { profile["os"]["major"] = 4; }, 2, {}, WorkerRunning},
      {"five cards",
       [](json& profile) {
         for (int i = 2; i <= 5; ++i) profile["cards"].push_back({{"name", "Card " + std::to_string(i)}, {"total", 1000}, {"reserved", 0}});
       },
       3, {"", "\\Card 2", "\\Card 3", "\\Card 4", "\\Card 5"}, WorkerRunning},  // listed by name
      {"pulled out before the choice", nullptr, 3, {""}, WorkerCheckFailed},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    json profile = SampleProfile();
    if (row.change) row.change(profile);
    TempHandheld handheld(profile);
    RunInChild([&] {
      if (row.deviceLine == 0) g_DeviceLink.desktopReady = false;
      Journey journey(row.name);
      SkipSplash(journey);
      journey.Do("the menu's state", [&] {
        EXPECT_EQ(DeviceLineText(), Text(L"Device", row.deviceLine) + (row.deviceLine == 3 ? "Pocket PC" : ""));
        EXPECT_EQ(InstallButtonEnabled(), row.deviceLine == 3);
        if (row.status == WorkerCheckFailed) handheld.WriteProfile(SampleProfile(false));
      }).Click(kMenuInstall);
      if (row.offered.empty()) {
        journey.StaysOn(MenuScene);
      } else {
        journey.WaitForScene(PathScene).Do("the locations offered", [&] {
          for (int i = 0; i < CScenePath::kLocationButtons; ++i) {
            const bool offered = i < static_cast<int>(row.offered.size());
            EXPECT_EQ(g_ScenePath.GetLocationButton(i).IsVisible() != 0, offered) << "location " << i;
            if (!offered) continue;
            const std::string& folder = row.offered[i];
            EXPECT_EQ(layer::WideToUtf8(g_ScenePath.GetLocationButton(i).GetLabel().GetText()),
                      folder.empty() ? "\\ " + Text(L"Path", 1) : folder + " " + Text(L"Path", 2));
          }
        });
        if (row.status == WorkerRunning) journey.Click(Location(5)).WaitForScene(MenuScene);
      }
      if (row.status == WorkerCheckFailed) {
        journey.Click(Location(0)).WaitForScene(InstallScene);
        ExpectResult(journey, true, row.status);
        journey.Key(SDL_SCANCODE_SPACE).WaitForScene(MenuScene);
      }
      journey.Click(kMenuExit);
      EXPECT_EQ(journey.Run(), 0);
    });
  }
}

// Closing the window while the install worker still runs: nothing waits for the
// worker, so the program ends at once, and it must end cleanly with the worker alive
// through the teardown of its static objects: exit code 0, no signal, no sanitizer
// report (sanitizers end the process with an error), and the handheld keeps what the
// worker had copied so far.
TEST_F(Journeys, ClosingMidInstallEndsTheProgramCleanlyWhileTheWorkerIsStillCopying) {
  TempHandheld handheld(SampleProfile());
  // The program takes the payload from its current folder. The worker stops for good at
  // the data file, after the configuration and the executable: it is copying whenever
  // the window closes, whatever the timing.
  devtest::TempPayload payload;
  const std::filesystem::path payloadFolder = std::filesystem::current_path();
  testkit::StallReadsOf((payloadFolder / "Inst/QMRes_VGA.dat").string());
  const std::string exe = "/Program Files/Tamblor Games/Quellor/QuellorMobile.exe";  // on the host

  RunInChild([&] {
    // A program that waited for its worker at exit would wait for good: end it long
    // before the journey's own watchdog would.
    ::alarm(60);

    Journey journey("closing during the installation");
    SkipSplash(journey);
    journey.Do("the test's payload", [&] { std::filesystem::current_path(payloadFolder); })
        .Click(kMenuInstall).WaitForScene(PathScene)
        .Click(Location(0)).WaitForScene(InstallScene)
        // One file read while the worker writes others: its folders change under a walk.
        .Then("executable copied", [&] { return ReadFile(handheld.folder() + "/fs" + exe) == devtest::kVgaExeText; })
        .Do("the user closes the window", [] { testkit::CloseWindow(g_Window); });
    EXPECT_EQ(journey.Run(), 0);
    EXPECT_EQ(g_InstallStatus, WorkerRunning) << "the worker was to outlive the main loop";
    // The child now exits as the program does after WinMain: static objects go while
    // the worker still waits for its file.
  });

  devtest::Tree files = handheld.Tree();
  EXPECT_EQ(files[kGameFolder + "Config.xml"], devtest::kConfigText);
  EXPECT_EQ(files[kGameFolder + "QMRes_VGA.dat"], "");
  EXPECT_EQ(handheld.Registry(), json({{kGameKey, {{"RP", Sz(kGameFolder)}}}}));
}

}  // namespace
}  // namespace apptest
