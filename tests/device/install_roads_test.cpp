// Every road of an installation and a removal, played by the workers against
// emulated handhelds; each ends by checking the device's files and registry.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "installer/DeviceLink.h"
#include "installer/InstallWorkers.h"
#include "platform/testkit/clock.h"
#include "platform/win32/clock_internal.h"
#include "tests/device/HandheldTestKit.h"

namespace devtest {
namespace {

const std::string kGameDir = "\\Program Files\\Tamblor Games\\Quellor\\";
const std::string kCardDir = "\\Storage Card\\Program Files\\Tamblor Games\\Quellor\\";
const std::string kPrograms = "\\Windows\\Start Menu\\Programs";
const std::string kKey = "Software\\TamblorGames\\Quellor";
const std::string kLink = "\\Игры\\Сага Квеллора.lnk";
const std::string kShortcut = std::to_string(kGameDir.size() + 19) + "#\"" + kGameDir + "QuellorMobile.exe\"";

// The fresh handheld with the game's folders and its configuration and executable on
// main memory, and the given entries.
Tree Installed(const std::string& exe, Tree more) {
  more.insert({{"\\Program Files\\", ""}, {"\\Program Files\\Tamblor Games\\", ""}, {kGameDir, ""},
               {kGameDir + "Config.xml", kConfigText}, {kGameDir + "QuellorMobile.exe", exe}});
  return With(more);
}

const Tree kCardFolders = {{"\\Storage Card\\", ""}, {"\\Storage Card\\Program Files\\", ""},
                           {"\\Storage Card\\Program Files\\Tamblor Games\\", ""}, {kCardDir, ""}};

Tree Merge(Tree a, const Tree& b) {
  a.insert(b.begin(), b.end());
  return a;
}

class InstallRoads : public testing::Test {
 protected:
  void SetUp() override {
    testkit::UseVirtualClock(true);
    start_ = layer::NowMs();
  }
  void TearDown() override {
    g_DeviceLink.EndSession();
    ReleaseLink(g_DeviceLink, true);
    g_DeviceLink.storageIndex = 0;
    testkit::UseVirtualClock(false);
  }
  // As the install scene does: connect, then the worker runs (here on this thread).
  std::int32_t Install(int storageIndex = 0) {
    g_DeviceLink.Connect();
    g_DeviceLink.storageIndex = storageIndex;
    InstallWorkerThread(nullptr);
    g_DeviceLink.EndSession();
    return g_InstallStatus;
  }
  std::int32_t Uninstall() {
    g_DeviceLink.Connect();
    UninstallWorkerThread(nullptr);
    g_DeviceLink.EndSession();
    return g_UninstallStatus;
  }
  std::uint64_t WaitedMs() const { return layer::NowMs() - start_; }

  TempPayload payload_;
  std::uint64_t start_ = 0;
};

// Each screen class gets its build and data; the data goes to the chosen location; the
// shortcut goes under the folder the game names in SP, or the Programs folder.
TEST_F(InstallRoads, EachScreenGetsItsBuildTheDataItsLocationAndTheShortcutItsFolder) {
  {
    TempHandheld handheld(json{{"programs", GameProgram(0, kPrograms)}});
    EXPECT_EQ(Install(), WorkerDone);
    EXPECT_EQ(WaitedMs(), 0u);  // the marker is there before the first question
    EXPECT_EQ(handheld.Tree(), Installed(kVgaExeText, {{kGameDir + "QMRes_VGA.dat", kVgaDataText},
                                                       {kPrograms + "\\Игры\\", ""},
                                                       {kPrograms + kLink, kShortcut}}));
    EXPECT_EQ(handheld.Registry(), json({{kKey, {{"RP", Sz(kGameDir)}, {"KX", Dword(1)}, {"SP", Sz(kPrograms)}}}}));
  }
  {
    TempHandheld handheld(json{{"screen", {{"width", 320}, {"height", 240}}},
                               {"cards", {{{"name", "Storage Card"}}}},
                               {"programs", GameProgram(4, "\\Menu")}});
    handheld.MakeFolder("\\Menu");
    start_ = layer::NowMs();
    EXPECT_EQ(Install(1), WorkerDone);
    EXPECT_EQ(WaitedMs(), 4000u);  // two pauses
    EXPECT_EQ(handheld.Tree(), Installed(kQvgaExeText, Merge(kCardFolders, {{kCardDir + "QMRes_QVGA.dat", kQvgaDataText},
                                                                           {"\\Menu\\", ""},
                                                                           {"\\Menu\\Игры\\", ""},
                                                                           {"\\Menu" + kLink, kShortcut}})));
    EXPECT_EQ(handheld.Registry(), json({{kKey, {{"RP", Sz(kCardDir)}, {"KX", Dword(1)}, {"SP", Sz("\\Menu")}}}}));
  }
  {
    TempHandheld handheld(json{{"screen", {{"width", 240}, {"height", 320}}}, {"programs", GameProgram(0)}});
    EXPECT_EQ(Install(), WorkerDone);
    EXPECT_EQ(handheld.Tree(), Installed(kGenericExeText, {{kGameDir + "QMRes_VGA.dat", kVgaDataText},
                                                           {kGameDir + "QMRes_QVGA.dat", kQvgaDataText},
                                                           {kPrograms + "\\Игры\\", ""},
                                                           {kPrograms + kLink, kShortcut}}));
    EXPECT_EQ(handheld.Registry(), json({{kKey, {{"RP", Sz(kGameDir)}, {"KX", Dword(1)}}}}));
  }
}

TEST_F(InstallRoads, WithoutProgramsFolderTheFixedTableIsTried) {
  TempHandheld handheld(json{{"programs_folder", nullptr}, {"programs", GameProgram(0)}});
  handheld.MakeFolder(kPrograms + "\\Games");  // no "Игры": the table's first entry fails
  handheld.MakeFolder("\\Program Files\\Start Menu\\Programs");
  EXPECT_EQ(Install(), WorkerDone);
  EXPECT_EQ(handheld.Tree(), Installed(kVgaExeText, {{kGameDir + "QMRes_VGA.dat", kVgaDataText},
                                                     {"\\Program Files\\Start Menu\\", ""},
                                                     {"\\Program Files\\Start Menu\\Programs\\", ""},
                                                     {"\\Program Files\\Start Menu\\Programs\\Игры\\", ""},
                                                     {"\\Program Files\\Start Menu\\Programs\\Games\\", ""},
                                                     {kPrograms + "\\Games\\", ""},
                                                     {kPrograms + "\\Games\\Сага квеллора.lnk", kShortcut}}));
}

TEST_F(InstallRoads, TheMarkerIsAwaitedSixtyQuestionsTwoSecondsApart) {
  for (const json& delay : {json(118), json(118.5), json(nullptr)}) {
    SCOPED_TRACE(delay.dump());
    TempHandheld handheld(json{{"programs", GameProgram(delay, "\\Menu")}});
    handheld.MakeFolder("\\Menu");
    start_ = layer::NowMs();
    const bool inTime = delay == json(118);
    EXPECT_EQ(Install(), inTime ? WorkerDone : WorkerFailed);
    EXPECT_EQ(WaitedMs(), inTime ? 118000u : 120000u);
    // Without the marker in time "SP" is not asked (though written at 118.5 s): the
    // shortcut comes from the Programs folder.
    EXPECT_EQ(handheld.Tree().count("\\Menu" + kLink), inTime ? 1u : 0u);
    EXPECT_EQ(handheld.Tree().count(kPrograms + kLink), inTime ? 0u : 1u);
  }
}

// A failed check changes nothing; a failure after it leaves what the steps before left.
TEST_F(InstallRoads, FailuresLeaveWhatTheStepsBeforeThemLeft) {
  const Tree copied = {{kGameDir + "QMRes_VGA.dat", kVgaDataText}};
  const struct { json profile; int storage; std::int32_t status; Tree tree; } roads[] = {
      {{{"screen", {{"width", 320}, {"height", 240}}}, {"main_memory", {{"total", 4194303}, {"reserved", 0}}}},
       0, WorkerCheckFailed, With({})},
      {json::object(), 1, WorkerCheckFailed, With({})},  // a card removed after it was chosen
      {{{"faults", {{"process_refused", true}}}}, 0, WorkerFailed, Installed(kVgaExeText, copied)},
      {{{"faults", {{"disconnect_after_bytes", kConfigText.size() + kVgaExeText.size() + 3}}}}, 0, WorkerFailed,
       Installed(kVgaExeText, {})}};  // the data file cut short is dropped whole
  for (const auto& road : roads) {
    SCOPED_TRACE(road.profile.dump());
    json profile = road.profile;
    profile["programs"] = GameProgram(0, kPrograms);
    TempHandheld handheld(profile);
    EXPECT_EQ(Install(road.storage), road.status);
    EXPECT_EQ(handheld.Tree(), road.tree);
    EXPECT_EQ(handheld.Registry(), road.status == WorkerFailed ? json({{kKey, {{"RP", Sz(kGameDir)}}}}) : json::object());
  }
}

TEST_F(InstallRoads, ACardGoneBetweenTheCheckAndTheCopyLeavesOnlyTheGameFolders) {
  TempHandheld handheld(json{{"programs", GameProgram(0)}});
  handheld.Put(kGameDir + "Config.xml", "old");
  handheld.WriteRegistry({{kKey, {{"KX", Dword(1)}}}});
  g_DeviceLink.Connect();
  g_DeviceLink.storageIndex = 1;
  EXPECT_FALSE(g_DeviceLink.InstallGame());
  EXPECT_EQ(handheld.Tree(), With({{"\\Program Files\\", ""}, {"\\Program Files\\Tamblor Games\\", ""}, {kGameDir, ""}}));
  EXPECT_EQ(handheld.Registry(), json::object());
}

TEST_F(InstallRoads, RemovalWithTheKeyLeavesOnlyWhatTheDeviceKeepsWithoutItOnlyTheConfigurationGoes) {
  TempHandheld handheld(json{{"cards", {{{"name", "Storage Card"}}}}, {"programs", GameProgram(0, kPrograms)}});
  ASSERT_EQ(Install(1), WorkerDone);
  handheld.Put(kGameDir + "save.dat", "the game's own file");
  EXPECT_EQ(Uninstall(), WorkerDone);
  EXPECT_EQ(handheld.Tree(), With(Merge(kCardFolders, {{"\\Program Files\\", ""},
                                                       {"\\Program Files\\Tamblor Games\\", ""},
                                                       {kGameDir, ""},
                                                       {kGameDir + "save.dat", "the game's own file"},
                                                       {kPrograms + "\\Игры\\", ""}})));
  EXPECT_EQ(handheld.Registry(), json::object());

  handheld.WriteRegistry({{kKey, {{"KX", Dword(1)}}}});
  ::unlink(handheld.HostPath(kGameDir + "save.dat").c_str());
  EXPECT_EQ(Uninstall(), WorkerDone);
  EXPECT_EQ(handheld.Tree().count(kGameDir), 0u);

  handheld.Put(kGameDir + "Config.xml", kConfigText);
  handheld.Put(kGameDir + "QuellorMobile.exe", kVgaExeText);
  EXPECT_EQ(Uninstall(), WorkerDone);
  EXPECT_EQ(handheld.Tree().count(kGameDir + "Config.xml"), 0u);
  EXPECT_EQ(handheld.Tree().count(kGameDir + "QuellorMobile.exe"), 1u);
}

TEST_F(InstallRoads, InstallingOverAnEarlierInstallationWaitsForTheNewMarker) {
  TempHandheld handheld(json{{"cards", {{{"name", "Storage Card"}}}}, {"programs", GameProgram(4, kPrograms)}});
  handheld.Put(kGameDir + "Config.xml", "old config");
  handheld.Put(kGameDir + "QuellorMobile.exe", "old exe");
  handheld.Put(kCardDir + "QMRes_VGA.dat", "old data");
  handheld.Put(kPrograms + kLink, "old shortcut");
  handheld.WriteRegistry({{kKey, {{"RP", Sz(kCardDir)}, {"SP", Sz(kPrograms)}, {"KX", Dword(1)}}}});
  EXPECT_EQ(Install(0), WorkerDone);
  EXPECT_EQ(WaitedMs(), 4000u);  // the old "KX" was gone before the first question
  EXPECT_EQ(handheld.Tree(), Installed(kVgaExeText, Merge(kCardFolders, {{kGameDir + "QMRes_VGA.dat", kVgaDataText},
                                                                         {kPrograms + "\\Игры\\", ""},
                                                                         {kPrograms + kLink, kShortcut}})));
  EXPECT_EQ(handheld.Registry(), json({{kKey, {{"RP", Sz(kGameDir)}, {"KX", Dword(1)}, {"SP", Sz(kPrograms)}}}}));
}

TEST_F(InstallRoads, WithoutAConnectedDeviceBothWorkersReportTheCheckFailed) {
  const json registry = {{kKey, {{"KX", Dword(1)}}}};
  for (const json& profile : {json{{"connected", false}}, json{{"faults", {{"session_refused", true}}}}, json()}) {
    SCOPED_TRACE(profile.dump());
    TempHandheld handheld(profile.is_null() ? json::object() : profile);
    if (profile.is_null()) ::unsetenv("RAPI_HANDHELD");
    handheld.Put(kGameDir + "Config.xml", "kept");
    handheld.WriteRegistry(registry);
    EXPECT_EQ(Install(), WorkerCheckFailed);
    EXPECT_EQ(Uninstall(), WorkerCheckFailed);
    EXPECT_EQ(handheld.Tree().at(kGameDir + "Config.xml"), "kept");
    EXPECT_EQ(handheld.Registry(), registry);
  }
}

TEST_F(InstallRoads, TheWorkerRunsOnItsOwnThreadAndEndsWithItsStatus) {
  TempHandheld handheld(json{{"programs", GameProgram(0)}});
  g_DeviceLink.Connect();
  g_InstallStatus = WorkerRunning;
  HANDLE worker = CreateThread(nullptr, 0, InstallWorkerThread, nullptr, 0, nullptr);
  ASSERT_NE(worker, nullptr);
  CloseHandle(worker);  // only names the thread
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (g_InstallStatus == WorkerRunning && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
  EXPECT_EQ(g_InstallStatus, WorkerDone);
}

}  // namespace
}  // namespace devtest
