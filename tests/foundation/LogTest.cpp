#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/Log.h"
#include "platform/testkit/clock.h"
#include "tests/foundation/FoundationKit.h"

namespace {

using namespace foundation_test;

constexpr SYSTEMTIME kStart = {2009, 3, 6, 7, 14, 5, 9, 0};

class LogTest : public ::testing::Test {
 protected:
  LogTest() { testkit::FixLocalTime(&kStart); }
  ~LogTest() override { testkit::FixLocalTime(nullptr), g_LogPath.clear(); }
  void Open() { OpenLog(L"Tamblor Games", L"QuellorMobileInstaller"); }
  Bytes LogBytes() const { return ReadBytes(folder.File(kFile)); }

  static constexpr const char* kFile = "Tamblor Games/QuellorMobileInstaller/Logs/2009_03_07 14_05_09.txt";
  const std::wstring kFileName = L"/" + Wide(kFile);
  TempFolder folder;
  ScopedEnv allUsers{"ALLUSERS", folder.Path().c_str()};
  ScopedEnv allUsersProfile{"ALLUSERSPROFILE", nullptr};
  ScopedEnv userProfile{"USERPROFILE", nullptr};
};

TEST_F(LogTest, FolderComesFromTheFirstVariableThatIsSetAndFitsElseTheRoot) {
  TempFolder second, third;
  ScopedEnv profile("ALLUSERSPROFILE", second.Path().c_str());
  ScopedEnv user("USERPROFILE", third.Path().c_str());
  Open();
  EXPECT_EQ(g_LogPath, Wide(folder.Path()) + kFileName);

  ScopedEnv empty("ALLUSERS", "");
  Open();
  EXPECT_EQ(g_LogPath, Wide(second.Path()) + kFileName);

  // A value that does not fit the 255-character buffer with its terminator counts as unset.
  for (std::size_t length : {254u, 255u}) {
    const std::string value = second.Path() + "/" + std::string(length - second.Path().size() - 1, 'x');
    ScopedEnv tooLong("ALLUSERSPROFILE", value.c_str());
    Open();
    EXPECT_EQ(g_LogPath, Wide(length == 254 ? value : third.Path()) + kFileName) << length;
  }
  // Without any of them the path starts at the root.
  ScopedEnv none("ALLUSERS", nullptr), noProfile("ALLUSERSPROFILE", nullptr), noUser("USERPROFILE", nullptr);
  ScopedEnv noHome("HOME", nullptr);  // the layer answers USERPROFILE with HOME
  // A maker name that leads into the temporary folder keeps the test out of "/".
  const std::string maker = folder.Path().substr(1) + "/maker";
  OpenLog(Wide(maker), L"product");
  EXPECT_EQ(g_LogPath, L"/" + Wide(maker) + L"/product/Logs/2009_03_07 14_05_09.txt");
  EXPECT_TRUE(std::filesystem::is_regular_file(folder.Path() + "/maker/product/Logs/2009_03_07 14_05_09.txt"));
}

// Lines are dropped while there is no log file; a second run in the same second empties it.
TEST_F(LogTest, LinesAreUtf16WithTimeStampTagAndCrLf) {
  WriteLog(LogError, L"before open");
  Open();
  WriteLog(LogInfo, L"Window Created");
  EXPECT_EQ(LogBytes(), Utf16Le(L"2009-03-07 14:05:09  INFO     Window Created\r\n"));  // 92 bytes, no byte-order mark

  const SYSTEMTIME later = {2010, 12, 0, 31, 23, 59, 58, 0};
  testkit::FixLocalTime(&later);
  for (int level : {0, 1, 2, 7, -1}) WriteLog(level, L"level " + std::to_wstring(level));
  WriteLog(LogInfo, std::wstring(L"two\nlines \x00E9\x0416 ") + wchar_t(0xD83D) + wchar_t(0xDE00));
  const std::wstring stamp = L"2010-12-31 23:59:58  ";
  EXPECT_EQ(LogBytes(), Utf16Le(L"2009-03-07 14:05:09  INFO     Window Created\r\n" + stamp + L"         level 0\r\n" +
                                stamp + L"ERROR    level 1\r\n" + stamp + L"WARNING  level 2\r\n" + stamp +
                                L"level 7\r\n" + stamp + L"level -1\r\n" + stamp + L"INFO     two\nlines \x00E9\x0416 " +
                                wchar_t(0xD83D) + wchar_t(0xDE00) + L"\r\n"));
  testkit::FixLocalTime(&kStart);
  Open();
  EXPECT_TRUE(LogBytes().empty());
  std::filesystem::remove(folder.File(kFile));
  WriteLog(LogInfo, L"after delete");  // the file is not made again
  EXPECT_FALSE(std::filesystem::exists(folder.File(kFile)));
}

}  // namespace
