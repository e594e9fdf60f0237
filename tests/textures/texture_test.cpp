// Textures: where the picture comes from, when the device texture exists and where it
// is listed in g_Textures.
#include <gtest/gtest.h>

#include "engine/Texture.h"
#include "tests/textures/TextureTestKit.h"

namespace textures_test {
namespace {

class TextureTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureDevice(); }  // before the sprite is swapped
  void SetUp() override { ASSERT_TRUE(EnsureDevice()); }
  void TearDown() override { ReleaseAllTextures(); }

  static void Load(CTTexture& texture, const std::vector<std::uint8_t>& bytes) {
    texture.LoadFromMemory(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  }
  static void Draw(CTTexture& texture) {
    const auto& info = texture.GetImageInfo();
    texture.Draw(0, 0, 8, 8, 0, 255, RECT{0, 0, LONG(info.Width), LONG(info.Height)});
  }

  RecordingSprite sprite;
  const std::vector<std::uint8_t> red_ = SolidBmp(4, 3, 0xFF0000);
};

TEST_F(TextureTest, AnUnreadableSourceLeavesNoSourceAndDrawsNothing) {
  CTTexture texture;
  Load(texture, red_);
  EXPECT_EQ(texture.GetSourceKind(), CTTexture::SourceKind::Memory);
  EXPECT_EQ(texture.GetImageInfo().Width, 4u);
  Load(texture, {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
  EXPECT_EQ(texture.GetSourceKind(), CTTexture::SourceKind::None);

  TempFolder folder;
  texture.LoadFromFile(folder.Write("red.bmp", red_).wstring());
  EXPECT_EQ(texture.GetSourceKind(), CTTexture::SourceKind::File);
  texture.LoadFromFile((folder.Path() / "missing.bmp").wstring());
  EXPECT_EQ(texture.GetSourceKind(), CTTexture::SourceKind::None);
  Draw(texture);
  EXPECT_FALSE(texture.IsCreated());
  EXPECT_TRUE(sprite.calls.empty());
}

TEST_F(TextureTest, AnEmptyResourceLeavesTheTextureAsItWas) {
  TestPack pack({{"/Back", SolidBmp(5, 2, 0x00FF00)}});
  CTTexture unloaded, loaded;
  unloaded.LoadFromResource(pack.GetByName(L"/Missing"));
  EXPECT_EQ(unloaded.GetSourceKind(), CTTexture::SourceKind::None);
  loaded.LoadFromResource(pack.GetByName(L"/Back"));
  loaded.LoadFromResource(pack.GetByName(L"/back"));  // names are exact: not found
  EXPECT_EQ(loaded.GetSourceKind(), CTTexture::SourceKind::Memory);
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
  EXPECT_FALSE(b.IsCreated());
  EXPECT_EQ(b.GetDeviceTexture(), nullptr);
  EXPECT_EQ(g_Textures, (std::vector<CTTexture*>{&a, &c}));
  Draw(b);  // made again from the same source, listed at the end
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
  const auto large = SolidBmp(8, 4, 0x0000FF);
  CTTexture texture;
  Load(texture, red_);
  Draw(texture);
  Load(texture, large);
  Draw(texture);
  texture.Release();
  Draw(texture);
  ASSERT_EQ(sprite.calls.size(), 3u);
  EXPECT_EQ(sprite.calls[1].textureWidth, 4u);
  EXPECT_EQ(sprite.calls[2].textureWidth, 8u);
}

TEST_F(TextureTest, AFileDeletedAfterLoadingDrawsNothingEveryFrameWithoutALogLine) {
  LogCapture log;
  TempFolder folder;
  CTTexture texture;
  texture.LoadFromFile(folder.Write("picture.bmp", red_).wstring());
  std::filesystem::remove(folder.Path() / "picture.bmp");
  for (int frame = 0; frame < 3; ++frame) Draw(texture);
  EXPECT_FALSE(texture.IsCreated());
  EXPECT_TRUE(g_Textures.empty());
  EXPECT_TRUE(sprite.calls.empty());
  EXPECT_EQ(log.Lines(), 0);
}

}  // namespace
}  // namespace textures_test
