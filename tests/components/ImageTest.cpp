#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/Image.h"
#include "engine/Texture.h"
#include "tests/components/DrawingKit.h"
#include "tests/components/LogCapture.h"

namespace {

using components_test::RecordingSprite;

class PictureComponent : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(components_test::EnsureDevice());
    wide.LoadFromMemory(wideBytes.data(), static_cast<std::uint32_t>(wideBytes.size()));
    small.LoadFromMemory(smallBytes.data(), static_cast<std::uint32_t>(smallBytes.size()));
    ASSERT_EQ(wide.GetSourceKind(), CTTexture::SourceKind::Memory);
    ASSERT_EQ(small.GetSourceKind(), CTTexture::SourceKind::Memory);
  }
  void TearDown() override { ReleaseAllTextures(); }

  static bool Listed(CTTexture* texture) {
    return std::find(g_Textures.begin(), g_Textures.end(), texture) != g_Textures.end();
  }

  std::vector<std::uint8_t> wideBytes = components_test::SolidBmp(640, 480, 0x336699);
  std::vector<std::uint8_t> smallBytes = components_test::SolidBmp(8, 4, 0xFFFFFF);
  CTTexture wide;
  CTTexture small;
  LogCapture log;
};

TEST_F(PictureComponent, SetTextureTakesThePictureSizeFullAlphaAndWholeImage) {
  CTCImage image;
  image.SetPosition(12.0f, 34.0f).SetAlpha(10);
  image.SetTexture(&wide);
  EXPECT_EQ(image.GetX(), 12.0f);
  EXPECT_EQ(image.GetY(), 34.0f);
  EXPECT_EQ(image.GetWidth(), 640.0f);
  EXPECT_EQ(image.GetHeight(), 480.0f);
  EXPECT_EQ(image.GetAlpha(), 255);
  EXPECT_EQ(image.GetRotation(), 0.0f);
  const RECT source = image.GetSourceRect();
  EXPECT_EQ(source.left, 0);
  EXPECT_EQ(source.top, 0);
  EXPECT_EQ(source.right, 640);
  EXPECT_EQ(source.bottom, 480);
  EXPECT_EQ(image.GetState(), CTComponent::Uninitialized);  // no life-cycle change
}

TEST_F(PictureComponent, NullTextureKeepsSizeAlphaAndSourceAndDrawsNothing) {
  CTCImage image;
  image.Create(&small);
  image.SetAlpha(77);
  image.SetTexture(nullptr);
  EXPECT_EQ(image.GetTexture(), nullptr);
  EXPECT_EQ(image.GetWidth(), 8.0f);
  EXPECT_EQ(image.GetHeight(), 4.0f);
  EXPECT_EQ(image.GetAlpha(), 77);
  EXPECT_EQ(image.GetSourceRect().right, 8);

  RecordingSprite sprite;
  image.Resume();
  image.Draw();
  EXPECT_TRUE(sprite.calls.empty());
  EXPECT_TRUE(log.Empty());
}

TEST_F(PictureComponent, DrawsTheWholePictureStretchedToItsRectangleWithItsAlpha) {
  CTCImage image;
  image.Create(&small);
  image.Resume();
  image.SetPosition(100.0f, 50.0f);
  RecordingSprite sprite;
  image.Draw();
  image.SetSize(16.0f, 2.0f).SetAlpha(128);
  image.Draw();
  ASSERT_EQ(sprite.calls.size(), 2u);
  EXPECT_EQ(sprite.calls[0].x, 100.0f);
  EXPECT_EQ(sprite.calls[0].y, 50.0f);
  EXPECT_FLOAT_EQ(sprite.calls[0].scaleX, 1.0f);
  EXPECT_FLOAT_EQ(sprite.calls[0].scaleY, 1.0f);
  EXPECT_EQ(sprite.calls[0].colour, 0xFFFFFFFFu);
  ASSERT_TRUE(sprite.calls[0].hasSource);
  EXPECT_EQ(sprite.calls[0].source.right, 8);
  EXPECT_EQ(sprite.calls[0].source.bottom, 4);
  EXPECT_FLOAT_EQ(sprite.calls[1].scaleX, 2.0f);
  EXPECT_FLOAT_EQ(sprite.calls[1].scaleY, 0.5f);
  EXPECT_EQ(sprite.calls[1].colour, 0x80FFFFFFu);
}

TEST_F(PictureComponent, PauseReleasesTheDeviceTextureOnlyWhenItPauses) {
  CTCImage image;
  image.Create(&small);
  image.Resume();
  {
    RecordingSprite sprite;
    image.Draw();
  }
  ASSERT_TRUE(small.IsCreated());
  EXPECT_TRUE(image.Pause());
  EXPECT_FALSE(small.IsCreated());
  EXPECT_FALSE(Listed(&small));

  small.Create();  // made behind the component's back while it is paused
  ASSERT_TRUE(small.IsCreated());
  EXPECT_FALSE(image.Pause());
  EXPECT_TRUE(log.HasWarning(L"Pause in notloaded state"));
  EXPECT_TRUE(small.IsCreated());  // a pause that changed nothing released nothing
}

TEST_F(PictureComponent, AfterPauseAndResumeTheNextDrawMakesTheTextureAgain) {
  CTCImage image;
  image.Create(&small);
  image.Resume();
  RecordingSprite sprite;
  image.Draw();
  image.Pause();
  image.Resume();
  EXPECT_FALSE(small.IsCreated());
  image.Draw();
  EXPECT_TRUE(small.IsCreated());
  EXPECT_TRUE(Listed(&small));
  ASSERT_EQ(sprite.calls.size(), 2u);
  EXPECT_EQ(sprite.calls[1].texture, small.GetDeviceTexture());
}

TEST_F(PictureComponent, ShutdownForgetsTheTextureButLeavesItsSource) {
  CTCImage image;
  image.Create(&wide);
  image.Resume();
  image.Enter();
  image.Shutdown();
  EXPECT_EQ(image.GetTexture(), nullptr);
  EXPECT_FALSE(image.IsEntered());
  EXPECT_EQ(wide.GetSourceKind(), CTTexture::SourceKind::Memory);
  image.Resume();
  RecordingSprite sprite;
  image.Draw();
  EXPECT_TRUE(sprite.calls.empty());
}

TEST_F(PictureComponent, CreateOnAnInitialisedPictureEnds) {
  GTEST_FLAG_SET(death_test_style, "fast");
  CTCImage image;
  image.Initialize();
  EXPECT_DEATH(image.Create(&small), "");
  EXPECT_TRUE(log.HasError(L"Twice initialize"));
  EXPECT_DEATH(image.Draw(), "");
  EXPECT_TRUE(log.HasError(L"TComponent draw in incorrect state"));
}

}  // namespace
