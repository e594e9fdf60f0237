// A child forked while other threads are inside calls of the Win32 layer never waits
// for a lock that one of them held at the fork.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "platform/testkit/files.h"
#include "platform/testkit/shell.h"
#include "platform/win32/files.h"
#include "platform/win32/icon_objects.h"
#include "platform/win32/shell.h"
#include "platform/win32/strings.h"
#include "platform/win32/window.h"
#include "tests/support/ForkWhileCalling.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(LayerLocks, AChildForkedWhileOtherThreadsAreInsideCallsNeverHangs) {
  testsupport::TempFolder folder("forked");
  // Opened without sharing, so the table of such files is looked at and changed. The
  // threads open one file and the child another: the child inherits its parent's table
  // with whatever the threads held open at the fork.
  std::ofstream(folder.File("busy.txt")).flush();
  std::ofstream(folder.File("child.txt")).flush();
  auto openAndClose = [&](const std::string& name) {
    const std::wstring path = layer::Utf8ToWide(folder.File(name));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
  };
  testkit::UseShellOpener("/nonexistent/opener");
  auto shellFails = [] {  // reads the opener under the lock, then cannot start it
    return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", L"http://example.invalid", nullptr, nullptr, 0)) ==
           SE_ERR_FNF;
  };
  // The files' table is held for a moment beside each open's system calls: many threads
  // and many forks find it held at one of them.
  const struct { const char* calls; int threads, forks; std::function<void()> busy; std::function<bool()> child; }
      rows[] = {
      {"files opened and closed", 8, 2000, [&] { openAndClose("busy.txt"); },
       [&] { return openAndClose("child.txt"); }},
      {"reads stalled", 2, 150, [] { testkit::StallReadsOf(""); }, [&] { return openAndClose("child.txt"); }},
      {"windows looked up", 2, 150, [] { IsWindow(nullptr); }, [] { return !IsWindow(nullptr); }},
      {"icons looked up", 2, 150, [] { layer::FindIcon(nullptr); }, [] { return layer::FindIcon(nullptr) == nullptr; }},
      {"the shell's opener set", 2, 150, [] { testkit::UseShellOpener("/nonexistent/opener"); }, shellFails}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.calls);
    EXPECT_EQ(testsupport::ForkWhileCalling(row.threads, row.busy, row.child, row.forks), "hung 0, failed 0");
  }
  testkit::UseShellOpener("");
}

}  // namespace
