// The device link against emulated handhelds: connecting, device facts, storage list,
// free-space check, copying and the installed marker.
#include <gtest/gtest.h>

#include <fstream>

#include "installer/DeviceLink.h"
#include "tests/device/DeviceKit.h"

namespace devtest {
namespace {

json Device(int width, int height, std::uint64_t mainFree, std::uint64_t cardFree = 0, std::string card = "SD") {
  json profile = {{"screen", {{"width", width}, {"height", height}}},
                  {"main_memory", {{"total", mainFree}, {"reserved", 0}}}};
  if (cardFree) profile["cards"] = {{{"name", card}, {"total", cardFree}}};
  return profile;
}

// Each boundary on both sides: the rules are tested in order, VGA first. The space each
// class needs is pinned by the free-space check below.
TEST(ScreenClass, FollowsTheScreenSizeAndDecidesTheSpaceNeeded) {
  const struct { int width, height; ScreenClass expected; } screens[] = {
      {640, 480, ScreenVga},  {639, 480, ScreenQvga},  {640, 479, ScreenQvga},  {480, 640, ScreenVga},
      {479, 640, ScreenQvga}, {480, 639, ScreenQvga},  {800, 480, ScreenVga},   {320, 240, ScreenQvga},
      {319, 240, ScreenOther}, {320, 239, ScreenOther}, {240, 320, ScreenOther}, {-640, -480, ScreenOther}};
  for (const auto& s : screens) EXPECT_EQ(ClassifyScreen(s.width, s.height), s.expected) << s.width << "x" << s.height;
}

TEST(DeviceLinkConnect, ReadsTheDeviceAndStartsASessionOnlyWhenConnected) {
  const struct { json profile; bool connected, os5; const wchar_t* name; } rows[] = {
      {{{"name", "Ipaq"}, {"os", {{"major", 4}, {"minor", 21}}}}, true, false, L"Ipaq"},
      {{{"name", "Loox"}, {"connected", false}}, false, true, L"Loox"},
      {{{"name", "Mio"}, {"faults", {{"session_refused", true}}}}, false, true, L"Mio"},
      {{{"faults", {{"no_desktop", true}}}}, false, false, L""}, {nullptr, false, false, L""}};  // null: none
  for (const auto& row : rows) {
    TempHandheld handheld(row.profile.is_null() ? json::object() : row.profile);
    if (row.profile.is_null()) ::unsetenv("RAPI_HANDHELD");
    Link link;
    link.Connect();
    EXPECT_EQ(link.connected, row.connected) << row.profile;
    EXPECT_EQ(link.osVersion5, row.os5) << row.profile;
    EXPECT_EQ(link.GetDeviceName(), row.name) << row.profile;
    if (link.session) {
      EXPECT_EQ(link.session->CeCreateDirectory(L"\\x", nullptr), row.connected) << row.profile;
    } else {
      EXPECT_EQ(link.ListStorage(), std::vector<std::wstring>{L""});
    }
    link.EndSession();
  }
}

TEST(DeviceLinkStorage, ListsCardsInTheDevicesOrderAndOnlyCards) {
  TempHandheld handheld(json{{"cards", {{{"name", "SD Card"}}, {{"name", "CF Card"}}}}});
  handheld.Put("\\My Documents\\");
  Link link;
  link.Connect();
  EXPECT_EQ(link.ListStorage(), (std::vector<std::wstring>{L"", L"\\CF Card", L"\\SD Card"}));
  handheld.WriteProfile(json::object());
  EXPECT_EQ(link.ListStorage(), std::vector<std::wstring>{L""});
}

// Main memory needs the build's space plus its 1 MiB reserve; a card the build's space
// and main memory the reserve. Every limit is pinned one byte either side.
TEST(DeviceLinkFreeSpace, EachLocationNeedsTheBuildsSpaceAndMainMemoryItsReserve) {
  const std::string card244(244, 'c'), card245(245, 'c');  // "\<card>\Program Files": 259, 260
  const struct { json profile; int storage; bool room; } cases[] = {
      {Device(320, 240, 4194304), 0, true},         {Device(320, 240, 4194303), 0, false},
      {Device(640, 480, 6291456), 0, true},         {Device(640, 480, 6291455), 0, false},
      {Device(240, 320, 9437184), 0, true},         {Device(240, 320, 9437183), 0, false},
      {Device(320, 240, 1048576, 3145728), 1, true}, {Device(320, 240, 1048575, 1u << 30), 1, false},
      {Device(320, 240, 1048576, 3145727), 1, false},
      {Device(320, 240, 1u << 30, 1u << 30), 2, false},  // beyond the storage list
      {Device(320, 240, 1u << 30, 1u << 30), -1, false},
      {Device(320, 240, 1u << 30, 1u << 30, card244), 1, true},
      {Device(320, 240, 1u << 30, 1u << 30, card245), 1, false}};
  TempHandheld handheld;
  Link link;
  for (const auto& c : cases) {
    handheld.WriteProfile(c.profile);
    link.Connect();
    link.storageIndex = c.storage;
    EXPECT_EQ(link.CheckFreeSpace(), c.room) << c.profile << " at " << c.storage;
  }
}

TEST(DeviceLinkMarker, OnlyANonZeroDwordKxCounts) {
  TempHandheld handheld;
  Link link;
  link.Connect();
  EXPECT_FALSE(link.IsGameInstalled());  // no key
  for (const json& values : {json{{"RP", Sz("\\")}}, json{{"KX", Dword(0)}}, json{{"KX", Sz("1")}}, json{{"KX", Dword(2)}}}) {
    handheld.WriteRegistry({{"Software\\TamblorGames\\Quellor", values}});
    EXPECT_EQ(link.IsGameInstalled(), values == json({{"KX", Dword(2)}})) << values;
  }
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
  EXPECT_EQ(handheld.Tree(), With({{"\\data.dat", kVgaDataText}, {"\\empty.bin", ""}, {"\\old.txt", kConfigText}}));
}

}  // namespace
}  // namespace devtest
