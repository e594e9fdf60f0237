// Icons from the program's registered resources, the window's icon, and the arrow.
#include <gtest/gtest.h>

#include <tuple>

#include "platform/testkit/layer.h"
#include "platform/testkit/windows.h"
#include "platform/win32/cursor.h"
#include "platform/win32/icon_objects.h"
#include "platform/win32/icons.h"
#include "platform/win32/messages.h"
#include "platform/win32/resources.h"
#include "platform/win32/window.h"
#include "tests/support/PictureWriters.h"

namespace {

using pictures_test::Pixels;

// Resources must outlive every load: the registry keeps only pointers.
const pictures_test::Bytes kLarge = pictures_test::WritePngRgba(32, 32, Pixels(32 * 32, 0xFF3366CC)),
                           kSmall = pictures_test::WritePngRgba(16, 16, Pixels(16 * 16, 0xFFCC6633));
const unsigned char kNotAPicture[] = {'n', 'o', 'p', 'e'};

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

HICON Load(LPCWSTR name, int side, UINT flags = 0, UINT type = IMAGE_ICON) {
  return reinterpret_cast<HICON>(LoadImageW(nullptr, name, type, side, side, flags));
}

TEST_F(IconsTest, PicturesAtTheAskedOwnOrSystemSize) {
  const struct {
    WORD id;
    int side;
    UINT flags;
    int loaded;
  } cases[] = {{101, 32, 0, 32}, {101, 16, 0, 16}, {102, 0, 0, 16}, {102, 0, LR_DEFAULTSIZE, 32}, {102, 32, LR_DEFAULTSIZE, 32}};
  for (const auto& c : cases) {
    layer::IconObject* icon = layer::FindIcon(Load(MAKEINTRESOURCEW(c.id), c.side, c.flags));
    ASSERT_NE(icon, nullptr) << c.id << " " << c.side;
    EXPECT_EQ(std::tuple(icon->width, icon->height, icon->argb.size()), std::tuple(c.loaded, c.loaded, std::size_t(c.loaded * c.loaded)));
    EXPECT_EQ(icon->argb.back(), c.id == 101 ? 0xFF3366CCu : 0xFFCC6633u);
  }
}

TEST_F(IconsTest, MissingOrBrokenResourcesGiveNull) {
  const struct {
    LPCWSTR name;
    UINT type;
    DWORD error;
  } cases[] = {{MAKEINTRESOURCEW(999), IMAGE_ICON, ERROR_RESOURCE_NAME_NOT_FOUND},
               {MAKEINTRESOURCEW(103), IMAGE_ICON, ERROR_INVALID_DATA},
               {MAKEINTRESOURCEW(101), IMAGE_BITMAP, ERROR_RESOURCE_TYPE_NOT_FOUND},
               {L"ByName", IMAGE_ICON, ERROR_RESOURCE_NAME_NOT_FOUND}};
  for (const auto& c : cases) {
    EXPECT_EQ(Load(c.name, 32, 0, c.type), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST_F(IconsTest, ClassIconBecomesTheWindowsAndTheArrowIsOneCursor) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.lpszClassName = L"IconClass";
  windowClass.hIcon = Load(MAKEINTRESOURCEW(101), 32);
  windowClass.hIconSm = Load(MAKEINTRESOURCEW(102), 16);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  ASSERT_NE(RegisterClassExW(&windowClass), 0);
  HWND window = CreateWindowExW(0, L"IconClass", L"I", WS_SYSMENU, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  testkit::WindowFacts facts = testkit::DescribeWindow(window);
  EXPECT_EQ(std::tuple(facts.iconWidth, facts.iconHeight), std::tuple(32, 32));
  EXPECT_NE(windowClass.hCursor, nullptr);
  EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), windowClass.hCursor);
  EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(32513)), nullptr);
}

}  // namespace
