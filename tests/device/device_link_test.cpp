// The device link against emulated handhelds: connecting, device facts, storage list,
// free-space check, copying and the installed marker.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "installer/DeviceLink.h"
#include "tests/device/HandheldTestKit.h"

namespace devtest {
namespace {

namespace fs = std::filesystem;

// A link made for one test and let go of at its end.
struct Link : CDeviceLink {
  ~Link() { ReleaseLink(*this); }
};

json Qvga(std::uint64_t mainFree, std::uint64_t cardFree = 0) {
  json profile = {{"screen", {{"width", 320}, {"height", 240}}}, {"main_memory", {{"total", mainFree}, {"reserved", 0}}}};
  if (cardFree) profile["cards"] = {{{"name", "Storage Card"}, {"total", cardFree}}};
  return profile;
}

TEST(ScreenClass, FollowsTheScreenSizeAndDecidesTheSpaceNeeded) {
  EXPECT_EQ(ClassifyScreen(640, 480), ScreenVga);
  EXPECT_EQ(ClassifyScreen(480, 640), ScreenVga);
  EXPECT_EQ(ClassifyScreen(800, 480), ScreenVga);
  EXPECT_EQ(ClassifyScreen(639, 480), ScreenQvga);
  EXPECT_EQ(ClassifyScreen(320, 240), ScreenQvga);
  EXPECT_EQ(ClassifyScreen(240, 320), ScreenOther);
  EXPECT_EQ(ClassifyScreen(-640, -480), ScreenOther);
  EXPECT_EQ(SpaceNeeded(ScreenVga), 5242880u);
  EXPECT_EQ(SpaceNeeded(ScreenQvga), 3145728u);
  EXPECT_EQ(SpaceNeeded(ScreenOther), 8388608u);
}

TEST(DeviceLinkConnect, ReadsTheDeviceAndStartsASessionOnlyWhenConnected) {
  TempHandheld handheld(json{{"name", "Ipaq"}, {"os", {{"major", 4}, {"minor", 21}}}});
  Link link;
  ASSERT_TRUE(link.desktopReady);
  link.Connect();
  EXPECT_TRUE(link.connected);
  EXPECT_FALSE(link.osVersion5);
  EXPECT_EQ(link.GetDeviceName(), L"Ipaq");
  link.EndSession();
  EXPECT_FALSE(link.connected);
  link.EndSession();  // not connected: no call through the session

  for (const json& fault : {json{{"connected", false}}, json{{"faults", {{"session_refused", true}}}}}) {
    json profile = fault;
    profile["name"] = "Loox";
    handheld.WriteProfile(profile);
    link.Connect();
    EXPECT_FALSE(link.connected) << fault;
    EXPECT_TRUE(link.osVersion5) << fault;
    EXPECT_EQ(link.GetDeviceName(), L"Loox") << fault;
    EXPECT_NE(link.session, nullptr) << fault;
  }
}

TEST(DeviceLinkConnect, WithoutDeviceOrDesktopNothingIsConnected) {
  {
    Link link;
    ::unsetenv("RAPI_HANDHELD");
    link.Connect();
    EXPECT_FALSE(link.connected);
    EXPECT_EQ(link.device, nullptr);
    EXPECT_EQ(link.session, nullptr);
    EXPECT_EQ(link.lastResult, S_FALSE);
    EXPECT_EQ(link.ListStorage(), std::vector<std::wstring>{L""});
    EXPECT_FALSE(link.CheckFreeSpace());
    EXPECT_FALSE(link.IsGameInstalled());
    EXPECT_FALSE(link.InstallGame());
    EXPECT_FALSE(link.RemoveGame());
  }
  TempHandheld handheld(json{{"faults", {{"no_desktop", true}}}});
  Link link;
  EXPECT_FALSE(link.desktopReady);
  EXPECT_EQ(link.lastResult, REGDB_E_CLASSNOTREG);
  link.Connect();
  EXPECT_FALSE(link.connected);
  EXPECT_EQ(link.GetDeviceName(), L"");
}

TEST(DeviceLinkStorage, ListsCardsInTheDevicesOrderAndOnlyCards) {
  TempHandheld handheld(json{{"cards", {{{"name", "SD Card"}}, {{"name", "CF Card"}}}}});
  handheld.MakeFolder("\\My Documents");
  Link link;
  link.Connect();
  EXPECT_EQ(link.ListStorage(), (std::vector<std::wstring>{L"", L"\\CF Card", L"\\SD Card"}));
  handheld.WriteProfile(json::object());
  EXPECT_EQ(link.ListStorage(), std::vector<std::wstring>{L""});
}

TEST(DeviceLinkFreeSpace, MainMemoryNeedsTheBuildsSpacePlusTheReserve) {
  TempHandheld handheld(Qvga(4194304));
  Link link;
  link.Connect();
  EXPECT_TRUE(link.CheckFreeSpace());
  handheld.WriteProfile(Qvga(4194303));
  EXPECT_FALSE(link.CheckFreeSpace());
  // Files already on the device count against the room.
  handheld.WriteProfile(Qvga(4194305));
  handheld.Put("\\x", "ab");
  EXPECT_FALSE(link.CheckFreeSpace());
  handheld.WriteProfile(json{{"screen", {{"width", 240}, {"height", 320}}},
                             {"main_memory", {{"total", 9437186}, {"reserved", 0}}}});
  EXPECT_TRUE(link.CheckFreeSpace());  // the generic build needs 8 MiB
}

TEST(DeviceLinkFreeSpace, CardNeedsTheBuildsSpaceAndMainMemoryItsReserve) {
  TempHandheld handheld(Qvga(1048576, 3145728));
  Link link;
  link.Connect();
  link.storageIndex = 1;
  EXPECT_TRUE(link.CheckFreeSpace());
  handheld.WriteProfile(Qvga(1048575, 1u << 30));
  EXPECT_FALSE(link.CheckFreeSpace());
  handheld.WriteProfile(Qvga(1048576, 3145727));
  EXPECT_FALSE(link.CheckFreeSpace());
  handheld.WriteProfile(Qvga(1u << 30, 1u << 30));
  link.storageIndex = 2;  // a card that is no longer there
  EXPECT_FALSE(link.CheckFreeSpace());
  link.storageIndex = -1;
  EXPECT_FALSE(link.CheckFreeSpace());
}

TEST(DeviceLinkMarker, OnlyANonZeroKxCounts) {
  TempHandheld handheld;
  Link link;
  link.Connect();
  EXPECT_FALSE(link.IsGameInstalled());  // no key
  const std::string key = "Software\\TamblorGames\\Quellor";
  handheld.WriteRegistry({{key, {{"RP", {{"type", "REG_SZ"}, {"value", "\\"}}}}}});
  EXPECT_FALSE(link.IsGameInstalled());
  handheld.WriteRegistry({{key, {{"KX", {{"type", "REG_DWORD"}, {"value", 0}}}}}});
  EXPECT_FALSE(link.IsGameInstalled());
  handheld.WriteRegistry({{key, {{"KX", {{"type", "REG_SZ"}, {"value", "1"}}}}}});  // text does not fit a DWORD
  EXPECT_FALSE(link.IsGameInstalled());
  handheld.WriteRegistry({{key, {{"KX", {{"type", "REG_DWORD"}, {"value", 2}}}}}});
  EXPECT_TRUE(link.IsGameInstalled());
}

TEST(DeviceLinkCopy, CopiesWholeFilesAndLeavesTheDeviceAloneOnPcFailures) {
  TempHandheld handheld;
  TempPayload payload;
  std::ofstream("empty.bin").flush();
  Link link;
  link.Connect();
  link.CopyFileToDevice(L"Inst\\QMRes_VGA.dat", L"\\data.dat");
  link.CopyFileToDevice(L"Inst\\Missing.dat", L"\\missing.dat");
  link.CopyFileToDevice(L"empty.bin", L"\\empty.bin");
  link.CopyFileToDevice(L"Inst\\Config.xml", L"\\No Folder\\Config.xml");
  handheld.Put("\\old.txt", "a much longer old text");
  link.CopyFileToDevice(L"Inst\\Config.xml", L"\\OLD.txt");
  auto tree = handheld.Tree();
  EXPECT_EQ(tree.at("\\data.dat"), kVgaDataText);
  EXPECT_EQ(tree.at("\\empty.bin"), "");
  EXPECT_EQ(tree.at("\\old.txt"), kConfigText);
  EXPECT_FALSE(tree.count("\\missing.dat"));
  EXPECT_FALSE(tree.count("\\No Folder\\"));
}

}  // namespace
}  // namespace devtest
