// Textures: where the picture comes from, when the device texture exists and where it
// is listed, and what one draw hands to the sprite.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>

#include "engine/Log.h"
#include "engine/Texture.h"
#include "tests/textures/RecordingSprite.h"
#include "tests/textures/TestPictures.h"
#include "tests/textures/TextureTestKit.h"

namespace textures_test {
namespace {

class TextureTest : public ::testing::Test {
 protected:
  // Before the recording sprite takes the engine's sprite slot.
  static void SetUpTestSuite() { EnsureDevice(); }
  void SetUp() override {
    ASSERT_TRUE(EnsureDevice());
    ReleaseAllTextures();
  }
  void TearDown() override { ReleaseAllTextures(); }

  static void DrawWhole(CTTexture& texture, float x = 0, float y = 0) {
    const auto& info = texture.GetImageInfo();
    texture.Draw(x, y, static_cast<float>(info.Width), static_cast<float>(info.Height), 0.0f, 255,
                 RECT{0, 0, static_cast<LONG>(info.Width), static_cast<LONG>(info.Height)});
  }

  RecordingSprite sprite;
};

TEST_F(TextureTest, LoadingRecordsTheSourceOrForgetsItWhenUnreadable) {
  const auto red = SolidBmp(4, 3, 0xFF0000);
  const std::vector<std::uint8_t> garbage{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'};
  CTTexture texture;
  EXPECT_EQ(texture.GetSourceKind(), CTTexture::SourceKind::None);

  texture.LoadFromMemory(red.data(), static_cast<std::uint32_t>(red.size()));
  EXPECT_EQ(texture.GetSourceKind(), CTTexture::SourceKind::Memory);
  EXPECT_EQ(texture.GetImageInfo().Width, 4u);
  EXPECT_EQ(texture.GetImageInfo().Height, 3u);

  texture.LoadFromMemory(garbage.data(), static_cast<std::uint32_t>(garbage.size()));
  EXPECT_EQ(texture.GetSourceKind(), CTTexture::SourceKind::None);
  DrawWhole(texture);
  EXPECT_FALSE(texture.IsCreated());
  EXPECT_TRUE(sprite.calls.empty());

  TempFolder folder;
  texture.LoadFromFile((folder.Path() / "missing.bmp").wstring());
  EXPECT_EQ(texture.GetSourceKind(), CTTexture::SourceKind::None);
  texture.LoadFromFile(folder.Write("red.bmp", red).wstring());
  EXPECT_EQ(texture.GetSourceKind(), CTTexture::SourceKind::File);
  EXPECT_EQ(texture.GetImageInfo().Width, 4u);
}

TEST_F(TextureTest, AnEmptyResourceLeavesTheTextureAsItWas) {
  TestPack pack({{"/Back", SolidBmp(5, 2, 0x00FF00)}});
  CTTexture unloaded;
  unloaded.LoadFromResource(pack->GetByName(L"/Missing"));
  EXPECT_EQ(unloaded.GetSourceKind(), CTTexture::SourceKind::None);
  DrawWhole(unloaded);
  EXPECT_TRUE(sprite.calls.empty());

  CTTexture loaded;
  loaded.LoadFromResource(pack->GetByName(L"/Back"));
  ASSERT_EQ(loaded.GetSourceKind(), CTTexture::SourceKind::Memory);
  loaded.LoadFromResource(pack->GetByName(L"/back"));  // names are exact
  EXPECT_EQ(loaded.GetSourceKind(), CTTexture::SourceKind::Memory);
  EXPECT_EQ(loaded.GetImageInfo().Width, 5u);
  DrawWhole(loaded);
  ASSERT_EQ(sprite.calls.size(), 1u);
  EXPECT_EQ(sprite.calls[0].textureWidth, 5u);
}

TEST_F(TextureTest, DeviceTexturesAreListedInTheOrderTheyWereMade) {
  const auto bmp = SolidBmp(2, 2, 0x123456);
  CTTexture a, b, c;
  for (CTTexture* t : {&a, &b, &c}) t->LoadFromMemory(bmp.data(), static_cast<std::uint32_t>(bmp.size()));

  b.Release();  // never drawn: nothing to give up
  EXPECT_TRUE(g_Textures.empty());

  DrawWhole(a);
  DrawWhole(b);
  DrawWhole(c);
  DrawWhole(b);  // already made: not listed twice
  EXPECT_EQ(g_Textures, (std::vector<CTTexture*>{&a, &b, &c}));
  EXPECT_EQ(b.GetDeviceTexture()->GetPool(), D3DPOOL_MANAGED);

  b.Release();
  EXPECT_FALSE(b.IsCreated());
  EXPECT_EQ(b.GetDeviceTexture(), nullptr);
  EXPECT_EQ(b.GetSourceKind(), CTTexture::SourceKind::Memory);
  EXPECT_EQ(g_Textures, (std::vector<CTTexture*>{&a, &c}));

  DrawWhole(b);  // made again, from the same source, and listed at the end
  EXPECT_TRUE(b.IsCreated());
  EXPECT_EQ(g_Textures, (std::vector<CTTexture*>{&a, &c, &b}));

  b.Create();  // made anew: the old one is given up first
  EXPECT_EQ(g_Textures, (std::vector<CTTexture*>{&a, &c, &b}));

  ReleaseAllTextures();
  EXPECT_TRUE(g_Textures.empty());
  for (CTTexture* t : {&a, &b, &c}) EXPECT_FALSE(t->IsCreated());
}

TEST_F(TextureTest, ADestroyedTextureLeavesTheList) {
  const auto bmp = SolidBmp(2, 2, 0x123456);
  CTTexture kept;
  kept.LoadFromMemory(bmp.data(), static_cast<std::uint32_t>(bmp.size()));
  DrawWhole(kept);
  {
    CTTexture gone;
    gone.LoadFromMemory(bmp.data(), static_cast<std::uint32_t>(bmp.size()));
    DrawWhole(gone);
    EXPECT_EQ(g_Textures.size(), 2u);
  }
  EXPECT_EQ(g_Textures, (std::vector<CTTexture*>{&kept}));
}

TEST_F(TextureTest, ANewPictureIsDrawnOnlyAfterRelease) {
  const auto small = SolidBmp(2, 2, 0xFF0000);
  const auto large = SolidBmp(8, 4, 0x0000FF);
  CTTexture texture;
  texture.LoadFromMemory(small.data(), static_cast<std::uint32_t>(small.size()));
  DrawWhole(texture);
  texture.LoadFromMemory(large.data(), static_cast<std::uint32_t>(large.size()));
  DrawWhole(texture);
  texture.Release();
  DrawWhole(texture);
  ASSERT_EQ(sprite.calls.size(), 3u);
  EXPECT_EQ(sprite.calls[1].textureWidth, 2u);
  EXPECT_EQ(sprite.calls[2].textureWidth, 8u);
}

TEST_F(TextureTest, AFileDeletedAfterLoadingDrawsNothingAndLogsNothing) {
  LogCapture log;
  TempFolder folder;
  CTTexture texture;
  const auto path = folder.Write("picture.bmp", SolidBmp(3, 3, 0xFFFFFF));
  texture.LoadFromFile(path.wstring());
  std::filesystem::remove(path);
  for (int frame = 0; frame < 3; ++frame) DrawWhole(texture);
  EXPECT_FALSE(texture.IsCreated());
  EXPECT_TRUE(g_Textures.empty());
  EXPECT_TRUE(sprite.calls.empty());
  EXPECT_TRUE(log.Lines().empty());
}

TEST_F(TextureTest, DrawScalesThePictureToTheWantedSizeAndTintsOnlyTheAlpha) {
  const auto bmp = SolidBmp(20, 10, 0x808080);
  CTTexture texture;
  texture.LoadFromMemory(bmp.data(), static_cast<std::uint32_t>(bmp.size()));

  texture.Draw(7.0f, 9.0f, 20.0f, 10.0f, 0.0f, 255, RECT{0, 0, 20, 10});
  texture.Draw(1.0f, 2.0f, 40.0f, 5.0f, 0.0f, 128, RECT{5, 0, 10, 10});
  ASSERT_EQ(sprite.calls.size(), 2u);

  const auto& same = sprite.calls[0];
  EXPECT_FLOAT_EQ(same.X(), 7.0f);
  EXPECT_FLOAT_EQ(same.Y(), 9.0f);
  EXPECT_FLOAT_EQ(same.ScaleX(), 1.0f);
  EXPECT_FLOAT_EQ(same.ScaleY(), 1.0f);
  EXPECT_EQ(same.colour, 0xFFFFFFFFu);

  const auto& stretched = sprite.calls[1];
  EXPECT_FLOAT_EQ(stretched.X(), 1.0f);
  EXPECT_FLOAT_EQ(stretched.Y(), 2.0f);
  EXPECT_FLOAT_EQ(stretched.ScaleX(), 2.0f);
  EXPECT_FLOAT_EQ(stretched.ScaleY(), 0.5f);
  EXPECT_EQ(stretched.colour, 0x80FFFFFFu);
  ASSERT_TRUE(stretched.source.has_value());
  EXPECT_EQ(stretched.source->left, 5);
  EXPECT_EQ(stretched.source->right, 10);
}

TEST_F(TextureTest, RotationTurnsThePictureAboutItsTopLeftCorner) {
  const auto bmp = SolidBmp(10, 10, 0x808080);
  CTTexture texture;
  texture.LoadFromMemory(bmp.data(), static_cast<std::uint32_t>(bmp.size()));
  texture.Draw(100.0f, 50.0f, 20.0f, 10.0f, std::numbers::pi_v<float> / 2, 255, RECT{0, 0, 10, 10});
  ASSERT_EQ(sprite.calls.size(), 1u);
  const D3DXMATRIX& m = sprite.calls[0].transform;
  // The image's right-hand corner (10, 0): scaled to (20, 0), turned a quarter to
  // (0, 20), moved by (100, 50).
  const float x = 10 * m.m[0][0] + 0 * m.m[1][0] + m.m[3][0];
  const float y = 10 * m.m[0][1] + 0 * m.m[1][1] + m.m[3][1];
  EXPECT_NEAR(x, 100.0f, 1e-4);
  EXPECT_NEAR(y, 70.0f, 1e-4);
  // The corner itself stays at (100, 50).
  EXPECT_FLOAT_EQ(m.m[3][0], 100.0f);
  EXPECT_FLOAT_EQ(m.m[3][1], 50.0f);
}

}  // namespace
}  // namespace textures_test
