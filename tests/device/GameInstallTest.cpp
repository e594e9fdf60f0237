// Every road of an installation and a removal, played by the workers against
// emulated handhelds; each ends by checking the device's files and registry.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "installer/DeviceLink.h"
#include "installer/InstallWorkers.h"
#include "platform/testkit/clock.h"
#include "platform/win32/clock_internal.h"
#include "tests/device/DeviceKit.h"
#include "tests/support/FailingAllocations.h"

namespace devtest {
namespace {

const std::string kGameDir = "\\Program Files\\Tamblor Games\\Quellor\\";
const std::string kCardDir = "\\Storage Card\\Program Files\\Tamblor Games\\Quellor\\";
const std::string kPrograms = "\\Windows\\Start Menu\\Programs";
const std::string kKey = "Software\\TamblorGames\\Quellor";
const std::string kRu = "Сага Квеллора.lnk", kEn = "Quellor Saga Rus.lnk", kFixedRu = "Сага квеллора.lnk";
const std::string kShortcut = std::to_string(kGameDir.size() + 19) + "#\"" + kGameDir + "QuellorMobile.exe\"";
const json kCard = {{"cards", {{{"name", "Storage Card"}}}}};

Tree Merge(Tree a, const Tree& b) {
  a.insert(b.begin(), b.end());
  return a;
}

// The fresh handheld with the game's folders, its configuration and executable on
// main memory, and the given entries.
Tree Installed(const std::string& exe, const Tree& more) {
  return With(Merge(more, {{"\\Program Files\\", ""}, {"\\Program Files\\Tamblor Games\\", ""}, {kGameDir, ""},
                           {kGameDir + "Config.xml", kConfigText}, {kGameDir + "QuellorMobile.exe", exe}}));
}

const Tree kCardFolders = {{"\\Storage Card\\", ""}, {"\\Storage Card\\Program Files\\", ""},
                           {"\\Storage Card\\Program Files\\Tamblor Games\\", ""}, {kCardDir, ""}};
const Tree kVgaData = {{kGameDir + "QMRes_VGA.dat", kVgaDataText}};

json Plus(json profile, const json& more) {
  profile.update(more);
  return profile;
}

class InstallRoads : public testing::Test {
 protected:
  void SetUp() override { testkit::UseVirtualClock(true); }
  void TearDown() override {
    g_DeviceLink.EndSession();
    ReleaseLink(g_DeviceLink, true);
    g_DeviceLink.storageIndex = 0;
    testkit::UseVirtualClock(false);
  }
  // As the install and uninstall scenes do: connect, then the worker runs (here on this
  // thread); the link may be set to go down after some of the worker's calls.
  std::int32_t Run(DWORD(WINAPI* worker)(LPVOID), int storageIndex, const TempHandheld* dropping, int calls) {
    start_ = layer::NowMs();
    g_DeviceLink.Connect();
    g_DeviceLink.storageIndex = storageIndex;
    if (dropping) dropping->DropLinkAfterCalls(calls);
    worker(nullptr);
    g_DeviceLink.EndSession();
    return worker == InstallWorkerThread ? g_InstallStatus : g_UninstallStatus;
  }
  std::int32_t Install(int storageIndex = 0) { return Run(InstallWorkerThread, storageIndex, nullptr, 0); }
  std::int32_t Uninstall(const TempHandheld* dropping = nullptr, int calls = 0) {
    return Run(UninstallWorkerThread, 0, dropping, calls);
  }
  std::uint64_t WaitedMs() const { return layer::NowMs() - start_; }

  TempPayload payload_;
  std::uint64_t start_ = 0;
};

// Each screen class gets its build and data; the data goes to the chosen location; the
// shortcut goes under the folder the game names in SP, or the Programs folder. The
// marker is asked 60 times, 2 s apart: without it in time "SP" is not asked (though
// written at 118.5 s) and the shortcut comes from the Programs folder.
TEST_F(InstallRoads, EachRoadGetsItsBuildItsDataItsShortcutAndItsWaitForTheMarker) {
  const Tree programs = {{kPrograms + "\\Игры\\", ""}, {kPrograms + "\\Игры\\" + kRu, kShortcut}};
  const Tree windows = {{"\\Windows\\Игры\\", ""}, {"\\Windows\\Игры\\" + kRu, kShortcut}};
  const json rp = {{"RP", Sz(kGameDir)}, {"KX", Dword(1)}};
  const json sp = {{"RP", Sz(kGameDir)}, {"KX", Dword(1)}, {"SP", Sz("\\Windows")}};
  const struct { json profile; int storage; std::int32_t status; std::uint64_t waited; Tree tree; json values; } roads[] = {
      {{{"programs", GameProgram(0, "\\Windows")}}, 0, WorkerDone, 0, Installed(kVgaExeText, Merge(kVgaData, windows)), sp},
      {Plus(kCard, {{"screen", {{"width", 320}, {"height", 240}}}, {"programs", GameProgram(4)}}), 1, WorkerDone, 4000,
       Installed(kQvgaExeText, Merge(kCardFolders, Merge(programs, {{kCardDir + "QMRes_QVGA.dat", kQvgaDataText}}))),
       {{"RP", Sz(kCardDir)}, {"KX", Dword(1)}}},
      {{{"screen", {{"width", 240}, {"height", 320}}}, {"programs", GameProgram(0)}}, 0, WorkerDone, 0,
       Installed(kGenericExeText, Merge(kVgaData, Merge(programs, {{kGameDir + "QMRes_QVGA.dat", kQvgaDataText}}))), rp},
      {{{"programs", GameProgram(118, "\\Windows")}}, 0, WorkerDone, 118000,
       Installed(kVgaExeText, Merge(kVgaData, windows)), sp},
      {{{"programs", GameProgram(118.5, "\\Windows")}}, 0, WorkerFailed, 120000,
       Installed(kVgaExeText, Merge(kVgaData, programs)), sp},
      {{{"programs", GameProgram(nullptr)}}, 0, WorkerFailed, 120000, Installed(kVgaExeText, Merge(kVgaData, programs)),
       {{"RP", Sz(kGameDir)}}}};
  for (const auto& road : roads) {
    SCOPED_TRACE(road.profile.dump());
    TempHandheld handheld(road.profile);
    EXPECT_EQ(Install(road.storage), road.status);
    EXPECT_EQ(WaitedMs(), road.waited);
    EXPECT_EQ(handheld.Tree(), road.tree);
    EXPECT_EQ(handheld.Registry(), json({{kKey, road.values}}));
  }
}

// The shortcut ladder under the Programs folder, then the fixed table; whatever stands
// at a place makes that try fail. A device refusing shortcuts keeps the folders made.
TEST_F(InstallRoads, TheShortcutTakesTheFirstPlaceThatWorksInTheSpecifiedOrder) {
  const std::string b = kPrograms + "\\", fixed = "\\Program Files\\Start Menu\\Programs\\";
  const struct { json profile; Tree there, made; } rows[] = {
      {{}, {{b + "Игры\\", ""}, {b + "Игры\\" + kRu, "x"}}, {{b + "Игры\\" + kEn, kShortcut}}},         // try 2
      {{}, {{b + "Игры", "file"}}, {{b + "Games\\", ""}, {b + "Games\\" + kRu, kShortcut}}},            // try 3
      {{}, {{b + "Игры", "file"}, {b + "Games\\", ""}, {b + "Games\\" + kRu, "x"}},
       {{b + "Games\\" + kEn, kShortcut}}},                                                            // try 4
      {{}, {{b + "Игры", "file"}, {b + "Games", "file"}}, {{b + kRu, kShortcut}}},                       // try 5
      {{}, {{b + "Игры", "file"}, {b + "Games", "file"}, {b + kRu, "x"}}, {{b + kEn, kShortcut}}},       // try 6
      {{{"programs_folder", nullptr}}, {{b + "Игры\\", ""}}, {{b + "Игры\\" + kFixedRu, kShortcut}}},    // table 1
      {{{"programs_folder", nullptr}}, {{b + "Games\\", ""}, {fixed, ""}},
       {{fixed + "Игры\\", ""}, {fixed + "Games\\", ""}, {"\\Program Files\\Start Menu\\", ""},
        {b + "Games\\" + kFixedRu, kShortcut}}},                                                          // table 2
      {{{"programs_folder", nullptr}}, {{b + "Games\\", ""}, {b + "Games\\" + kFixedRu, "x"}},
       {{b + "Games\\" + kEn, kShortcut}}},                                                            // table 3
      {{{"faults", {{"shortcut_refused", true}}}}, {}, {{b + "Игры\\", ""}, {b + "Games\\", ""}}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    TempHandheld handheld(Plus(row.profile, {{"programs", GameProgram(0)}}));
    for (const auto& [path, text] : row.there) handheld.Put(path, text);
    EXPECT_EQ(Install(), WorkerDone);
    EXPECT_EQ(handheld.Tree(), Installed(kVgaExeText, Merge(kVgaData, Merge(row.there, row.made))));
  }
}

// A failed check changes nothing; a failure after it leaves what the steps before left.
// hugeData: the data file is 4 GiB less two bytes, with no memory for a buffer of 1 GiB.
TEST_F(InstallRoads, FailuresLeaveWhatTheStepsBeforeThemLeft) {
  const struct { json profile; int storage; std::int32_t status; Tree tree; bool hugeData = false; } roads[] = {
      {{{"screen", {{"width", 320}, {"height", 240}}}, {"main_memory", {{"total", 4194303}, {"reserved", 0}}}},
       0, WorkerCheckFailed, With({})},
      {json::object(), 1, WorkerCheckFailed, With({})},  // a card removed after it was chosen
      {{{"faults", {{"process_refused", true}}}}, 0, WorkerFailed, Installed(kVgaExeText, kVgaData)},
      // The data file cut short by the link going down is dropped whole.
      {{{"faults", {{"disconnect_after_bytes", kConfigText.size() + kVgaExeText.size() + 3}}}}, 0, WorkerFailed,
       Installed(kVgaExeText, {})},
      {json::object(), 0, WorkerFailed, Installed(kVgaExeText, {}), true}};
  for (const auto& road : roads) {
    SCOPED_TRACE(road.profile.dump());
    TempHandheld handheld(Plus(road.profile, {{"programs", GameProgram(0, kPrograms)}}));
    if (road.hugeData) {
      ASSERT_EQ(::truncate("Inst/QMRes_VGA.dat", 0xFFFFFFFE), 0);
    }
    testsupport::FailLargeAllocations noMemory(road.hugeData ? std::size_t{1} << 30 : SIZE_MAX);
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

// A removal is done only when the device answered to its end. The link going down
// after n of its session calls shows each step in its order: configuration, key, "RP",
// two data files, executable, game folder, "SP" (8 calls), the six shortcuts, the key
// closed, the key deleted.
TEST_F(InstallRoads, RemovalIsDoneOnlyWhenTheDeviceAnsweredToItsEnd) {
  const std::string shortcuts[] = {kRu, kEn, "Игры\\" + kRu, "Игры\\" + kEn, "Games\\" + kRu, "Games\\" + kEn};
  const json registry = {{kKey, {{"RP", Sz(kCardDir)}, {"SP", Sz("\\Menu")}, {"KX", Dword(1)}}}};
  const std::string removedFirst[] = {kGameDir, kGameDir + "Config.xml", kGameDir + "QuellorMobile.exe",
                                      kCardDir + "QMRes_VGA.dat"};
  for (int calls : {0, 8, 9, 10, 11, 12, 13, 14, 15, 16, -1}) {  // -1: the link holds
    SCOPED_TRACE(calls);
    TempHandheld handheld(kCard);
    for (const std::string& name : shortcuts) handheld.Put("\\Menu\\" + name, "x");
    handheld.Put("\\Menu\\Other.lnk", "kept");
    handheld.Put(kCardDir + "QMRes_VGA.dat", "d");
    for (const char* name : {"Config.xml", "QuellorMobile.exe"}) handheld.Put(kGameDir + name, name);
    handheld.WriteRegistry(registry);
    Tree left = With(handheld.Tree());
    const bool done = calls < 0 || calls >= 16;
    EXPECT_EQ(Uninstall(calls < 0 ? nullptr : &handheld, calls), done ? WorkerDone : WorkerCheckFailed);
    for (int i = 0; i < (calls != 0 ? 4 : 0); ++i) left.erase(removedFirst[i]);
    for (int i = 0; i < (calls < 0 ? 6 : std::clamp(calls - 8, 0, 6)); ++i) left.erase("\\Menu\\" + shortcuts[i]);
    EXPECT_EQ(handheld.Tree(), left);
    EXPECT_EQ(handheld.Registry(), done ? json::object() : registry);
  }
}

// Without the key only the configuration goes, and that is a removal done; without a
// device nothing goes and neither worker is done.
TEST_F(InstallRoads, RemovalWithoutTheKeyTakesTheConfigurationWithoutADeviceNothing) {
  TempHandheld handheld;
  handheld.Put(kGameDir + "Config.xml", kConfigText);
  handheld.Put(kGameDir + "QuellorMobile.exe", kVgaExeText);
  ::unsetenv("RAPI_HANDHELD");
  EXPECT_EQ(Install(), WorkerCheckFailed);
  EXPECT_EQ(Uninstall(), WorkerCheckFailed);
  EXPECT_EQ(handheld.Tree().count(kGameDir + "Config.xml"), 1u);
  ::setenv("RAPI_HANDHELD", handheld.folder().c_str(), 1);
  EXPECT_EQ(Uninstall(), WorkerDone);
  EXPECT_EQ(handheld.Tree().count(kGameDir + "Config.xml"), 0u);
  EXPECT_EQ(handheld.Tree().count(kGameDir + "QuellorMobile.exe"), 1u);
}

}  // namespace
}  // namespace devtest
