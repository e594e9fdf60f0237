// handheldview's report of a handheld folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "tests/device/DeviceKit.h"
#include "tools/handheldview/HandheldReport.h"

namespace devtest {
namespace {

TEST(HandheldReport, ShowsFilesRegistryAndFreeSpacePerVolume) {
  TempHandheld handheld(json{{"name", "Pocket"},
                             {"main_memory", {{"total", 1000}, {"reserved", 100}}},
                             {"cards", {{{"name", "SD"}, {"total", 500}}}},
                             {"faults", {{"process_refused", true}}}});
  handheld.Put("\\Program Files\\Игры\\a.txt", "12345");
  handheld.Put("\\SD\\b.bin", "xy");
  handheld.WriteRegistry({{"Software\\Q", {{"RP", Sz("\\SD\\")}, {"KX", Dword(255)}}}});
  std::ostringstream out;
  std::string error;
  ASSERT_TRUE(WriteHandheldReport(handheld.folder(), out, &error)) << error;
  const std::string report = out.str();
  for (const char* expected :
       {"\"Pocket\", OS 5.2, screen 480x640, connected", "faults: process_refused",
        "    Program Files\\  (5 bytes)\n      Игры\\  (5 bytes)\n        a.txt  5\n", "    SD\\  [card]  (2 bytes)",
        "  Software\\Q\n", "RP    REG_SZ        \"\\SD\\\"", "KX    REG_DWORD     255 (0x000000ff)",
        "main memory       total 1000  reserved 100  used 5  free 895",
        "\\SD               total 500  reserved 0  used 2  free 498"}) {
    EXPECT_NE(report.find(expected), std::string::npos) << expected << "\n--- report:\n" << report;
  }

  std::filesystem::rename(handheld.folder() + "/fs", handheld.folder() + "/elsewhere");
  std::filesystem::create_directory_symlink(handheld.folder() + "/elsewhere", handheld.folder() + "/fs");
  EXPECT_FALSE(WriteHandheldReport(handheld.folder(), out, &error));  // never walks through a link
  EXPECT_NE(error.find("/fs: not a real folder"), std::string::npos) << error;
  handheld.WriteProfile(json{{"screen", {{"width", "wide"}}}});
  EXPECT_FALSE(WriteHandheldReport(handheld.folder(), out, &error));
  EXPECT_NE(error.find("screen.width"), std::string::npos) << error;
  std::filesystem::remove(handheld.folder() + "/profile.json");
  std::filesystem::create_directory(handheld.folder() + "/profile.json");
  EXPECT_FALSE(WriteHandheldReport(handheld.folder(), out, &error));
  EXPECT_NE(error.find("/profile.json: a folder, not a plain file"), std::string::npos) << error;
  EXPECT_FALSE(WriteHandheldReport(handheld.folder() + "/registry.json", out, &error));  // a file
  EXPECT_EQ(error, handheld.folder() + "/registry.json: no profile.json, so no handheld");
}

}  // namespace
}  // namespace devtest
