// Textures: where the picture comes from, when the device texture exists and where it
// is listed in g_Textures, and the pixels a drawn picture gives.
#include <gtest/gtest.h>

#include <filesystem>
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
  void SetUp() override { ASSERT_TRUE(EnsureDevice()); }

  static void Load(CTTexture& texture, const Bytes& bytes) {
    texture.LoadFromMemory(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  }
  static void Draw(CTTexture& texture) { texture.Draw(0, 0, 8, 8, 0, 255, RECT{0, 0, 8, 8}); }

  RecordingSprite sprite;
  const Bytes red_ = SolidBmp(4, 3, 0xFF0000);
};

TEST_F(TextureTest, AnUnreadableSourceOrAnEmptyResourceDrawsNothingEveryFrameWithoutALogLine) {
  LogCapture log;
  TempFolder folder("textures");
  TestPack pack({{"/Back", SolidBmp(5, 2, 0x00FF00)}});
  CTTexture fromFile, fromMemory, deleted, unloaded, kept;
  fromFile.LoadFromFile(WriteFile(folder, "red.bmp", red_));
  fromFile.LoadFromFile(layer::Utf8ToWide(folder.File("missing.bmp")));  // a failed load forgets the earlier source
  Load(fromMemory, red_);
  Load(fromMemory, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
  unloaded.LoadFromResource(pack.GetByName(L"/Missing"));
  kept.LoadFromResource(pack.GetByName(L"/Back"));
  kept.LoadFromResource(pack.GetByName(L"/back"));  // names are exact: an empty resource changes nothing
  deleted.LoadFromFile(WriteFile(folder, "picture.bmp", red_));
  std::filesystem::remove(folder.File("picture.bmp"));  // the source stays known
  EXPECT_EQ(std::tuple(fromFile.GetSourceKind(), fromMemory.GetSourceKind(), unloaded.GetSourceKind(), kept.GetSourceKind(),
                       deleted.GetSourceKind()),
            std::tuple(Kind::None, Kind::None, Kind::None, Kind::Memory, Kind::File));
  // The deleted file's texture is tried and fails at every draw; only the kept picture is drawn.
  for (CTTexture* texture : {&deleted, &deleted, &deleted, &fromFile, &fromMemory, &unloaded, &kept}) Draw(*texture);
  EXPECT_EQ(std::tuple(g_Textures, sprite.calls.size(), sprite.calls.at(0).textureWidth, log.Lines().size()),
            std::tuple(std::vector{&kept}, 1u, 5u, 0u));
}

// A new picture is drawn only after Release.
TEST_F(TextureTest, DeviceTexturesAreListedInTheOrderTheyWereLastMade) {
  CTTexture a, b, c;
  for (CTTexture* t : {&a, &b, &c}) Load(*t, red_);
  b.Release();  // never drawn: nothing to give up

  for (CTTexture* t : {&a, &b, &c, &b}) Draw(*t);  // made once each
  EXPECT_EQ(g_Textures, (std::vector<CTTexture*>{&a, &b, &c}));
  EXPECT_EQ(b.GetDeviceTexture()->GetPool(), D3DPOOL_MANAGED);
  const Bytes large = SolidBmp(8, 4, 0x0000FF);  // the texture keeps the caller's bytes
  Load(b, large), Draw(b);
  b.Release();
  EXPECT_EQ(std::tuple(b.IsCreated(), b.GetDeviceTexture(), g_Textures), std::tuple(false, nullptr, std::vector{&a, &c}));
  Draw(b);     // made again from the new source, listed at the end
  std::vector<UINT> widths;
  for (const auto& call : sprite.calls) widths.push_back(call.textureWidth);
  EXPECT_EQ(widths, (std::vector<UINT>{4, 4, 4, 4, 4, 8}));
  b.Create();  // made anew: the old one goes first, so no second entry
  EXPECT_EQ(g_Textures, (std::vector<CTTexture*>{&a, &c, &b}));
  [this] {
    CTTexture gone;
    Load(gone, red_), Draw(gone);
  }();
  EXPECT_EQ(g_Textures.size(), 3u);  // a destroyed texture leaves the list
  ReleaseAllTextures();
  EXPECT_EQ(std::tuple(g_Textures.size(), a.IsCreated(), b.IsCreated(), c.IsCreated()), std::tuple(0u, false, false, false));
}

// The colour key and the source rectangle as they come out of the device: a frame
// presented offscreen and read back. (Scale and alpha reach the sprite as the picture
// component's tests record.)
TEST(DrawnPixels, OpaqueMagentaIsTransparentAndTheSourceRectangleChoosesThePart) {
  ASSERT_TRUE(EnsureDevice());
  // Columns: opaque magenta (the key), magenta at alpha 128 (not the key: blended over the
  // black as the software renderer rounds it), then green.
  pictures_test::Pixels keyed(4 * 4);
  for (std::uint32_t i = 0; i < keyed.size(); ++i) keyed[i] = i % 4 == 0 ? 0xFFFF00FF : i % 4 == 1 ? 0x80FF00FF : 0xFF00FF00;
  const Bytes bytes = pictures_test::WritePngRgba(4, 4, keyed);
  CTTexture picture;
  picture.LoadFromMemory(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  testkit::CaptureFrames(true);
  ASSERT_TRUE(BeginFrame());
  picture.Draw(0, 0, 4, 4, 0, 255, RECT{0, 0, 4, 4});   // over the black background
  picture.Draw(40, 0, 4, 4, 0, 255, RECT{2, 0, 4, 4});  // its right half, at the same scale
  EndFrame(true);
  testkit::CaptureFrames(false);
  const testkit::Frame frame = testkit::LastFrame();
  constexpr std::uint32_t kBlack = 0xFF000000u, kGreen = 0xFF00FF00u;
  const std::tuple<unsigned, unsigned, std::uint32_t> samples[] = {
      {0, 0, kBlack}, {1, 3, 0xFF7F007Fu}, {2, 0, kGreen}, {3, 3, kGreen}, {40, 0, kGreen}, {41, 3, kGreen}, {42, 0, kBlack}};
  for (auto [x, y, colour] : samples) EXPECT_EQ(frame.At(x, y), colour) << x << "," << y;
}

}  // namespace
}  // namespace textures_test
