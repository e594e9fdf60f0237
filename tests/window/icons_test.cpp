// Icons from the program's registered resources: decoded at the asked size, or null.
#include <tuple>

#include "platform/win32/icon_objects.h"
#include "platform/win32/icons.h"
#include "platform/win32/resources.h"
#include "tests/support/PictureWriters.h"
#include "tests/window/WindowKit.h"

namespace {

using pictures_test::Pixels;
using Icons = WindowTest;  // a clean layer around the test

TEST_F(Icons, LoadedAtTheAskedOwnOrSystemSizeOrNullWithTheReason) {
  // The registry keeps only pointers: the bytes outlive every load.
  static const pictures_test::Bytes large = pictures_test::WritePngRgba(32, 32, Pixels(32 * 32, 0xFF3366CC)),
                                    small = pictures_test::WritePngRgba(16, 16, Pixels(16 * 16, 0xFFCC6633));
  layer::RegisterResource(101, large.data(), large.size());
  layer::RegisterResource(102, small.data(), small.size());
  layer::RegisterResource(103, "nope", 4);
  // loaded: the side of the icon made, 0 for none, for the reason given.
  const struct { LPCWSTR name; int side; UINT flags; int loaded; DWORD error = 0; } cases[] = {
      {MAKEINTRESOURCEW(101), 32, LR_DEFAULTSIZE, 32},  // the program's two
      {MAKEINTRESOURCEW(102), 16, LR_DEFAULTSIZE, 16},
      {MAKEINTRESOURCEW(101), 16, 0, 16},               // scaled
      {MAKEINTRESOURCEW(102), 0, 0, 16},                // its own size
      {MAKEINTRESOURCEW(102), 0, LR_DEFAULTSIZE, 32},   // the system's icon size
      {MAKEINTRESOURCEW(999), 32, 0, 0, ERROR_RESOURCE_NAME_NOT_FOUND},
      {MAKEINTRESOURCEW(103), 32, 0, 0, ERROR_INVALID_DATA}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    HANDLE loaded = LoadImageW(nullptr, c.name, IMAGE_ICON, c.side, c.side, c.flags);
    layer::IconObject* icon = layer::FindIcon(reinterpret_cast<HICON>(loaded));
    if (c.loaded == 0) {
      EXPECT_EQ(std::tuple(icon, GetLastError()), std::tuple(nullptr, c.error));
      continue;
    }
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(std::tuple(icon->width, icon->height, icon->argb.size()),
              std::tuple(c.loaded, c.loaded, std::size_t(c.loaded * c.loaded)));
    EXPECT_EQ(icon->argb.back(), c.name == MAKEINTRESOURCEW(101) ? 0xFF3366CCu : 0xFFCC6633u);
  }
}

}  // namespace
