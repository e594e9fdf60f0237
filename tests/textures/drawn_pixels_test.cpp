// Pictures and text as they come out of the device: frames presented offscreen and read
// back, so the whole road (sprite transformation, colour key, alpha, glyph colours) is
// checked in pixels.
#include <gtest/gtest.h>

#include "engine/Font.h"
#include "engine/Texture.h"
#include "engine/Window.h"
#include "platform/testkit/display.h"
#include "tests/textures/TestPictures.h"
#include "tests/textures/TextureTestKit.h"

namespace textures_test {
namespace {

constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kGreen = 0xFF00FF00u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

// 8 x 4: the left half red, the right half blue.
std::vector<std::uint8_t> RedBlueBmp() {
  std::vector<std::uint32_t> pixels(8 * 4);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = (i % 8) < 4 ? 0xFF0000 : 0x0000FF;
  return MakeBmp(8, 4, pixels);
}

class DrawnPixels : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureDevice(); }
  void SetUp() override {
    ASSERT_TRUE(EnsureDevice());
    testkit::CaptureFrames(true);
    begun_ = BeginFrame();
    ASSERT_TRUE(begun_);
  }
  void TearDown() override {
    if (begun_) EndFrame(true);
    testkit::CaptureFrames(false);
    ReleaseAllTextures();
    ReleaseAllFonts();
  }
  testkit::Frame Present() {
    EndFrame(true);
    begun_ = false;
    return testkit::LastFrame();
  }
  static void Load(CTTexture& texture, const std::vector<std::uint8_t>& bytes) {
    texture.LoadFromMemory(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  }

  bool begun_ = false;
};

TEST_F(DrawnPixels, APictureAtItsOwnSizeIsCopiedPixelForPixelAndTwiceItsSizeDoubled) {
  std::vector<std::uint32_t> pattern(4 * 3);
  for (std::uint32_t i = 0; i < pattern.size(); ++i) pattern[i] = 0x102030u * (i + 1);
  const auto bmp = MakeBmp(4, 3, pattern);
  const auto redBlue = RedBlueBmp();
  CTTexture exact, doubled;
  Load(exact, bmp);
  Load(doubled, redBlue);

  exact.Draw(10.0f, 20.0f, 4.0f, 3.0f, 0.0f, 255, RECT{0, 0, 4, 3});
  doubled.Draw(100.0f, 200.0f, 16.0f, 8.0f, 0.0f, 255, RECT{0, 0, 8, 4});
  const testkit::Frame frame = Present();
  ASSERT_EQ(frame.width, 640u);

  for (unsigned y = 0; y < 3; ++y) {
    for (unsigned x = 0; x < 4; ++x) EXPECT_EQ(frame.At(10 + x, 20 + y), 0xFF000000u | pattern[y * 4 + x]) << x << "," << y;
  }
  EXPECT_EQ(frame.At(9, 20), kBlack);
  EXPECT_EQ(frame.At(14, 20), kBlack);
  EXPECT_EQ(frame.At(10, 23), kBlack);

  EXPECT_EQ(frame.At(101, 201), kRed);
  EXPECT_EQ(frame.At(106, 206), kRed);
  EXPECT_EQ(frame.At(109, 201), kBlue);
  EXPECT_EQ(frame.At(114, 206), kBlue);
  EXPECT_EQ(frame.At(116, 201), kBlack);
  EXPECT_EQ(frame.At(101, 208), kBlack);
}

TEST_F(DrawnPixels, ASourceRectangleDrawsOnlyThatPartAtTheSameScale) {
  const auto redBlue = RedBlueBmp();
  CTTexture texture;
  Load(texture, redBlue);
  texture.Draw(50.0f, 60.0f, 8.0f, 4.0f, 0.0f, 255, RECT{4, 0, 8, 4});
  const testkit::Frame frame = Present();
  EXPECT_EQ(frame.At(50, 60), kBlue);
  EXPECT_EQ(frame.At(53, 63), kBlue);
  EXPECT_EQ(frame.At(54, 60), kBlack);
  EXPECT_EQ(frame.At(50, 64), kBlack);
}

TEST_F(DrawnPixels, AlphaFadesThePictureAndOpaqueMagentaIsTransparent) {
  std::vector<std::uint32_t> keyed(4 * 4);
  for (std::size_t i = 0; i < keyed.size(); ++i) keyed[i] = (i % 4) < 2 ? 0xFF00FF : 0x00FF00;
  const auto keyedBmp = MakeBmp(4, 4, keyed);
  const auto white = SolidBmp(4, 4, 0xFFFFFF);
  const auto red = SolidBmp(4, 4, 0xFF0000);
  CTTexture under, over, invisible, half;
  Load(under, white);
  Load(over, keyedBmp);
  Load(invisible, red);
  Load(half, red);

  under.Draw(0.0f, 0.0f, 4.0f, 4.0f, 0.0f, 255, RECT{0, 0, 4, 4});
  over.Draw(0.0f, 0.0f, 4.0f, 4.0f, 0.0f, 255, RECT{0, 0, 4, 4});
  invisible.Draw(20.0f, 0.0f, 4.0f, 4.0f, 0.0f, 0, RECT{0, 0, 4, 4});
  half.Draw(40.0f, 0.0f, 4.0f, 4.0f, 0.0f, 128, RECT{0, 0, 4, 4});
  const testkit::Frame frame = Present();

  EXPECT_EQ(frame.At(0, 0), kWhite);  // magenta let the picture below through
  EXPECT_EQ(frame.At(1, 3), kWhite);
  EXPECT_EQ(frame.At(2, 0), kGreen);
  EXPECT_EQ(frame.At(3, 3), kGreen);
  EXPECT_EQ(frame.At(21, 1), kBlack);
  const std::uint32_t halfRed = (frame.At(41, 1) >> 16) & 0xFF;
  EXPECT_NEAR(static_cast<int>(halfRed), 128, 2);
  EXPECT_EQ(frame.At(41, 1) & 0xFFFF, 0u);
}

TEST_F(DrawnPixels, TextIsDrawnGlyphAfterGlyphInItsColourAndRemadeAfterRelease) {
  TestPack pack({{"/Font0041", SolidBmp(10, 8, 0xFFFFFF)}, {"/Font0042", SolidBmp(10, 8, 0xFFFFFF)}});
  CTFont font;
  font.Init(2);
  font.Load(pack.Get(), L"/Font");
  font.DrawText(L"AB", 1.0f, 100.0f, 50.0f, 255, RGB{255, 0, 0});
  font.ReleaseGlyphs();
  font.DrawText(L"BA", 2.0f, 100.0f, 100.0f, 255, RGB{0, 0, 255});
  const testkit::Frame frame = Present();

  EXPECT_EQ(frame.At(100, 50), kRed);
  EXPECT_EQ(frame.At(109, 57), kRed);
  EXPECT_EQ(frame.At(110, 54), kBlack);  // the spacing
  EXPECT_EQ(frame.At(111, 54), kBlack);
  EXPECT_EQ(frame.At(112, 54), kRed);
  EXPECT_EQ(frame.At(121, 54), kRed);
  EXPECT_EQ(frame.At(122, 54), kBlack);
  EXPECT_EQ(frame.At(105, 58), kBlack);

  // At scale 2 each glyph is 20 x 16 and the pen moves (10 + 2) x 2.
  EXPECT_EQ(frame.At(100, 100), kBlue);
  EXPECT_EQ(frame.At(119, 115), kBlue);
  EXPECT_EQ(frame.At(121, 108), kBlack);
  EXPECT_EQ(frame.At(124, 108), kBlue);
  EXPECT_EQ(frame.At(143, 115), kBlue);
  EXPECT_EQ(frame.At(144, 108), kBlack);
}

TEST_F(DrawnPixels, NegativeSpacingDrawsTheNextGlyphOverThePreviousOne) {
  TestPack pack({{"/Font0041", SolidBmp(10, 8, 0xFF0000)}, {"/Font0042", SolidBmp(10, 8, 0x00FF00)}});
  CTFont font;
  font.Init(-3);
  font.Load(pack.Get(), L"/Font");
  font.DrawText(L"AB", 1.0f, 10.0f, 10.0f, 255, RGB{255, 255, 255});
  const testkit::Frame frame = Present();
  EXPECT_EQ(frame.At(10, 12), kRed);
  EXPECT_EQ(frame.At(16, 12), kRed);
  EXPECT_EQ(frame.At(17, 12), kGreen);  // B begins at 10 + 10 - 3
  EXPECT_EQ(frame.At(19, 12), kGreen);
  EXPECT_EQ(frame.At(26, 12), kGreen);
  EXPECT_EQ(frame.At(27, 12), kBlack);
}

}  // namespace
}  // namespace textures_test
