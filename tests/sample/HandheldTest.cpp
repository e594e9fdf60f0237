// The default emulated handheld that ./run attaches, read by the layer that serves it,
// and one installation and removal of the sample payload on a copy of it: the game it
// describes must be the executable the installer starts and must write the marker the
// installer waits for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "installer/DeviceLink.h"
#include "installer/GameLayout.h"
#include "installer/InstallWorkers.h"
#include "platform/rapi2/handheld.h"
#include "platform/testkit/clock.h"
#include "platform/win32/clock_internal.h"
#include "platform/win32/strings.h"
#include "tests/sample/PngTestFile.h"

namespace {

namespace fs = std::filesystem;

const std::string kDist = QUELLOR_DIST_DIR;

TEST(SampleHandheld, ProfileDescribesAReadyVgaPocketPcWithACard) {
  std::optional<emu::Profile> profile = emu::ReadProfileOf(kDist + "/Handheld");
  ASSERT_TRUE(profile) << "the layer refused the sample's profile.json";
  EXPECT_TRUE(profile->connected);
  EXPECT_GE(profile->osMajor, 5u);
  ScreenClass screen = ClassifyScreen(profile->screenWidth, profile->screenHeight);
  EXPECT_EQ(screen, ScreenVga);
  EXPECT_GE(profile->mainMemory.total - profile->mainMemory.reserved, SpaceNeeded(screen) + kMainMemoryReserve);
  ASSERT_EQ(profile->cards.size(), 1u);
  EXPECT_GE(profile->cards[0].total - profile->cards[0].reserved, SpaceNeeded(screen));
  EXPECT_FALSE(profile->noDesktop || profile->sessionRefused || profile->processRefused ||
               profile->shortcutRefused || profile->disconnectAfterBytes);

  ASSERT_EQ(profile->programs.size(), 1u);
  const emu::ProgramBehaviour& game = profile->programs[0];
  EXPECT_EQ(game.path, game::kGameExecutable);
  ASSERT_TRUE(game.delaySeconds);
  EXPECT_GT(*game.delaySeconds, 0.0);
  bool marker = false;
  for (const auto& write : game.writes) {
    EXPECT_EQ(write.key, game::kRegistryKey);
    if (write.value.name == game::kInstalledValue) marker = write.value.type == REG_DWORD && write.value.number != 0;
  }
  EXPECT_TRUE(marker) << "the game must write a non-zero REG_DWORD KX";
  EXPECT_TRUE(fs::is_directory(kDist + "/Handheld/fs/Windows/Start Menu/Programs"));
}

// A fresh copy of the sample handheld attached, the distribution as the current folder
// and the layer's clock virtual, as ./run would have it but without real waits.
class SampleInstallation : public ::testing::Test {
 protected:
  void SetUp() override {
    handheld_ = sampletest::MakeScratchFolder("handheld");
    fs::copy(kDist + "/Handheld", handheld_, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    setenv("RAPI_HANDHELD", handheld_.c_str(), 1);
    previous_ = fs::current_path();
    fs::current_path(kDist);
    testkit::UseVirtualClock(true);
  }
  void TearDown() override {
    g_DeviceLink.EndSession();
    // Let go of what the connections obtained; the desktop stays the application's.
    if (g_DeviceLink.session) g_DeviceLink.session->Release();
    if (g_DeviceLink.device) g_DeviceLink.device->Release();
    if (g_DeviceLink.enumDevices) g_DeviceLink.enumDevices->Release();
    SysFreeString(g_DeviceLink.deviceInfo.bstrName);
    SysFreeString(g_DeviceLink.deviceInfo.bstrPlatform);
    g_DeviceLink.session = nullptr;
    g_DeviceLink.device = nullptr;
    g_DeviceLink.enumDevices = nullptr;
    g_DeviceLink.deviceInfo.bstrName = nullptr;
    g_DeviceLink.deviceInfo.bstrPlatform = nullptr;
    g_DeviceLink.connected = false;
    g_DeviceLink.storageIndex = 0;
    testkit::UseVirtualClock(false);
    fs::current_path(previous_);
    unsetenv("RAPI_HANDHELD");
    fs::remove_all(handheld_);
  }
  std::string Device(const std::string& path) const { return handheld_ + "/fs" + path; }
  void ExpectCopied(const std::string& payload, const std::string& devicePath) const {
    EXPECT_EQ(sampletest::ReadFileBytes(kDist + "/Inst/" + payload), sampletest::ReadFileBytes(Device(devicePath)))
        << devicePath;
  }

  std::string handheld_;
  fs::path previous_;
};

TEST_F(SampleInstallation, InstallsToEachLocationThenRemovesTheGame) {
  const std::string game = "/Program Files/Tamblor Games/Quellor/";
  for (int location : {0, 1}) {
    SCOPED_TRACE(location);
    std::uint64_t start = layer::NowMs();
    g_DeviceLink.Connect();
    ASSERT_TRUE(g_DeviceLink.connected);
    ASSERT_EQ(g_DeviceLink.ListStorage().size(), 2u);
    g_DeviceLink.storageIndex = location;
    InstallWorkerThread(nullptr);
    g_DeviceLink.EndSession();
    ASSERT_EQ(g_InstallStatus, WorkerDone);
    // The marker comes a few seconds after the start; the installer asks every two.
    EXPECT_GT(layer::NowMs() - start, 0u);
    EXPECT_LE(layer::NowMs() - start, 10000u);

    ExpectCopied("Config.xml", game + "Config.xml");
    ExpectCopied("QuellorMobileVGA.exe", game + "QuellorMobile.exe");
    std::string data = (location == 0 ? "" : "/Storage Card") + game;
    ExpectCopied("QMRes_VGA.dat", data + "QMRes_VGA.dat");
    EXPECT_FALSE(fs::exists(Device(data + "QMRes_QVGA.dat")));
    bool shortcut = false;
    for (const auto& entry : fs::recursive_directory_iterator(Device("/Windows/Start Menu/Programs"))) {
      shortcut |= entry.path().extension() == ".lnk";
    }
    EXPECT_TRUE(shortcut) << "the shortcut goes under the folder the game names in SP";

    g_DeviceLink.Connect();
    UninstallWorkerThread(nullptr);
    g_DeviceLink.EndSession();
    ASSERT_EQ(g_UninstallStatus, WorkerDone);
    EXPECT_FALSE(fs::exists(Device(game + "QuellorMobile.exe")));
    EXPECT_FALSE(fs::exists(Device(data + "QMRes_VGA.dat")));
  }
}

}  // namespace
