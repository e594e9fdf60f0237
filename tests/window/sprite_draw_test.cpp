// A sprite drawn through the layer lands where the 2D transformation puts it, scaled,
// turned about its top-left corner, blended by its alpha and tinted by its colour.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "engine/Window.h"
#include "platform/d3d9/texture_factory.h"
#include "platform/testkit/display.h"
#include "tests/window/window_fixture.h"

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kBlack = 0xFF000000;

// Channel-wise comparison with room for the renderer's rounding.
::testing::AssertionResult Near(std::uint32_t actual, std::uint32_t expected, int tolerance = 3) {
  for (int shift = 0; shift < 24; shift += 8) {
    int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    if (std::abs(a - e) > tolerance) {
      return ::testing::AssertionFailure() << std::hex << "0x" << actual << " is not near 0x" << expected;
    }
  }
  return ::testing::AssertionSuccess();
}

class SpriteDrawTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    OpenInstallerWindow();
    testkit::CaptureFrames(true);
    // 20 x 10: left half red, right half blue.
    std::vector<std::uint32_t> pixels(20 * 10);
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 20; ++x) pixels[y * 20 + x] = x < 10 ? kRed : kBlue;
    }
    ASSERT_EQ(layer::CreateTextureFromPixels(g_Device, 20, 10, pixels.data(), D3DPOOL_MANAGED, &texture), D3D_OK);
    std::vector<std::uint32_t> white(4 * 4, 0xFFFFFFFF);
    ASSERT_EQ(layer::CreateTextureFromPixels(g_Device, 4, 4, white.data(), D3DPOOL_MANAGED, &whiteTexture), D3D_OK);
  }
  void TearDown() override {
    if (texture) texture->Release();
    if (whiteTexture) whiteTexture->Release();
    WindowTest::TearDown();
  }

  // As the engine draws a picture: scaled to width x height, turned about its top-left
  // corner, moved to (x, y).
  testkit::Frame Draw(IDirect3DTexture9* picture, float x, float y, float width, float height, float rotation,
                      D3DCOLOR colour, const RECT* source = nullptr, DWORD flags = D3DXSPRITE_ALPHABLEND) {
    EXPECT_TRUE(BeginFrame());
    if (flags != D3DXSPRITE_ALPHABLEND) {
      g_Sprite->End();
      g_Sprite->Begin(flags);
    }
    D3DXVECTOR2 scaling{width / picture->GetWidth(), height / picture->GetHeight()};
    D3DXVECTOR2 translation{x, y};
    D3DXMATRIX matrix;
    D3DXMatrixTransformation2D(&matrix, nullptr, 0.0f, &scaling, nullptr, rotation, &translation);
    EXPECT_EQ(GetSprite()->SetTransform(&matrix), D3D_OK);
    EXPECT_EQ(GetSprite()->Draw(picture, source, nullptr, nullptr, colour), D3D_OK);
    EXPECT_TRUE(EndFrame(true));
    return testkit::LastFrame();
  }

  IDirect3DTexture9* texture = nullptr;
  IDirect3DTexture9* whiteTexture = nullptr;
};

TEST_F(SpriteDrawTest, PlacesImagePixelForPixel) {
  testkit::Frame frame = Draw(texture, 100, 50, 20, 10, 0, 0xFFFFFFFF);
  ASSERT_EQ(frame.width, 640u);
  ASSERT_EQ(frame.height, 480u);
  EXPECT_EQ(frame.At(100, 50), kRed);
  EXPECT_EQ(frame.At(109, 59), kRed);
  EXPECT_EQ(frame.At(110, 50), kBlue);
  EXPECT_EQ(frame.At(119, 59), kBlue);
  EXPECT_EQ(frame.At(99, 55), kBlack);
  EXPECT_EQ(frame.At(120, 55), kBlack);
  EXPECT_EQ(frame.At(105, 49), kBlack);
  EXPECT_EQ(frame.At(105, 60), kBlack);
}

TEST_F(SpriteDrawTest, ScalesToTheWantedSize) {
  testkit::Frame frame = Draw(texture, 100, 50, 40, 20, 0, 0xFFFFFFFF);
  EXPECT_TRUE(Near(frame.At(101, 51), kRed));
  EXPECT_TRUE(Near(frame.At(117, 68), kRed));
  EXPECT_TRUE(Near(frame.At(122, 51), kBlue));
  EXPECT_TRUE(Near(frame.At(138, 68), kBlue));
  EXPECT_EQ(frame.At(141, 60), kBlack);
  EXPECT_EQ(frame.At(120, 71), kBlack);
}

TEST_F(SpriteDrawTest, TurnsAboutTheTopLeftCorner) {
  // A quarter turn: the image's x axis points down the screen, its y axis to the left.
  testkit::Frame frame = Draw(texture, 200, 100, 20, 10, static_cast<float>(M_PI / 2), 0xFFFFFFFF);
  EXPECT_TRUE(Near(frame.At(195, 104), kRed));
  EXPECT_TRUE(Near(frame.At(195, 115), kBlue));
  EXPECT_EQ(frame.At(205, 105), kBlack) << "nothing right of the corner";
  EXPECT_EQ(frame.At(195, 97), kBlack) << "nothing above the corner";
  EXPECT_EQ(frame.At(195, 122), kBlack);
}

TEST_F(SpriteDrawTest, AlphaBlendsOverWhatIsThere) {
  testkit::Frame frame = Draw(texture, 0, 0, 20, 10, 0, 0x80FFFFFF);
  EXPECT_TRUE(Near(frame.At(5, 5), 0xFF800000));
  EXPECT_TRUE(Near(frame.At(15, 5), 0xFF000080));
  frame = Draw(texture, 0, 0, 20, 10, 0, 0x00FFFFFF);
  EXPECT_EQ(frame.At(5, 5), kBlack) << "alpha 0 draws nothing visible";
}

TEST_F(SpriteDrawTest, WithoutAlphaBlendingTheImageIsOpaque) {
  testkit::Frame frame = Draw(texture, 0, 0, 20, 10, 0, 0x40FFFFFF, nullptr, 0);
  EXPECT_EQ(frame.At(5, 5), kRed);
}

TEST_F(SpriteDrawTest, ColourModulatesTheTexture) {
  testkit::Frame frame = Draw(whiteTexture, 10, 10, 4, 4, 0, 0xFF00FF00);
  EXPECT_EQ(frame.At(11, 11), 0xFF00FF00u);
  frame = Draw(texture, 10, 10, 20, 10, 0, 0xFF808080);
  EXPECT_TRUE(Near(frame.At(12, 12), 0xFF800000));
  frame = Draw(whiteTexture, 10, 10, 4, 4, 0, 0xFF2080C0);
  EXPECT_TRUE(Near(frame.At(11, 11), 0xFF2080C0));
}

TEST_F(SpriteDrawTest, TransparentTexelsLeaveTheBackground) {
  std::vector<std::uint32_t> pixels = {0x00000000, 0xFFFFFFFF, 0xFFFFFFFF, 0x00FFFFFF};
  IDirect3DTexture9* checker = nullptr;
  ASSERT_EQ(layer::CreateTextureFromPixels(g_Device, 2, 2, pixels.data(), D3DPOOL_MANAGED, &checker), D3D_OK);
  testkit::Frame frame = Draw(checker, 0, 0, 20, 20, 0, 0xFFFFFFFF);
  EXPECT_EQ(frame.At(2, 2), kBlack);
  EXPECT_EQ(frame.At(17, 17), kBlack);
  EXPECT_EQ(frame.At(17, 2), 0xFFFFFFFFu);
  checker->Release();
}

TEST_F(SpriteDrawTest, SourceRectangleDrawsOnlyItsPartAtTheSameScale) {
  RECT right{10, 0, 20, 10};
  testkit::Frame frame = Draw(texture, 100, 50, 20, 10, 0, 0xFFFFFFFF, &right);
  EXPECT_EQ(frame.At(100, 50), kBlue);
  EXPECT_EQ(frame.At(109, 59), kBlue);
  EXPECT_EQ(frame.At(111, 55), kBlack);

  RECT overhanging{-5, 0, 5, 10};  // only the part inside the texture, where it would lie
  frame = Draw(texture, 100, 50, 20, 10, 0, 0xFFFFFFFF, &overhanging);
  EXPECT_EQ(frame.At(102, 55), kBlack);
  EXPECT_EQ(frame.At(106, 55), kRed);
  EXPECT_EQ(frame.At(111, 55), kBlack);
}

TEST_F(SpriteDrawTest, FrameIsWrittenAsPng) {
  Draw(texture, 100, 50, 20, 10, 0, 0xFFFFFFFF);
  std::string path = (std::filesystem::temp_directory_path() /
                      ("quellor_sprite_frame_" + std::to_string(getpid()) + ".png")).string();
  ASSERT_TRUE(testkit::WriteLastFramePng(path));
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  image.format = PNG_FORMAT_BGRA;
  std::vector<std::uint32_t> pixels(image.width * image.height);
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
  std::remove(path.c_str());
  ASSERT_EQ(image.width, 640u);
  ASSERT_EQ(image.height, 480u);
  EXPECT_EQ(pixels[55 * 640 + 105], kRed);
  EXPECT_EQ(pixels[55 * 640 + 115], kBlue);
  EXPECT_EQ(pixels[0], kBlack);
}

using TextureFactoryTest = SpriteDrawTest;

TEST_F(TextureFactoryTest, RefusesBadDevicesSizesPoolsAndPointers) {
  std::uint32_t pixel = 0;
  IDirect3DTexture9* out = reinterpret_cast<IDirect3DTexture9*>(1);
  EXPECT_EQ(layer::CreateTextureFromPixels(nullptr, 1, 1, &pixel, D3DPOOL_MANAGED, &out), D3DERR_INVALIDCALL);
  EXPECT_EQ(out, nullptr) << "the out pointer is cleared on failure";
  EXPECT_EQ(layer::CreateTextureFromPixels(g_Device, 0, 1, &pixel, D3DPOOL_MANAGED, &out), D3DERR_INVALIDCALL);
  EXPECT_EQ(layer::CreateTextureFromPixels(g_Device, 1, 16385, &pixel, D3DPOOL_MANAGED, &out), D3DERR_INVALIDCALL);
  EXPECT_EQ(layer::CreateTextureFromPixels(g_Device, 1, 1, nullptr, D3DPOOL_MANAGED, &out), D3DERR_INVALIDCALL);
  EXPECT_EQ(layer::CreateTextureFromPixels(g_Device, 1, 1, &pixel, D3DPOOL_SYSTEMMEM, &out), D3DERR_INVALIDCALL);
  std::vector<std::uint32_t> six(3 * 2, 0xFF123456);
  ASSERT_EQ(layer::CreateTextureFromPixels(g_Device, 3, 2, six.data(), D3DPOOL_DEFAULT, &out), D3D_OK);
  EXPECT_EQ(out->GetWidth(), 3u);
  EXPECT_EQ(out->GetHeight(), 2u);
  EXPECT_EQ(out->GetPool(), D3DPOOL_DEFAULT);
  out->Release();
}

}  // namespace
