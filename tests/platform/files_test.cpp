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

// Only a regular file opens; anything else fails at once, as an unreadable file does,
// though a FIFO with no writer (or no reader) would otherwise wait for ever.
TEST(LayerFiles, OnlyRegularFilesOpenAndNothingBlocks) {
  testsupport::TempFolder folder("quellor-files");
  std::ofstream(folder.File("plain.txt")) << "plain";
  ASSERT_EQ(::mkfifo(folder.File("fifo").c_str(), 0600), 0);
  const std::pair<std::string, bool> cases[] = {
      {folder.File("plain.txt"), true}, {folder.File("fifo"), false}, {folder.Path(), false},
      {"/dev/zero", false}, {folder.File("missing"), false}};
  for (const auto& [path, opens] : cases) {
    for (DWORD access : {GENERIC_READ, GENERIC_WRITE}) {
      HANDLE file = CreateFileW(layer::Utf8ToWide(path).c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      EXPECT_EQ(IsUsableHandle(file), opens) << path << " access " << access;
      if (!opens) continue;
      char text[8] = {};
      DWORD read = 0;
      EXPECT_EQ(ReadFile(file, text, sizeof text, &read, nullptr), access == GENERIC_READ);
      EXPECT_EQ(std::string(text, read), access == GENERIC_READ ? "plain" : "");
      CloseHandle(file);
    }
  }
  // A terminal is refused too, and refusing it must not make it the controlling terminal
  // of a session leader that had none (the child below).
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
  const std::wstring terminal = layer::Utf8ToWide(::ptsname(master));
  auto openInNewSession = [&terminal] {
    ::setsid();
    const bool opened = IsUsableHandle(CreateFileW(terminal.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::_Exit(opened ? 2 : ::open("/dev/tty", O_RDONLY) >= 0 ? 1 : 0);
  };
  EXPECT_EXIT(openInNewSession(), ::testing::ExitedWithCode(0), "");
  ::close(master);
}

// Refused at once as access denied, whatever the access, with nothing left open; a
// plain file that opens is blocking again.
TEST(LayerFiles, AnOpenedFileBlocksAndARefusedOneIsAccessDeniedWithNoDescriptorLeft) {
  testsupport::TempFolder folder("quellor-files");
  ASSERT_EQ(::mkfifo(folder.File("fifo").c_str(), 0600), 0);
  std::ofstream(folder.File("plain.txt")) << "plain";
  const auto openFiles = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
  const auto opened = openFiles();
  const int next = ::open("/dev/null", O_RDONLY);  // the descriptor the next open gets
  ::close(next);
  HANDLE plain = CreateFileW(layer::Utf8ToWide(folder.File("plain.txt")).c_str(), GENERIC_READ, 0, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(::fcntl(next, F_GETFL) & O_NONBLOCK, 0);
  CloseHandle(plain);
  for (const std::string& path : {folder.File("fifo"), folder.Path(), std::string("/dev/zero")}) {
    for (DWORD creation : {DWORD{OPEN_EXISTING}, DWORD{CREATE_ALWAYS}}) {
      for (DWORD access : {GENERIC_READ, GENERIC_WRITE}) {
        SetLastError(0);
        EXPECT_FALSE(IsUsableHandle(CreateFileW(layer::Utf8ToWide(path).c_str(), access, 0, nullptr, creation,
                                                FILE_ATTRIBUTE_NORMAL, nullptr)));
        EXPECT_EQ(GetLastError(), DWORD{ERROR_ACCESS_DENIED}) << path << " access " << access << " creation " << creation;
      }
    }
  }
  EXPECT_EQ(openFiles(), opened);
}

}  // namespace
