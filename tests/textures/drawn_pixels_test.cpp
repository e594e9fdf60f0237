// Pictures and text as they come out of the device: frames presented offscreen and read
// back, so size, part, alpha, colour key and glyph placement are checked in pixels.
#include <gtest/gtest.h>

#include <list>

#include "engine/Font.h"
#include "engine/Texture.h"
#include "engine/Window.h"
#include "platform/testkit/display.h"
#include "tests/textures/TextureTestKit.h"

namespace textures_test {
namespace {

constexpr std::uint32_t kBlack = 0xFF000000u, kRed = 0xFFFF0000u, kGreen = 0xFF00FF00u, kBlue = 0xFF0000FFu,
                        kWhite = 0xFFFFFFFFu;

class DrawnPixels : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureDevice(); }
  void SetUp() override {
    ASSERT_TRUE(EnsureDevice());
    testkit::CaptureFrames(true);
    ASSERT_TRUE(begun_ = BeginFrame());
  }
  void TearDown() override {
    if (begun_) EndFrame(true);
    testkit::CaptureFrames(false);
    ReleaseAllTextures();
  }
  testkit::Frame Present() {
    EndFrame(true);
    begun_ = false;
    return testkit::LastFrame();
  }
  CTTexture& Picture(std::uint32_t width, std::uint32_t height, std::vector<std::uint32_t> rgb) {
    bytes_.push_back(Bmp(width, height, rgb));
    textures_.emplace_back().LoadFromMemory(bytes_.back().data(), static_cast<std::uint32_t>(bytes_.back().size()));
    return textures_.back();
  }

  bool begun_ = false;
  std::list<std::vector<std::uint8_t>> bytes_;  // the textures point into them
  std::list<CTTexture> textures_;
};

TEST_F(DrawnPixels, APictureIsDrawnPixelForPixelScaledOrInPart) {
  std::vector<std::uint32_t> pattern(4 * 3), redBlue(8 * 4);
  for (std::uint32_t i = 0; i < pattern.size(); ++i) pattern[i] = 0x102030u * (i + 1);
  for (std::uint32_t i = 0; i < redBlue.size(); ++i) redBlue[i] = i % 8 < 4 ? 0xFF0000 : 0x0000FF;
  Picture(4, 3, pattern).Draw(10, 20, 4, 3, 0, 255, RECT{0, 0, 4, 3});
  Picture(8, 4, redBlue).Draw(100, 200, 16, 8, 0, 255, RECT{0, 0, 8, 4});  // doubled
  Picture(8, 4, redBlue).Draw(50, 60, 8, 4, 0, 255, RECT{4, 0, 8, 4});     // its right half
  const testkit::Frame frame = Present();

  for (unsigned i = 0; i < pattern.size(); ++i) EXPECT_EQ(frame.At(10 + i % 4, 20 + i / 4), kBlack | pattern[i]) << i;
  for (auto [x, y] : {std::pair{9, 20}, {14, 20}, {10, 23}, {116, 201}, {101, 208}, {54, 60}, {50, 64}}) {
    EXPECT_EQ(frame.At(x, y), kBlack) << x << "," << y;
  }
  for (auto [x, y] : {std::pair{101, 201}, {106, 206}}) EXPECT_EQ(frame.At(x, y), kRed) << x << "," << y;
  for (auto [x, y] : {std::pair{109, 201}, {114, 206}, {50, 60}, {53, 63}}) EXPECT_EQ(frame.At(x, y), kBlue);
}

TEST_F(DrawnPixels, AlphaFadesThePictureAndOpaqueMagentaIsTransparent) {
  std::vector<std::uint32_t> keyed(4 * 4);
  for (std::uint32_t i = 0; i < keyed.size(); ++i) keyed[i] = i % 4 < 2 ? 0xFF00FF : 0x00FF00;
  Picture(4, 4, std::vector<std::uint32_t>(16, 0xFFFFFF)).Draw(0, 0, 4, 4, 0, 255, RECT{0, 0, 4, 4});
  Picture(4, 4, keyed).Draw(0, 0, 4, 4, 0, 255, RECT{0, 0, 4, 4});
  Picture(4, 4, std::vector<std::uint32_t>(16, 0xFF0000)).Draw(20, 0, 4, 4, 0, 0, RECT{0, 0, 4, 4});
  Picture(4, 4, std::vector<std::uint32_t>(16, 0xFF0000)).Draw(40, 0, 4, 4, 0, 128, RECT{0, 0, 4, 4});
  const testkit::Frame frame = Present();

  EXPECT_EQ(frame.At(0, 0), kWhite);  // magenta lets the picture below through
  EXPECT_EQ(frame.At(1, 3), kWhite);
  EXPECT_EQ(frame.At(2, 0), kGreen);
  EXPECT_EQ(frame.At(21, 1), kBlack);
  EXPECT_NEAR(static_cast<int>((frame.At(41, 1) >> 16) & 0xFF), 128, 2);
  EXPECT_EQ(frame.At(41, 1) & 0xFFFF, 0u);
}

TEST_F(DrawnPixels, GlyphsSitSideBySideInTheTextColourOrOverlapWithNegativeSpacing) {
  TestPack pack({{"/Font0041", SolidBmp(10, 8, 0xFFFFFF)}, {"/Font0042", SolidBmp(10, 8, 0x00FF00)}});
  CTFont spaced, overlapping;
  spaced.Init(2);
  overlapping.Init(-3);
  for (CTFont* font : {&spaced, &overlapping}) font->Load(&pack, L"/Font");
  spaced.DrawText(L"AA", 1.0f, 100.0f, 50.0f, 255, RGB{255, 0, 0});
  overlapping.DrawText(L"AB", 1.0f, 10.0f, 10.0f, 255, RGB{255, 255, 255});
  const testkit::Frame frame = Present();

  // 10 + 2 pixels per glyph: A at 100-109, a gap, A at 112-121.
  for (int x : {100, 109, 112, 121}) EXPECT_EQ(frame.At(x, 57), kRed) << x;
  for (int x : {110, 111, 122}) EXPECT_EQ(frame.At(x, 54), kBlack) << x;
  // B starts at 10 + 10 - 3, over A's end.
  for (auto [x, colour] : {std::pair{16, kWhite}, {17, kGreen}, {26, kGreen}, {27, kBlack}}) {
    EXPECT_EQ(frame.At(x, 12), colour) << x;
  }
}

}  // namespace
}  // namespace textures_test
