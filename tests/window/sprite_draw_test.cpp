// The 2D transformation against the composition it stands for, and a sprite drawn
// through the layer: where the transformation puts it, scaled, turned about its
// top-left corner, blended by its alpha and tinted by its colour.
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
#include "tests/window/WindowKit.h"

namespace {

D3DXMATRIX Affine(float a, float b, float c, float d, float x, float y) {
  return D3DXMATRIX{{{a, b, 0, 0}, {c, d, 0, 0}, {0, 0, 1, 0}, {x, y, 0, 1}}};
}
D3DXMATRIX Move(float x, float y) { return Affine(1, 0, 0, 1, x, y); }
D3DXMATRIX Turn(float angle) { return Affine(std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle), 0, 0); }

D3DXMATRIX operator*(const D3DXMATRIX& a, const D3DXMATRIX& b) {
  D3DXMATRIX c{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k) c.m[i][j] += a.m[i][k] * b.m[k][j];
  return c;
}

void ExpectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(actual.m[i][j], expected.m[i][j], 1e-4) << "element " << i << j;
}

TEST(Transformation2D, NullsMeanIdentity) {
  D3DXMATRIX out;
  EXPECT_EQ(D3DXMatrixTransformation2D(&out, nullptr, 0.7f, nullptr, nullptr, 0, nullptr), &out);
  ExpectMatrixNear(out, Move(0, 0));
  EXPECT_EQ(D3DXMatrixTransformation2D(nullptr, nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
}

TEST(Transformation2D, MatchesTheComposition) {
  D3DXVECTOR2 scalingCenter{7, -3}, scaling{2.5f, 0.5f}, rotationCenter{-4, 9}, translation{100, 40};
  const float scalingRotation = 0.6f, rotation = -1.1f;
  D3DXMATRIX out;
  D3DXMatrixTransformation2D(&out, &scalingCenter, scalingRotation, &scaling, &rotationCenter, rotation, &translation);
  ExpectMatrixNear(out, Move(-scalingCenter.x, -scalingCenter.y) * Turn(-scalingRotation) *
                            Affine(scaling.x, 0, 0, scaling.y, 0, 0) * Turn(scalingRotation) *
                            Move(scalingCenter.x - rotationCenter.x, scalingCenter.y - rotationCenter.y) * Turn(rotation) *
                            Move(rotationCenter.x + translation.x, rotationCenter.y + translation.y));
}

constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kBlack = 0xFF000000, kWhite = 0xFFFFFFFF;

struct Sample {
  unsigned x, y;
  std::uint32_t colour;
};

// Each sample channel by channel, with room for the renderer's rounding.
void ExpectPixels(const testkit::Frame& frame, std::initializer_list<Sample> samples, int tolerance = 3) {
  for (const Sample& s : samples) {
    std::uint32_t got = frame.At(s.x, s.y);
    for (int shift = 0; shift < 24; shift += 8) {
      EXPECT_LE(std::abs(int((got >> shift) & 0xFF) - int((s.colour >> shift) & 0xFF)), tolerance)
          << std::hex << "at (" << std::dec << s.x << ", " << s.y << "): 0x" << std::hex << got << " not 0x" << s.colour;
    }
  }
}

class SpriteDrawTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    OpenInstallerWindow();
    testkit::CaptureFrames(true);
    // 20 x 10: left half red, right half blue.
    std::vector<std::uint32_t> pixels(20 * 10);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = i % 20 < 10 ? kRed : kBlue;
    texture = Make(20, 10, pixels);
    white = Make(4, 4, std::vector<std::uint32_t>(16, kWhite));
  }
  void TearDown() override {
    for (IDirect3DTexture9* made : {texture, white}) made->Release();
    WindowTest::TearDown();
  }
  IDirect3DTexture9* Make(UINT width, UINT height, const std::vector<std::uint32_t>& pixels) {
    IDirect3DTexture9* made = nullptr;
    EXPECT_EQ(layer::CreateTextureFromPixels(g_Device, width, height, pixels.data(), D3DPOOL_MANAGED, &made), D3D_OK);
    return made;
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
    D3DXVECTOR2 scaling{width / picture->GetWidth(), height / picture->GetHeight()}, translation{x, y};
    D3DXMATRIX matrix;
    D3DXMatrixTransformation2D(&matrix, nullptr, 0.0f, &scaling, nullptr, rotation, &translation);
    EXPECT_EQ(GetSprite()->SetTransform(&matrix), D3D_OK);
    EXPECT_EQ(GetSprite()->Draw(picture, source, nullptr, nullptr, colour), D3D_OK);
    EXPECT_TRUE(EndFrame(true));
    return testkit::LastFrame();
  }

  IDirect3DTexture9* texture = nullptr;
  IDirect3DTexture9* white = nullptr;
};

TEST_F(SpriteDrawTest, PlacesScalesAndTurnsAboutTheTopLeftCorner) {
  testkit::Frame frame = Draw(texture, 100, 50, 20, 10, 0, kWhite);
  ASSERT_EQ(frame.width * 1000 + frame.height, 640480u);
  ExpectPixels(frame, {{100, 50, kRed}, {109, 59, kRed}, {110, 50, kBlue}, {119, 59, kBlue}, {99, 55, kBlack},
                       {120, 55, kBlack}, {105, 49, kBlack}, {105, 60, kBlack}}, 0);
  frame = Draw(texture, 100, 50, 40, 20, 0, kWhite);
  ExpectPixels(frame, {{101, 51, kRed}, {117, 68, kRed}, {122, 51, kBlue}, {138, 68, kBlue}, {141, 60, kBlack},
                       {120, 71, kBlack}});
  // A quarter turn: the image's x axis points down the screen, its y axis to the left.
  frame = Draw(texture, 200, 100, 20, 10, static_cast<float>(M_PI / 2), kWhite);
  ExpectPixels(frame, {{195, 104, kRed}, {195, 115, kBlue}, {205, 105, kBlack}, {195, 97, kBlack}, {195, 122, kBlack}});
}

TEST_F(SpriteDrawTest, AlphaBlendsAndColourModulates) {
  ExpectPixels(Draw(texture, 0, 0, 20, 10, 0, 0x80FFFFFF), {{5, 5, 0xFF800000}, {15, 5, 0xFF000080}});
  ExpectPixels(Draw(texture, 0, 0, 20, 10, 0, 0x00FFFFFF), {{5, 5, kBlack}}, 0);
  ExpectPixels(Draw(texture, 0, 0, 20, 10, 0, 0x40FFFFFF, nullptr, 0), {{5, 5, kRed}}, 0);  // no blending: opaque
  ExpectPixels(Draw(white, 10, 10, 4, 4, 0, 0xFF00FF00), {{11, 11, 0xFF00FF00}}, 0);
  ExpectPixels(Draw(texture, 10, 10, 20, 10, 0, 0xFF808080), {{12, 12, 0xFF800000}});
  ExpectPixels(Draw(white, 10, 10, 4, 4, 0, 0xFF2080C0), {{11, 11, 0xFF2080C0}});
  // Transparent texels leave the background.
  IDirect3DTexture9* checker = Make(2, 2, {0x00000000, kWhite, kWhite, 0x00FFFFFF});
  ExpectPixels(Draw(checker, 0, 0, 20, 20, 0, kWhite), {{2, 2, kBlack}, {17, 17, kBlack}, {17, 2, kWhite}}, 0);
  checker->Release();
}

TEST_F(SpriteDrawTest, SourceRectangleDrawsOnlyItsPartAtTheSameScale) {
  RECT right{10, 0, 20, 10};
  ExpectPixels(Draw(texture, 100, 50, 20, 10, 0, kWhite, &right), {{100, 50, kBlue}, {109, 59, kBlue}, {111, 55, kBlack}}, 0);
  RECT overhanging{-5, 0, 5, 10};  // only the part inside the texture, where it would lie
  ExpectPixels(Draw(texture, 100, 50, 20, 10, 0, kWhite, &overhanging), {{102, 55, kBlack}, {106, 55, kRed}, {111, 55, kBlack}}, 0);
}

TEST_F(SpriteDrawTest, FrameIsWrittenAsPng) {
  Draw(texture, 100, 50, 20, 10, 0, kWhite);
  std::string path = (std::filesystem::temp_directory_path() / ("quellor_frame_" + std::to_string(getpid()) + ".png")).string();
  ASSERT_TRUE(testkit::WriteLastFramePng(path));
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  image.format = PNG_FORMAT_BGRA;
  testkit::Frame read{image.width, image.height, std::vector<std::uint32_t>(image.width * image.height)};
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, read.argb.data(), 0, nullptr));
  std::remove(path.c_str());
  ASSERT_EQ(read.width * 1000 + read.height, 640480u);
  ExpectPixels(read, {{105, 55, kRed}, {115, 55, kBlue}, {0, 0, kBlack}}, 0);
}

TEST_F(SpriteDrawTest, TextureFactoryRefusesBadDevicesSizesPoolsAndPointers) {
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
  EXPECT_EQ(out->GetWidth() * 10 + out->GetHeight(), 32u);
  EXPECT_EQ(out->GetPool(), D3DPOOL_DEFAULT);
  out->Release();
}

}  // namespace
