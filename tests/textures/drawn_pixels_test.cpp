// Pictures as they come out of the device: frames presented offscreen and read
// back, so size, part, alpha and colour key are checked in pixels.
#include <gtest/gtest.h>

#include <list>

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
    ASSERT_TRUE(BeginFrame());
  }
  void TearDown() override {
    testkit::CaptureFrames(false);
    ReleaseAllTextures();
  }
  static testkit::Frame Present() {
    EndFrame(true);
    return testkit::LastFrame();
  }
  // A picture of width x height pixels drawn at (x, y) in size w x h, of its part source.
  void Picture(std::uint32_t width, std::uint32_t height, std::vector<std::uint32_t> rgb, float x, float y, float w,
               float h, std::uint8_t alpha, RECT source) {
    const Bytes& bytes = bytes_.emplace_back(Bmp(width, height, rgb));
    textures_.emplace_back().LoadFromMemory(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    textures_.back().Draw(x, y, w, h, 0, alpha, source);
  }

  std::list<Bytes> bytes_;  // the textures point into them
  std::list<CTTexture> textures_;
};

TEST_F(DrawnPixels, APictureIsDrawnPixelForPixelScaledOrInPart) {
  std::vector<std::uint32_t> pattern(4 * 3), redBlue(8 * 4);
  for (std::uint32_t i = 0; i < pattern.size(); ++i) pattern[i] = 0x102030u * (i + 1);
  for (std::uint32_t i = 0; i < redBlue.size(); ++i) redBlue[i] = i % 8 < 4 ? 0xFF0000 : 0x0000FF;
  Picture(4, 3, pattern, 10, 20, 4, 3, 255, RECT{0, 0, 4, 3});
  Picture(8, 4, redBlue, 100, 200, 16, 8, 255, RECT{0, 0, 8, 4});  // doubled
  Picture(8, 4, redBlue, 50, 60, 8, 4, 255, RECT{4, 0, 8, 4});     // its right half
  const testkit::Frame frame = Present();

  for (unsigned i = 0; i < pattern.size(); ++i) EXPECT_EQ(frame.At(10 + i % 4, 20 + i / 4), kBlack | pattern[i]) << i;
  const std::tuple<int, int, std::uint32_t> samples[] = {
      {9, 20, kBlack},  {14, 20, kBlack},  {10, 23, kBlack},  {116, 201, kBlack}, {101, 208, kBlack},
      {54, 60, kBlack}, {50, 64, kBlack},  {101, 201, kRed},  {106, 206, kRed},   {109, 201, kBlue},
      {114, 206, kBlue}, {50, 60, kBlue},  {53, 63, kBlue}};
  for (auto [x, y, colour] : samples) EXPECT_EQ(frame.At(x, y), colour) << x << "," << y;
}

TEST_F(DrawnPixels, AlphaFadesThePictureAndOpaqueMagentaIsTransparent) {
  std::vector<std::uint32_t> keyed(4 * 4);
  for (std::uint32_t i = 0; i < keyed.size(); ++i) keyed[i] = i % 4 < 2 ? 0xFF00FF : 0x00FF00;
  const RECT whole{0, 0, 4, 4};
  Picture(4, 4, std::vector<std::uint32_t>(16, 0xFFFFFF), 0, 0, 4, 4, 255, whole);
  Picture(4, 4, keyed, 0, 0, 4, 4, 255, whole);
  Picture(4, 4, std::vector<std::uint32_t>(16, 0xFF0000), 20, 0, 4, 4, 0, whole);
  Picture(4, 4, std::vector<std::uint32_t>(16, 0xFF0000), 40, 0, 4, 4, 128, whole);
  const testkit::Frame frame = Present();

  EXPECT_EQ(std::tuple(frame.At(0, 0), frame.At(1, 3)), std::tuple(kWhite, kWhite));  // magenta shows what is below
  EXPECT_EQ(std::tuple(frame.At(2, 0), frame.At(21, 1)), std::tuple(kGreen, kBlack));
  EXPECT_NEAR(static_cast<int>((frame.At(41, 1) >> 16) & 0xFF), 128, 2);
  EXPECT_EQ(frame.At(41, 1) & 0xFFFF, 0u);
}

}  // namespace
}  // namespace textures_test
