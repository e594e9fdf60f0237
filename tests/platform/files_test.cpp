#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32/files.h"
#include "platform/win32/strings.h"
#include "tests/support/TempFolder.h"

namespace {

// Only a regular file opens, and blocking again; anything else is refused at once as
// access denied, whatever the access, with nothing left open, though a FIFO with no
// writer (or no reader) would otherwise wait for ever.
TEST(LayerFiles, OnlyRegularFilesOpenAndTheRestIsAccessDeniedAtOnceWithNoDescriptorLeft) {
  testsupport::TempFolder folder("quellor-files");
  std::ofstream(folder.File("plain.txt")) << "plain";
  ASSERT_EQ(::mkfifo(folder.File("fifo").c_str(), 0600), 0);
  const auto opened = testsupport::OpenDescriptorCount();
  const int next = ::open("/dev/null", O_RDONLY);  // the descriptor the next open gets
  ::close(next);
  auto open = [](const std::string& path, DWORD access, DWORD creation = OPEN_EXISTING) {
    return CreateFileW(layer::Utf8ToWide(path).c_str(), access, FILE_SHARE_READ, nullptr, creation,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  for (DWORD access : {GENERIC_READ, GENERIC_WRITE}) {
    EXPECT_FALSE(IsUsableHandle(open(folder.File("missing"), access)));
    HANDLE file = open(folder.File("plain.txt"), access);
    ASSERT_TRUE(IsUsableHandle(file)) << access;
    EXPECT_EQ(::fcntl(next, F_GETFL) & O_NONBLOCK, 0);
    char text[8] = {};
    DWORD read = 0;
    EXPECT_EQ(ReadFile(file, text, sizeof text, &read, nullptr), access == GENERIC_READ);
    EXPECT_EQ(std::string(text, read), access == GENERIC_READ ? "plain" : "");
    CloseHandle(file);
  }
  for (const std::string& path : {folder.File("fifo"), folder.Path(), std::string("/dev/zero")}) {
    for (DWORD creation : {DWORD{OPEN_EXISTING}, DWORD{CREATE_ALWAYS}}) {
      for (DWORD access : {GENERIC_READ, GENERIC_WRITE}) {
        SetLastError(0);
        EXPECT_FALSE(IsUsableHandle(open(path, access, creation)));
        EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED}) << path << " access " << access << " creation " << creation;
      }
    }
  }
  EXPECT_EQ(testsupport::OpenDescriptorCount(), opened);
  // A terminal is refused too, and refusing it must not make it the controlling terminal
  // of a session leader that had none (the child below).
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
  const std::string terminal = ::ptsname(master);
  auto openInNewSession = [&] {
    ::setsid();
    std::_Exit(IsUsableHandle(open(terminal, GENERIC_READ)) ? 2 : ::open("/dev/tty", O_RDONLY) >= 0 ? 1 : 0);
  };
  EXPECT_EXIT(openInNewSession(), ::testing::ExitedWithCode(0), "");
  ::close(master);
}

}  // namespace
