// Icons from registered resources, the arrow cursor, and opening addresses.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/testkit/layer.h"
#include "platform/testkit/shell.h"
#include "platform/testkit/windows.h"
#include "platform/win32/cursor.h"
#include "platform/win32/icons.h"
#include "platform/win32/messages.h"
#include "platform/win32/resources.h"
#include "platform/win32/shell.h"
#include "platform/win32/window.h"

namespace {

std::vector<unsigned char> Png(unsigned side, std::uint32_t colour) {
  std::vector<std::uint32_t> pixels(side * side, colour);
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = image.height = side;
  image.format = PNG_FORMAT_BGRA;
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
  std::vector<unsigned char> bytes(size);
  png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, nullptr);
  return bytes;
}

// Resources must outlive every load: the registry keeps only pointers.
const std::vector<unsigned char> kLarge = Png(32, 0xFF3366CC), kSmall = Png(16, 0xFFCC6633);
const unsigned char kNotAPicture[] = {'n', 'o', 'p', 'e'};

HICON LoadIcon(WORD id, int side) {
  return static_cast<HICON>(static_cast<void*>(LoadImageW(nullptr, MAKEINTRESOURCEW(id), IMAGE_ICON, side, side, 0)));
}

class IconsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testkit::ResetLayer();
    layer::RegisterResource(101, kLarge.data(), kLarge.size());
    layer::RegisterResource(102, kSmall.data(), kSmall.size());
    layer::RegisterResource(103, kNotAPicture, sizeof(kNotAPicture));
  }
  void TearDown() override { testkit::ResetLayer(); }
};

TEST_F(IconsTest, LoadsRegisteredPicturesAtTheAskedSize) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.lpszClassName = L"IconClass";
  windowClass.hIcon = LoadIcon(101, 32);
  windowClass.hIconSm = LoadIcon(102, 16);
  ASSERT_TRUE(windowClass.hIcon && windowClass.hIconSm);
  ASSERT_NE(RegisterClassExW(&windowClass), 0);
  HWND window = CreateWindowExW(0, L"IconClass", L"I", WS_SYSMENU, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  testkit::WindowFacts facts = testkit::DescribeWindow(window);
  EXPECT_EQ(facts.iconWidth, 32) << "the class icon becomes the window's";
  EXPECT_EQ(facts.iconHeight, 32);

  HICON scaled = LoadIcon(101, 16);
  EXPECT_NE(scaled, nullptr);
  EXPECT_TRUE(DestroyIcon(scaled));
  EXPECT_FALSE(DestroyIcon(scaled)) << "already gone";
}

TEST_F(IconsTest, MissingOrBrokenResourcesGiveNull) {
  EXPECT_EQ(LoadIcon(999, 32), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  EXPECT_EQ(LoadIcon(103, 32), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
  EXPECT_EQ(LoadImageW(nullptr, MAKEINTRESOURCEW(101), IMAGE_BITMAP, 32, 32, 0), nullptr);
  EXPECT_EQ(LoadImageW(nullptr, L"ByName", IMAGE_ICON, 32, 32, 0), nullptr);
}

TEST_F(IconsTest, SharedIconsAndTheArrowAreHandedOutOnce) {
  HICON first = LoadIconW(nullptr, MAKEINTRESOURCEW(101));
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(DestroyIcon(first));
  EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(101)), first) << "a shared icon stays";
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  EXPECT_NE(arrow, nullptr);
  EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), arrow);
  EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(32513)), nullptr);
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(folder);
    // Writes how many arguments it got and the first one, byte for byte.
    std::ofstream(folder / "opener.sh") << "#!/bin/sh\n{ echo \"$#\"; printf '%s' \"$1\"; } > \"$(dirname \"$0\")/opened.txt\"\n";
    std::filesystem::permissions(folder / "opener.sh", std::filesystem::perms::owner_all);
    testkit::UseShellOpener((folder / "opener.sh").string());
  }
  void TearDown() override {
    testkit::UseShellOpener("");
    std::filesystem::remove_all(folder);
  }

  std::filesystem::path folder = std::filesystem::temp_directory_path() / ("quellor_shell_" + std::to_string(getpid()));
};

TEST_F(ShellTest, AddressReachesTheHandlerAsOneUntouchedArgument) {
  const wchar_t* address = L"https://example.org/a b?x=1&y='2';$(touch pwned) \"q\" `id` \u00e9";
  EXPECT_GT(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", address, nullptr, nullptr, SW_SHOWNORMAL)), 32);
  testkit::WaitForShellHandlers();
  std::ifstream file(folder / "opened.txt");
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()),
            "1\nhttps://example.org/a b?x=1&y='2';$(touch pwned) \"q\" `id` \xC3\xA9");
  EXPECT_FALSE(std::filesystem::exists(folder / "pwned"));
}

TEST_F(ShellTest, RefusalsAreSmallResults) {
  EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"print", L"x", nullptr, nullptr, 0)), SE_ERR_NOASSOC);
  EXPECT_EQ(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", nullptr, nullptr, nullptr, 0)), SE_ERR_FNF);
  testkit::UseShellOpener((folder / "missing").string());
  EXPECT_LE(reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, L"x", nullptr, nullptr, 0)), 32);
}

}  // namespace
