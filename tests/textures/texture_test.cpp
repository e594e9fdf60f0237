// Textures: where the picture comes from, when the device texture exists and where it
// is listed in g_Textures.
#include <gtest/gtest.h>

#include <tuple>

#include "engine/Texture.h"
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
  TempFolder folder;
  texture.LoadFromFile(folder.Write("red.bmp", red_).wstring());
  EXPECT_EQ(texture.GetSourceKind(), Kind::File);
  texture.LoadFromFile((folder.Path() / "missing.bmp").wstring());
  EXPECT_EQ(texture.GetSourceKind(), Kind::None);

  deleted.LoadFromFile(folder.Write("picture.bmp", red_).wstring());
  std::filesystem::remove(folder.Path() / "picture.bmp");
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

}  // namespace
}  // namespace textures_test
