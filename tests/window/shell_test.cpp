// Opening an address with the shell: the handler gets it as one untouched argument.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/testkit/shell.h"
#include "platform/win32/shell.h"
#include "platform/win32/window.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(Shell, AddressReachesTheHandlerAsOneUntouchedArgument) {
  testsupport::TempFolder folder("quellor_shell");
  // Writes how many arguments it got and the first one, byte for byte.
  std::ofstream(folder.File("opener.sh")) << "#!/bin/sh\n{ echo \"$#\"; printf '%s' \"$1\"; } > \"$(dirname \"$0\")/opened.txt\"\n";
  std::filesystem::permissions(folder.File("opener.sh"), std::filesystem::perms::owner_all);
  testkit::UseShellOpener(folder.File("opener.sh"));
  const wchar_t* address = L"https://example.org/a b?x=1&y='2';$(touch pwned) \"q\" `id` \u00e9";
  EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL)), 32);
  testkit::WaitForShellHandlers();
  std::ifstream file(folder.File("opened.txt"));
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()),
            "1\nhttps://example.org/a b?x=1&y='2';$(touch pwned) \"q\" `id` \xC3\xA9");
  EXPECT_FALSE(std::filesystem::exists(folder.File("pwned")));
  // A handler that cannot be started is a failure the caller sees.
  testkit::UseShellOpener(folder.File("missing"));
  EXPECT_LE(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL)), 32);
  testkit::UseShellOpener("");
}

}  // namespace
