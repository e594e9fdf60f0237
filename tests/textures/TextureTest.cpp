// Textures: where the picture comes from, when the device texture exists and where it
// is listed in g_Textures, and the pixels a drawn picture gives.
#include <gtest/gtest.h>

#include <filesystem>
#include <list>
#include <tuple>

#include "engine/Texture.h"
#include "engine/Window.h"
#include "platform/testkit/display.h"
#include "platform/win32/strings.h"
#include "tests/textures/TextureTestKit.h"

namespace textures_test {
namespace {

using Kind = CTTexture::SourceKind;

class TextureTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureDevice(); }  // before the sprite is swapped
  void SetUp() override { ASSERT_TRUE(EnsureDevice()); }
  void TearDown() override { ReleaseAllTextures(); }

  static void Load(CTTexture& texture, const Bytes& bytes) {
    texture.LoadFromMemory(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  }
  static void Draw(CTTexture& texture) {
    const auto& info = texture.GetImageInfo();
    texture.Draw(0, 0, 8, 8, 0, 255, RECT{0, 0, LONG(info.Width), LONG(info.Height)});
  }

  RecordingSprite sprite;
  const Bytes red_ = SolidBmp(4, 3, 0xFF0000);
};

TEST_F(TextureTest, AnUnreadableOrDeletedSourceDrawsNothingEveryFrameWithoutALogLine) {
  LogCapture log;
  CTTexture texture, deleted;
  Load(texture, red_);
  EXPECT_EQ(std::tuple(texture.GetSourceKind(), texture.GetImageInfo().Width), std::tuple(Kind::Memory, 4u));
  Load(texture, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
  EXPECT_EQ(texture.GetSourceKind(), Kind::None);
  TempFolder folder("textures");
  texture.LoadFromFile(WriteFile(folder, "red.bmp", red_));
  EXPECT_EQ(texture.GetSourceKind(), Kind::File);
  texture.LoadFromFile(layer::Utf8ToWide(folder.File("missing.bmp")));
  EXPECT_EQ(texture.GetSourceKind(), Kind::None);

  deleted.LoadFromFile(WriteFile(folder, "picture.bmp", red_));
  std::filesystem::remove(folder.File("picture.bmp"));
  for (int frame = 0; frame < 3; ++frame) Draw(deleted), Draw(texture);
  EXPECT_FALSE(texture.IsCreated() || deleted.IsCreated());
  EXPECT_TRUE(g_Textures.empty());
  EXPECT_TRUE(sprite.calls.empty());
  EXPECT_TRUE(log.Lines().empty());
}

TEST_F(TextureTest, AnEmptyResourceLeavesTheTextureAsItWas) {
  TestPack pack({{"/Back", SolidBmp(5, 2, 0x00FF00)}});
  CTTexture unloaded, loaded;
  unloaded.LoadFromResource(pack.GetByName(L"/Missing"));
  EXPECT_EQ(unloaded.GetSourceKind(), Kind::None);
  loaded.LoadFromResource(pack.GetByName(L"/Back"));
  loaded.LoadFromResource(pack.GetByName(L"/back"));  // names are exact: not found
  EXPECT_EQ(loaded.GetSourceKind(), Kind::Memory);
  Draw(unloaded);
  Draw(loaded);
  ASSERT_EQ(sprite.calls.size(), 1u);
  EXPECT_EQ(sprite.calls[0].textureWidth, 5u);
}

TEST_F(TextureTest, DeviceTexturesAreListedInTheOrderTheyWereLastMade) {
  CTTexture a, b, c;
  for (CTTexture* t : {&a, &b, &c}) Load(*t, red_);
  b.Release();  // never drawn: nothing to give up
  EXPECT_TRUE(g_Textures.empty());

  for (CTTexture* t : {&a, &b, &c, &b}) Draw(*t);  // made once each
  EXPECT_EQ(g_Textures, (std::vector<CTTexture*>{&a, &b, &c}));
  EXPECT_EQ(b.GetDeviceTexture()->GetPool(), D3DPOOL_MANAGED);
  b.Release();
  EXPECT_EQ(std::tuple(b.IsCreated(), b.GetDeviceTexture()), std::tuple(false, nullptr));
  EXPECT_EQ(g_Textures, (std::vector<CTTexture*>{&a, &c}));
  Draw(b);     // made again from the same source, listed at the end
  b.Create();  // made anew: the old one goes first, so no second entry
  EXPECT_EQ(g_Textures, (std::vector<CTTexture*>{&a, &c, &b}));
  {
    CTTexture gone;
    Load(gone, red_);
    Draw(gone);
  }
  EXPECT_EQ(g_Textures.size(), 3u);  // a destroyed texture leaves the list
  ReleaseAllTextures();
  EXPECT_TRUE(g_Textures.empty());
  for (CTTexture* t : {&a, &b, &c}) EXPECT_FALSE(t->IsCreated());
}

TEST_F(TextureTest, ANewPictureIsDrawnOnlyAfterRelease) {
  CTTexture texture;
  Load(texture, red_);
  Draw(texture);
  const Bytes large = SolidBmp(8, 4, 0x0000FF);
  Load(texture, large);
  Draw(texture);
  texture.Release();
  Draw(texture);
  ASSERT_EQ(sprite.calls.size(), 3u);
  EXPECT_EQ(std::tuple(sprite.calls[1].textureWidth, sprite.calls[2].textureWidth), std::tuple(4u, 8u));
}

// Pictures as they come out of the device: frames presented offscreen and read back, so
// size, part, alpha and colour key are checked in pixels.
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
