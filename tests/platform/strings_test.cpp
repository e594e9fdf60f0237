#include <gtest/gtest.h>

#include "platform/win32/strings.h"

namespace {

// Characters of the BMP and beyond round-trip; malformed input becomes the replacement
// character; PC paths use the backslash as separator.
TEST(LayerStrings, RoundTripsReplacesMalformedInputAndTurnsPcPaths) {
  std::wstring wide = {L'A', 0x00E9, 0x0416, 0xD83D, 0xDE00};
  std::string utf8 = layer::WideToUtf8(wide);
  EXPECT_EQ(utf8, "A\xC3\xA9\xD0\x96\xF0\x9F\x98\x80");
  EXPECT_EQ(layer::Utf8ToWide(utf8), wide);
  EXPECT_EQ(layer::Utf8ToWide("a\xFF" "b"), (std::wstring{L'a', 0xFFFD, L'b'}));
  EXPECT_EQ(layer::Utf8ToWide("\xE2\x82"), (std::wstring{0xFFFD, 0xFFFD}));
  EXPECT_EQ(layer::WideToUtf8(std::wstring{0xD800}), "\xEF\xBF\xBD");
  EXPECT_EQ(layer::PcPathToHost(L"Inst\\Config.xml"), "Inst/Config.xml");
}

}  // namespace
